# Where a cross build keeps what it makes once per machine and reuses in
# every build folder and CI run: the fetched Debian sources (src/), the
# cross-built C libraries and emscripten's system libraries. MV_DEPS_CACHE in
# the environment moves it; the default is the user's cache folder.
if(NOT MV_DEPS_CACHE)
  if(DEFINED ENV{MV_DEPS_CACHE} AND NOT "$ENV{MV_DEPS_CACHE}" STREQUAL "")
    set(mv_cache "$ENV{MV_DEPS_CACHE}")
  elseif(DEFINED ENV{XDG_CACHE_HOME} AND NOT "$ENV{XDG_CACHE_HOME}" STREQUAL "")
    set(mv_cache "$ENV{XDG_CACHE_HOME}/mirvolant/deps")
  else()
    set(mv_cache "$ENV{HOME}/.cache/mirvolant/deps")
  endif()
  set(MV_DEPS_CACHE "${mv_cache}" CACHE PATH "Cache of the cross builds' sources and libraries")
endif()
