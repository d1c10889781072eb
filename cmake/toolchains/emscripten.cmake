# Cross-compiling for the browser with Debian's emscripten; tests run under
# node. Debian's emscripten keeps a read-only cache of its system libraries,
# so emcc runs with a cache of the project's own (MV_EM_CACHE, by default
# beside the cross libraries, one per emscripten version: building its system
# libraries takes long, and every build folder shares them) and with Debian's
# node modules on NODE_PATH, at configure time and for every compile and link.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES MV_EM_CACHE MV_EMSCRIPTEN_VERSION)
if(NOT MV_EMSCRIPTEN_VERSION)
  execute_process(COMMAND dpkg-query -W -f=\${Version} emscripten OUTPUT_VARIABLE version
                  RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "emscripten is not installed: run tools/cross/deps.sh wasm first")
  endif()
  string(REGEX REPLACE "^[0-9]+:" "" version "${version}")
  set(MV_EMSCRIPTEN_VERSION ${version} CACHE STRING "Debian's emscripten version")
endif()
if(NOT MV_EM_CACHE)
  include(${CMAKE_CURRENT_LIST_DIR}/CrossCache.cmake)
  set(MV_EM_CACHE ${MV_DEPS_CACHE}/wasm/emscripten-${MV_EMSCRIPTEN_VERSION} CACHE PATH
                  "emscripten's cache of system libraries")
endif()
set(mv_em_env EM_CACHE=${MV_EM_CACHE} EM_FROZEN_CACHE= NODE_PATH=/usr/share/nodejs)
set(ENV{EM_CACHE} ${MV_EM_CACHE})
set(ENV{EM_FROZEN_CACHE} "")
set(ENV{NODE_PATH} /usr/share/nodejs)

# Tests run under node. Node 18 and later have fetch(), which the code emcc
# 3.1.6 writes then tries on the .wasm file's path; without it, the file is
# read from disk.
find_program(NODE_JS_EXECUTABLE NAMES nodejs node)
set(CMAKE_CROSSCOMPILING_EMULATOR ${NODE_JS_EXECUTABLE} --no-experimental-fetch)

include(/usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake)

foreach(lang C CXX)
  set(CMAKE_${lang}_COMPILER_LAUNCHER env ${mv_em_env})
  set(CMAKE_${lang}_LINKER_LAUNCHER env ${mv_em_env})
endforeach()
