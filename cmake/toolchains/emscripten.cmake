# Cross-compiling for the browser with Debian's emscripten; tests run under
# node. Debian's emscripten keeps a read-only cache of its system libraries,
# so emcc runs with a cache of the project's own (MV_EM_CACHE, from
# tools/cross/deps.sh) and with Debian's node modules on NODE_PATH, at
# configure time and for every compile and link.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES MV_DEPS_PREFIXES MV_EM_CACHE)
if(NOT MV_EM_CACHE)
  message(FATAL_ERROR "MV_EM_CACHE is not set: configure with tools/cross/deps.sh's cache")
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

list(APPEND CMAKE_FIND_ROOT_PATH ${MV_DEPS_PREFIXES})
foreach(lang C CXX)
  set(CMAKE_${lang}_COMPILER_LAUNCHER env ${mv_em_env})
  set(CMAKE_${lang}_LINKER_LAUNCHER env ${mv_em_env})
endforeach()
