# The Bruker raw readers compared value by value with the peer library xylib on the real samples. Built only where
# xylib is installed (Debian libxy-dev); included from tests/CMakeLists.txt.
find_path(XYLIB_INCLUDE_DIR xylib/xylib.h)
find_library(XYLIB_LIBRARY xy)
if(XYLIB_INCLUDE_DIR AND XYLIB_LIBRARY)
  file(GLOB XRDDATA_XYLIB_TESTS CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/xylib/*.cpp)
  add_executable(test_import_xylib ${XRDDATA_XYLIB_TESTS})
  target_include_directories(test_import_xylib PRIVATE ${XYLIB_INCLUDE_DIR} ${CMAKE_CURRENT_LIST_DIR})
  target_link_libraries(test_import_xylib PRIVATE xrddata_testsupport ${XYLIB_LIBRARY} GTest::gtest_main)
  target_compile_options(test_import_xylib PRIVATE -Wall -Wextra)
  gtest_discover_tests(test_import_xylib DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "XRDDATA_USER_REGISTRY=${CMAKE_CURRENT_BINARY_DIR}/unused-user.reg;XRDDATA_SYSTEM_REGISTRY=${CMAKE_CURRENT_BINARY_DIR}/unused-system.reg")
endif()
