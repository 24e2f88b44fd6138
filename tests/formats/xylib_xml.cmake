# The XRDML reader compared value by value with the peer library xylib on the real sample it reads. Built only
# where xylib is installed (Debian libxy-dev); included from tests/CMakeLists.txt.
find_path(XYLIB_INCLUDE_DIR xylib/xylib.h)
find_library(XYLIB_LIBRARY xy)
if(XYLIB_INCLUDE_DIR AND XYLIB_LIBRARY)
  add_executable(test_formats_xylib_xml ${CMAKE_CURRENT_LIST_DIR}/xylib/xrdml_xylib_test.cpp)
  target_include_directories(test_formats_xylib_xml PRIVATE ${XYLIB_INCLUDE_DIR})
  target_link_libraries(test_formats_xylib_xml PRIVATE xrddata_testsupport ${XYLIB_LIBRARY} GTest::gtest_main)
  target_compile_options(test_formats_xylib_xml PRIVATE -Wall -Wextra)
  gtest_discover_tests(test_formats_xylib_xml DISCOVERY_TIMEOUT 60)
endif()
