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

# The Python package installed with pip into a fresh virtual environment, offline, from the
# module this tree built (tests/python/test_install.py).
if(TARGET pdf417_python)
  add_test(NAME python.install
    COMMAND ${Python3_EXECUTABLE} -m pytest -q -p no:cacheprovider -rs
            ${PROJECT_SOURCE_DIR}/tests/python/test_install.py)
  set_tests_properties(python.install PROPERTIES TIMEOUT 300 ENVIRONMENT
    "PDF417_CMAKE_BUILD_DIR=${CMAKE_BINARY_DIR};PDF417_CLI=$<TARGET_FILE:pdf417_cli>;PYTHONDONTWRITEBYTECODE=1")
endif()

# The bash completion installed with the command-line tool.
add_test(NAME cli.bash_completion COMMAND bash ${PROJECT_SOURCE_DIR}/tests/package/completion.sh
  $<TARGET_FILE:pdf417_cli> ${PROJECT_SOURCE_DIR}/packaging/pdf417-completion.bash)
