# Installs the codec and builds a consumer project against it, as a user of the installed package
# would: with find_package(Pdf417), and with pkg-config. Run with -P and
#   BUILD_DIR    the build tree to install (KIND=tree), whose compiler and generator are used
#   SOURCE_DIR   the consumer project (tests/package/consumer)
#   WORK_DIR     a scratch folder, emptied first
#   KIND         tree: install BUILD_DIR, which is static or shared as it was configured;
#                other: configure and build the library of the other kind (shared for a static
#                tree) from the same sources, unoptimised, and install that.
# A shared library must have a SONAME and export the public API alone; the version macros must
# match the library's Version() and, for the tree, `pdf417 --version`.
cmake_minimum_required(VERSION 3.22)
get_filename_component(root ${SOURCE_DIR}/../../.. ABSOLUTE)
set(prefix ${WORK_DIR}/prefix)
file(REMOVE_RECURSE ${WORK_DIR})

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(rc)
    message(FATAL_ERROR "failed (${rc}): ${ARGN}\n${out}")
  endif()
  set(out "${out}" PARENT_SCOPE)
endfunction()

load_cache(${BUILD_DIR} READ_WITH_PREFIX tree_ CMAKE_CXX_COMPILER CMAKE_GENERATOR BUILD_SHARED_LIBS
           CMAKE_CXX_COMPILER_LAUNCHER HELP2MAN PDF417_BUILD_PYTHON Python3_EXECUTABLE
           PDF417_PYTHON_INSTALL_DIR)
set(shared ${tree_BUILD_SHARED_LIBS})
if(KIND STREQUAL "other")
  if(shared)
    set(shared OFF)
  else()
    set(shared ON)
  endif()
  run(${CMAKE_COMMAND} -S ${root} -B ${WORK_DIR}/library -G ${tree_CMAKE_GENERATOR}
      -DCMAKE_CXX_COMPILER=${tree_CMAKE_CXX_COMPILER} -DBUILD_SHARED_LIBS=${shared}
      "-DCMAKE_CXX_COMPILER_LAUNCHER=${tree_CMAKE_CXX_COMPILER_LAUNCHER}"
      -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG=-O0 -DPDF417_BUILD_TESTS=OFF
      -DPDF417_BUILD_APP=OFF -DPDF417_BUILD_PYTHON=OFF)
  run(${CMAKE_COMMAND} --build ${WORK_DIR}/library --target pdf417 --parallel 2)
  run(${CMAKE_COMMAND} --install ${WORK_DIR}/library --prefix ${prefix} --component library)
else()
  run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})
endif()

# find_package(Pdf417)
run(${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${WORK_DIR}/consumer -G ${tree_CMAKE_GENERATOR}
    -DCMAKE_CXX_COMPILER=${tree_CMAKE_CXX_COMPILER} -DCMAKE_PREFIX_PATH=${prefix}
    -DCMAKE_BUILD_TYPE=Release)
run(${CMAKE_COMMAND} --build ${WORK_DIR}/consumer)
run(${WORK_DIR}/consumer/consumer)
set(versions "${out}")

# pkg-config, as a Makefile would use it: compile and link in one command line.
file(GLOB_RECURSE pc ${prefix}/*/pdf417.pc)
get_filename_component(pc_dir "${pc}" DIRECTORY)
find_program(pkg_config pkg-config REQUIRED)
set(ENV{PKG_CONFIG_PATH} ${pc_dir})
run(${pkg_config} --cflags --libs pdf417)
separate_arguments(flags UNIX_COMMAND "${out}")
run(${tree_CMAKE_CXX_COMPILER} -std=c++17 ${SOURCE_DIR}/main.cpp ${flags} -o ${WORK_DIR}/pc-consumer)
run(${CMAKE_COMMAND} -E env LD_LIBRARY_PATH=${prefix}/lib ${WORK_DIR}/pc-consumer)

file(GLOB libraries ${prefix}/lib*/libpdf417.* ${prefix}/lib*/*/libpdf417.*)
if(shared)
  file(GLOB library ${prefix}/lib*/libpdf417.so.*.*.* ${prefix}/lib*/*/libpdf417.so.*.*.*)
  run(objdump -p ${library})
  if(NOT out MATCHES "SONAME +libpdf417\\.so\\.[0-9.]+\n")
    message(FATAL_ERROR "${library} has no SONAME:\n${out}")
  endif()
  # Every exported symbol is one of the public API's, and every function of the public API is
  # exported.
  run(nm -D --defined-only -C ${library})
  string(REGEX MATCHALL "[^\n]+" lines "${out}")
  set(exported)
  foreach(line ${lines})
    string(REGEX REPLACE "^[0-9a-f]+ [A-Za-z] " "" name "${line}")
    string(REGEX REPLACE "(\\[abi:[a-z0-9]+\\])?\\(.*" "" name "${name}")
    list(APPEND exported "${name}")
  endforeach()
  list(REMOVE_DUPLICATES exported)
  list(SORT exported)
  set(public pdf417::CheckOptions pdf417::CompactOptimal pdf417::Decode pdf417::DecodePdf417
      pdf417::EciCharset pdf417::Encode pdf417::EncodePdf417 pdf417::EncodePdf417ToImage
      pdf417::FormatOfFileName pdf417::LargestFittingPrefix pdf417::RasterOf
      pdf417::RecommendedLevel pdf417::RenderBmp pdf417::RenderImage pdf417::RenderPng
      pdf417::RenderSvg pdf417::Version pdf417::WriteWholeFile "typeinfo for pdf417::Error"
      "typeinfo name for pdf417::Error" "vtable for pdf417::Error")
  list(SORT public)
  if(NOT exported STREQUAL public)
    list(JOIN exported "\n  " e)
    list(JOIN public "\n  " p)
    message(FATAL_ERROR "exported:\n  ${e}\nexpected:\n  ${p}")
  endif()
elseif(NOT libraries MATCHES "libpdf417\\.a" OR libraries MATCHES "\\.so")
  message(FATAL_ERROR "a static build installs libpdf417.a alone, not: ${libraries}")
endif()

if(NOT KIND STREQUAL "other")
  run(${prefix}/bin/pdf417 --version)
  string(REGEX MATCH "[0-9]+\\.[0-9]+\\.[0-9]+" cli_version "${out}")
  if(NOT versions MATCHES "version ${cli_version}\n")
    message(FATAL_ERROR "pdf417 --version says ${cli_version}, the headers: ${versions}")
  endif()
  # The tool comes with its bash completion and, when help2man made it, its manual page.
  set(installed ${prefix}/share/bash-completion/completions/pdf417)
  if(tree_HELP2MAN)
    list(APPEND installed ${prefix}/share/man/man1/pdf417.1)
  endif()
  foreach(file ${installed})
    if(NOT EXISTS ${file})
      message(FATAL_ERROR "${file} was not installed")
    endif()
  endforeach()
  # The Python package, where cmake --install put it.
  if(tree_PDF417_BUILD_PYTHON)
    run(${CMAKE_COMMAND} -E env PYTHONPATH=${prefix}/${tree_PDF417_PYTHON_INSTALL_DIR}
        ${tree_Python3_EXECUTABLE} -c "import pdf417\nprint('version', pdf417.__version__)")
    if(NOT out MATCHES "version ${cli_version}
")
      message(FATAL_ERROR "the installed Python package says ${out}")
    endif()
  endif()
endif()
message(STATUS "${KIND} ${shared}: ${libraries}")
