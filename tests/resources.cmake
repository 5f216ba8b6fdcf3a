# Checks the committed icon and Windows resource script; included from tests/CMakeLists.txt.
get_filename_component(TEVROLIN_RESOURCE_DIR "${CMAKE_CURRENT_LIST_DIR}/../app/resources" ABSOLUTE)
add_executable(resources_test ${CMAKE_CURRENT_LIST_DIR}/resources_test.cpp)
target_link_libraries(resources_test PRIVATE GTest::gtest_main GTest::gmock)
target_compile_definitions(resources_test PRIVATE TEVROLIN_RESOURCE_DIR="${TEVROLIN_RESOURCE_DIR}")
gtest_discover_tests(resources_test)
