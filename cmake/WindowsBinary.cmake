# Link settings every Windows binary of the product shares: static runtimes, so no
# libstdc++/libgcc/winpthread DLL is needed, and subsystem 4.0 so that the Windows 95
# and NT 4.0 loaders accept the file. A 64-bit file says 5.2: no Windows older than XP x64
# and Server 2003 x64 loads one, and 5.2 is the lowest their loaders take.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(KYR_SUBSYSTEM_MAJOR 5)
  set(KYR_SUBSYSTEM_MINOR 2)
else()
  set(KYR_SUBSYSTEM_MAJOR 4)
  set(KYR_SUBSYSTEM_MINOR 0)
endif()

if(KYR_THREAD_MODEL STREQUAL "win32")
  # The shipped tree. Nothing in it throws or catches, and nothing asks for a type at run
  # time: built without exception handling, type information and unwind tables, and with
  # one section per function so that the linker leaves out what no one calls. The runtime
  # pieces that would otherwise bring exceptions back come from common/runtime.
  #
  # Reproducible from any folder: no build path reaches the files (assertion texts and the
  # like name sources relative to the tree), and the linker writes no time stamps.
  # On x64 the unwind tables stay: there the system walks every frame by them, and takes a
  # function without one for a leaf, so a structured exception that a handler above our
  # frames would catch (the window manager's around a dialog procedure, the host's around a
  # plug-in call) could not be dispatched past them and would end the process.
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(kyr_unwind_option "")
  else()
    set(kyr_unwind_option ";-fno-asynchronous-unwind-tables")
  endif()
  add_compile_options(
    "$<$<COMPILE_LANGUAGE:C,CXX>:-ffunction-sections;-fdata-sections${kyr_unwind_option}>"
    "$<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions;-fno-rtti>"
    "$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_SOURCE_DIR}/=;-ffile-prefix-map=${CMAKE_BINARY_DIR}/=>")
  set(KYR_LEAN_RUNTIME ${CMAKE_CURRENT_LIST_DIR}/../common/runtime/lean_runtime.cpp)
endif()

function(kyr_windows_binary target)
  target_link_options(${target} PRIVATE
    -static -static-libgcc -static-libstdc++
    -Wl,--major-subsystem-version,${KYR_SUBSYSTEM_MAJOR} -Wl,--minor-subsystem-version,${KYR_SUBSYSTEM_MINOR}
    -Wl,--major-os-version,${KYR_SUBSYSTEM_MAJOR} -Wl,--minor-os-version,${KYR_SUBSYSTEM_MINOR}
    -Wl,--dynamicbase,--nxcompat $<$<CONFIG:Release>:-s>
    -Wl,-Map,${CMAKE_BINARY_DIR}/maps/$<TARGET_FILE_NAME:${target}>.map)
  # The shipped files carry no symbols; the linker's map says which function (ours or the
  # runtime's) holds each address, so that a figure read from the binaries can name the
  # function of a call site. It changes nothing in the file itself.
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/maps)
  if(KYR_LEAN_RUNTIME)
    # Linked as an object, not from an archive, so that its definitions come before the
    # runtime library's whatever the order in which the linker meets the references.
    target_sources(${target} PRIVATE ${KYR_LEAN_RUNTIME})
    if(CMAKE_SIZEOF_VOID_P EQUAL 8)
      # The x64 linker keeps every function that has an unwind table, whether called or
      # not; the runtime's string members would all stay. Without tables they are dropped
      # again, and those a binary calls only end in the allocator or abort().
      set_source_files_properties(${KYR_LEAN_RUNTIME} PROPERTIES
                                  COMPILE_OPTIONS -fno-asynchronous-unwind-tables)
    endif()
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
