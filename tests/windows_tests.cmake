# The suites that apply on Windows, cross-built with MinGW-w64 into one
# executable, quorvel_windows_tests.exe, that runs under Wine (`make
# test-windows`). It starts quorvel.exe itself, with CreateProcessW.

# GoogleTest from Debian's sources (package googletest): there is no
# Windows build of it to find.
set(QUORVEL_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest's sources, built for Windows")
set(BUILD_GMOCK OFF)
set(INSTALL_GTEST OFF)
set(gtest_force_shared_crt ON)
add_subdirectory(${QUORVEL_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

# Reading records, fields and numbers; every product's translation in the
# process; the run's options and faults; output sets that cannot be made;
# names the system refuses; the command's options; and the command itself
# on every sample tile, compared byte for byte with tests/e2e/expected, and
# under faults of the disk and the input.
#
# The cases of the files below that need what only POSIX has (links, file
# size limits, permissions, archives, a mapped tile shortened) are left out
# of their files here. Left out whole, as they need what only POSIX has:
#   ntf/mapped_file_test       a SIGBUS while a mapped tile shrinks
#   ntf/tile_input_test,
#   app/cli/batch_test         archives, written with libarchive (the
#                              Windows build reads none); a terminal
#   mif/set_commit_test,
#   e2e/trust_test             fork, kill and signals
#   app/cli/man_page_test      man, groff and shells' completion
#   *_gdal_test, support/gdal_reader_test   GDAL's readers
file(GLOB QUORVEL_WINDOWS_PRODUCT_TESTS CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/products/*_test.cpp)
list(FILTER QUORVEL_WINDOWS_PRODUCT_TESTS EXCLUDE REGEX "_gdal_test\\.cpp$")
add_executable(quorvel_windows_tests
  ${QUORVEL_WINDOWS_PRODUCT_TESTS}
  ntf/record_test.cpp
  ntf/windowed_list_test.cpp
  platform/naming_test.cpp
  run/made_up_product_test.cpp
  run/parallel_faults_test.cpp
  run/run_options_test.cpp
  run/run_test.cpp
  run/plan_test.cpp
  mif/output_test.cpp
  mif/output_set_commit_test.cpp
  mif/output_faults_test.cpp
  app/cli/cli_test.cpp
  e2e/examples_e2e_test.cpp
  e2e/faults_test.cpp
  support/test_support.cpp
  support/test_support_windows.cpp)
target_include_directories(quorvel_windows_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(quorvel_windows_tests PRIVATE quorvel_core quorvel_cli_lib ntfgen gtest gtest_main)
# Under Wine the host's folders are drive Z:.
target_compile_definitions(quorvel_windows_tests PRIVATE
  QUORVEL_CLI="Z:$<TARGET_FILE:quorvel>"
  QUORVEL_SOURCE_DIR="Z:${CMAKE_SOURCE_DIR}")
add_dependencies(quorvel_windows_tests quorvel)
# GCC 12 at -O3 (the Windows build is a Release build) takes copies inside
# std::string's own insert and replace for overlapping ones: a false warning
# (GCC's bug 105329, mended in GCC 13), here and in the tile generator.
target_compile_options(quorvel_windows_tests PRIVATE -Wno-restrict)
target_compile_options(ntfgen PRIVATE -Wno-restrict)

# Run under Wine (the toolchain's CMAKE_CROSSCOMPILING_EMULATOR), in a
# prefix of the build tree's own that the fixture makes (the first time,
# some seconds) or brings up to date before the tests; without the dialogs
# that offer to install Mono and Gecko.
set(QUORVEL_WINE_ENVIRONMENT
  WINEPREFIX=${CMAKE_BINARY_DIR}/wine-prefix WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=)
add_test(NAME wine_prefix COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} wineboot --init)
set_tests_properties(wine_prefix PROPERTIES ENVIRONMENT "${QUORVEL_WINE_ENVIRONMENT}" FIXTURES_SETUP wine TIMEOUT 300)
add_test(NAME quorvel_windows_tests COMMAND quorvel_windows_tests)
set_tests_properties(quorvel_windows_tests PROPERTIES ENVIRONMENT "${QUORVEL_WINE_ENVIRONMENT}"
                                                      FIXTURES_REQUIRED wine TIMEOUT 900)
