# The C libraries of a cross build (libjpeg-turbo, FreeType, zlib and libpng),
# built as static libraries from the Debian source packages of the versions
# the Linux build uses, which tools/cross/deps.sh fetched into
# MV_DEPS_CACHE/src. The sub-build cmake/cross-libraries builds them with
# ExternalProject into MV_DEPS_CACHE/TARGET/TOOLCHAIN/install, at configure
# time, since find_package needs them then. Its stamps keep the result: a machine
# builds each library once per toolchain and source version, and every later
# configure of any build folder finds it built in a second.
include_guard(GLOBAL)
include(${CMAKE_CURRENT_LIST_DIR}/toolchains/CrossCache.cmake)

# The folder in SRC that holds the fetched source package NAME at VERSION (no
# epoch): that version's, or where the archive no longer served it, the newest
# fetched revision of the same upstream version (as deps.sh chose); empty
# when there is none.
function(mv_cross_source_folder out src name version)
  string(REGEX REPLACE "-[^-]*$" "" upstream "${version}")
  set(folder "")
  if(EXISTS ${src}/${name}-${version}/.complete)
    set(folder ${src}/${name}-${version})
  else()
    file(GLOB marks ${src}/${name}-${upstream}-*/.complete)
    if(marks)
      list(SORT marks COMPARE NATURAL ORDER DESCENDING)
      list(GET marks 0 mark)
      get_filename_component(folder ${mark} DIRECTORY)
    endif()
  endif()
  set(${out} "${folder}" PARENT_SCOPE)
endfunction()

# The fetched source folder behind an installed Debian binary package.
function(mv_cross_source out binary_package)
  execute_process(
    COMMAND dpkg-query -W "-f=\${source:Package} \${source:Version}" ${binary_package}
    OUTPUT_VARIABLE found
    RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0 OR NOT found MATCHES "^([^ ]+) (.+)$")
    message(FATAL_ERROR "${binary_package} is not installed: run tools/cross/deps.sh first")
  endif()
  set(name ${CMAKE_MATCH_1})
  string(REGEX REPLACE "^[0-9]+:" "" version "${CMAKE_MATCH_2}")
  mv_cross_source_folder(folder ${MV_DEPS_CACHE}/src ${name} ${version})
  if(NOT folder)
    message(FATAL_ERROR "No source of ${name} ${version} in ${MV_DEPS_CACHE}/src: "
                        "run tools/cross/deps.sh first")
  endif()
  set(${out} ${folder} PARENT_SCOPE)
endfunction()

# Builds the libraries for TARGET (mingw64 or wasm; SIMD code where the
# target has it) and adds their prefix to the places find_package searches.
function(mv_cross_libraries target)
  cmake_parse_arguments(ARG "" "SIMD" "" ${ARGN})
  foreach(package jpeg:libjpeg62-turbo-dev freetype:libfreetype-dev zlib:zlib1g-dev
                  png:libpng-dev)
    string(REPLACE ":" ";" package ${package})
    list(GET package 0 key)
    list(GET package 1 binary)
    mv_cross_source(source_${key} ${binary})
  endforeach()

  # A new compiler gets libraries of its own.
  set(toolchain ${CMAKE_C_COMPILER_ID}-${CMAKE_C_COMPILER_VERSION})
  if(EMSCRIPTEN)
    set(toolchain emscripten-${MV_EMSCRIPTEN_VERSION})
  endif()
  set(dir ${MV_DEPS_CACHE}/${target}/${toolchain})
  set(prefix ${dir}/install)

  # Build folders of other clones may configure at the same time.
  file(MAKE_DIRECTORY ${dir})
  file(LOCK ${dir} DIRECTORY GUARD FUNCTION TIMEOUT 3600)

  # The sub-build and the toolchain files are copied into the cache first, so
  # that every clone (CI's among them) builds in the same folder from the same
  # paths; a copy is rewritten only when its contents change.
  set(recipe ${dir}/recipe)
  file(GLOB_RECURSE files RELATIVE ${CMAKE_SOURCE_DIR}/cmake ${CMAKE_SOURCE_DIR}/cmake/cross-libraries/*
       ${CMAKE_SOURCE_DIR}/cmake/toolchains/*)
  foreach(file ${files})
    configure_file(${CMAKE_SOURCE_DIR}/cmake/${file} ${recipe}/${file} COPYONLY)
  endforeach()
  get_filename_component(toolchain_file ${CMAKE_TOOLCHAIN_FILE} NAME)

  string(TIMESTAMP start "%s")
  execute_process(
    COMMAND
      ${CMAKE_COMMAND} -S ${recipe}/cross-libraries -B ${dir}/build -G ${CMAKE_GENERATOR}
      -DMV_TOOLCHAIN_FILE=${recipe}/toolchains/${toolchain_file} -DMV_PREFIX=${prefix}
      -DMV_SIMD=${ARG_SIMD} -DMV_EM_CACHE=${MV_EM_CACHE}
      -DMV_EMSCRIPTEN_VERSION=${MV_EMSCRIPTEN_VERSION} -DMV_JPEG_SOURCE=${source_jpeg}
      -DMV_FREETYPE_SOURCE=${source_freetype} -DMV_ZLIB_SOURCE=${source_zlib}
      -DMV_PNG_SOURCE=${source_png}
    OUTPUT_VARIABLE log
    ERROR_VARIABLE log
    RESULT_VARIABLE rc)
  if(rc EQUAL 0)
    execute_process(COMMAND ${CMAKE_COMMAND} --build ${dir}/build OUTPUT_VARIABLE log
                    ERROR_VARIABLE log RESULT_VARIABLE rc)
  endif()
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "Building the cross libraries in ${dir} failed:\n${log}")
  endif()
  string(TIMESTAMP end "%s")
  math(EXPR seconds "${end} - ${start}")
  if(seconds GREATER 5)
    message(NOTICE "Built libjpeg-turbo, FreeType, zlib and libpng for ${target} in ${seconds} s")
  endif()
  message(STATUS "Cross libraries: ${prefix}")
  set(MV_CROSS_PREFIX ${prefix} PARENT_SCOPE)
  list(APPEND CMAKE_FIND_ROOT_PATH ${prefix})
  set(CMAKE_FIND_ROOT_PATH ${CMAKE_FIND_ROOT_PATH} PARENT_SCOPE)
endfunction()
