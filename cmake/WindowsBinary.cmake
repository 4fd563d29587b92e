# Link settings every Windows binary of the product shares: static runtimes, so no
# libstdc++/libgcc/winpthread DLL is needed, and subsystem 4.0 so that the Windows 95
# and NT 4.0 loaders accept the file.

if(KYR_THREAD_MODEL STREQUAL "win32")
  # The shipped tree. Nothing in it throws or catches, and nothing asks for a type at run
  # time: built without exception handling, type information and unwind tables, and with
  # one section per function so that the linker leaves out what no one calls. The runtime
  # pieces that would otherwise bring exceptions back come from common/runtime.
  #
  # Reproducible from any folder: no build path reaches the files (assertion texts and the
  # like name sources relative to the tree), and the linker writes no time stamps.
  add_compile_options(
    "$<$<COMPILE_LANGUAGE:C,CXX>:-ffunction-sections;-fdata-sections;-fno-asynchronous-unwind-tables>"
    "$<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions;-fno-rtti>"
    "$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_SOURCE_DIR}/=;-ffile-prefix-map=${CMAKE_BINARY_DIR}/=>")
  set(KYR_LEAN_RUNTIME ${CMAKE_CURRENT_LIST_DIR}/../common/runtime/lean_runtime.cpp)
endif()

function(kyr_windows_binary target)
  target_link_options(${target} PRIVATE
    -static -static-libgcc -static-libstdc++
    -Wl,--major-subsystem-version,4 -Wl,--minor-subsystem-version,0
    -Wl,--major-os-version,4 -Wl,--minor-os-version,0
    -Wl,--dynamicbase,--nxcompat $<$<CONFIG:Release>:-s>)
  if(KYR_LEAN_RUNTIME)
    # Linked as an object, not from an archive, so that its definitions come before the
    # runtime library's whatever the order in which the linker meets the references.
    target_sources(${target} PRIVATE ${KYR_LEAN_RUNTIME})
    target_link_options(${target} PRIVATE -Wl,--gc-sections -Wl,--no-insert-timestamp)
  endif()
  # Every deliverable goes next to the others so that the media assembly can pick them up.
  set_target_properties(${target} PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin
    LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin
    PREFIX "")
endfunction()

# Windows unit tests run under Wine through CMAKE_CROSSCOMPILING_EMULATOR.
function(kyr_win_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main)
  target_link_options(${name} PRIVATE -static -static-libgcc -static-libstdc++)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  add_test(NAME win.${name} COMMAND ${name})
  set_tests_properties(win.${name} PROPERTIES LABELS win TIMEOUT 300 SKIP_RETURN_CODE 77)
endfunction()
