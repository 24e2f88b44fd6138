# Our readers against the peer library xylib (Debian libxy-dev) on the real samples; built only where xylib is
# installed. Included from tests/CMakeLists.txt.
find_path(XYLIB_INCLUDE_DIR xylib/xylib.h)
find_library(XYLIB_LIBRARY xy)
if(XYLIB_INCLUDE_DIR AND XYLIB_LIBRARY)
  add_executable(test_import_xylib ${CMAKE_CURRENT_LIST_DIR}/xylib/xylib_compare_test.cpp)
  target_include_directories(test_import_xylib PRIVATE ${XYLIB_INCLUDE_DIR})
  target_link_libraries(test_import_xylib PRIVATE xrddata_testsupport ${XYLIB_LIBRARY} GTest::gtest_main)
  target_compile_options(test_import_xylib PRIVATE -Wall -Wextra)
  gtest_discover_tests(test_import_xylib DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "XRDDATA_USER_REGISTRY=${CMAKE_CURRENT_BINARY_DIR}/unused-user.reg;XRDDATA_SYSTEM_REGISTRY=${CMAKE_CURRENT_BINARY_DIR}/unused-system.reg")
endif()
