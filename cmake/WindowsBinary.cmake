# Link settings every Windows binary of the product shares: static runtimes, so no
# libstdc++/libgcc/winpthread DLL is needed, and subsystem 4.0 so that the Windows 95
# and NT 4.0 loaders accept the file.
function(kyr_windows_binary target)
  target_link_options(${target} PRIVATE
    -static -static-libgcc -static-libstdc++
    -Wl,--major-subsystem-version,4 -Wl,--minor-subsystem-version,0
    -Wl,--major-os-version,4 -Wl,--minor-os-version,0
    -Wl,--dynamicbase,--nxcompat $<$<CONFIG:Release>:-s>)
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
  set_tests_properties(win.${name} PROPERTIES LABELS win TIMEOUT 300)
endfunction()
