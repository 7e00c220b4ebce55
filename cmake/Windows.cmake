# The 32-bit Windows targets: the plug-in as the DLL the host program loads, and FINALE.EXE, the
# stand-in host compiled for Windows, which exports the host functions, loads the DLL and runs the
# suite that drives it. Both land at the top of the build folder.
enable_language(RC)

set(CADENTRA_WINDOWS_OUTPUT ${CMAKE_BINARY_DIR})

# ZQCadentra.dll: the six entry points by their plain names (the .def lists them and nothing
# else) and the version resource.
add_library(ZQCadentra SHARED ${PROJECT_SOURCE_DIR}/plugin/windows/ZQCadentra.def
                              ${PROJECT_SOURCE_DIR}/plugin/windows/ZQCadentra.rc)
target_link_libraries(ZQCadentra PRIVATE cadentra_plugin)
target_link_options(ZQCadentra PRIVATE $<$<CONFIG:Release>:-s>)
set_target_properties(ZQCadentra PROPERTIES
    PREFIX "" OUTPUT_NAME ZQCadentra SUFFIX ".dll"
    RUNTIME_OUTPUT_DIRECTORY ${CADENTRA_WINDOWS_OUTPUT}
    ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/lib)

# The stand-in host's Windows pieces: reading module tables and loading the plug-in.
file(GLOB HOST_WINDOWS_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/host/windows/*.cpp)
target_sources(cadentra_host PRIVATE ${HOST_WINDOWS_SOURCES})

# FINALE.EXE exports every host function the stand-in host implements under its plain name. The
# export list is made from host/HostExports.def, the one list of those functions.
set(HOST_EXPORT_LIST ${PROJECT_SOURCE_DIR}/host/HostExports.def)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${HOST_EXPORT_LIST})
file(STRINGS ${HOST_EXPORT_LIST} host_export_rows REGEX "^HOST_EXPORT\\([A-Za-z0-9_]+\\)")
set(FINALE_EXPORTS "NAME FINALE.EXE\nEXPORTS\n")
foreach(row ${host_export_rows})
    string(REGEX REPLACE "^HOST_EXPORT\\(([A-Za-z0-9_]+)\\).*" "\\1" name "${row}")
    string(APPEND FINALE_EXPORTS "    ${name}\n")
endforeach()
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/generated/FINALE.def CONTENT "${FINALE_EXPORTS}")

# FINALE.EXE is the stand-in host with the suite that loads the plug-in and drives it through its
# entry points. GoogleTest comes from the sources libgtest-dev installs, built with the cross
# compiler.
set(CADENTRA_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
add_subdirectory(${CADENTRA_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

file(GLOB WIN32_TEST_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/win32/*.cpp)
add_executable(FINALE ${WIN32_TEST_SOURCES})
target_link_options(FINALE PRIVATE ${CMAKE_BINARY_DIR}/generated/FINALE.def)
set_property(TARGET FINALE APPEND PROPERTY LINK_DEPENDS ${CMAKE_BINARY_DIR}/generated/FINALE.def)
target_include_directories(FINALE PRIVATE ${PROJECT_SOURCE_DIR}/tests)
target_link_libraries(FINALE PRIVATE cadentra_host gtest gtest_main version)
set_target_properties(FINALE PROPERTIES
    OUTPUT_NAME FINALE SUFFIX ".EXE"
    RUNTIME_OUTPUT_DIRECTORY ${CADENTRA_WINDOWS_OUTPUT})
# The suite loads the plug-in from beside itself.
add_dependencies(FINALE ZQCadentra)

# The suite runs under wine (the test preset "win32", `make test-win32`).
enable_testing()
add_test(NAME win32 COMMAND ${PROJECT_SOURCE_DIR}/scripts/run-under-wine.sh $<TARGET_FILE:FINALE>
                            --gtest_color=no)
# A machine without wine skips the suite (the script says so) rather than passing it.
set_tests_properties(win32 PROPERTIES SKIP_RETURN_CODE 77)
