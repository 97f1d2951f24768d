# Tests of what is installed, registered at the top level (tests/CMakeLists.txt has the package
# test of the tree's own library kind).

# The other library kind (shared for a static tree), built unoptimised from the same sources and
# consumed like the tree's (tests/package/check.cmake). Not under sanitizers: the consumer is
# plain.
if(NOT PDF417_SANITIZE AND NOT PDF417_TSAN AND NOT PDF417_FUZZ)
  add_test(NAME package.other_library_kind COMMAND ${CMAKE_COMMAND}
    -DBUILD_DIR=${CMAKE_BINARY_DIR} -DSOURCE_DIR=${PROJECT_SOURCE_DIR}/tests/package/consumer
    -DWORK_DIR=${CMAKE_BINARY_DIR}/tests/package-other -DKIND=other
    -P ${PROJECT_SOURCE_DIR}/tests/package/check.cmake)
  set_tests_properties(package.other_library_kind PROPERTIES TIMEOUT 600)
endif()
