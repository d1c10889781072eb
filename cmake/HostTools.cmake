# In a cross build the tools that run while building (the description
# embedder) come from a small native sub-build of tools/host, and are known
# here by the same target names as in a native build.
include(ExternalProject)
set(host_dir ${CMAKE_BINARY_DIR}/host-tools)
ExternalProject_Add(
  host_tools
  SOURCE_DIR ${CMAKE_SOURCE_DIR}/tools/host
  BINARY_DIR ${host_dir}
  CMAKE_ARGS -DMV_SOURCE_DIR=${CMAKE_SOURCE_DIR} -DCMAKE_BUILD_TYPE=Release
             -DCMAKE_CXX_COMPILER=c++
  CMAKE_GENERATOR ${CMAKE_GENERATOR}
  BUILD_ALWAYS ON
  BUILD_BYPRODUCTS ${host_dir}/embed_resources
  INSTALL_COMMAND "")
add_executable(embed_resources IMPORTED GLOBAL)
set_target_properties(embed_resources PROPERTIES IMPORTED_LOCATION ${host_dir}/embed_resources)
