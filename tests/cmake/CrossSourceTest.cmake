# Which fetched source folder a cross build takes for a Debian package: the
# installed version's; else the newest fetched revision of the same upstream
# version, revisions compared as numbers (deb12u10 after deb12u9); never
# another upstream version, nor a folder whose fetch did not finish.
# Run with cmake -DWORK=DIR -P.
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/CrossLibraries.cmake)
set(src ${WORK}/src)
file(REMOVE_RECURSE ${src})
foreach(folder libpng1.6-1.6.39-2+deb12u5 libpng1.6-1.6.39-2+deb12u10 libpng1.6-1.6.40-1
               zlib-1.2.13.dfsg-1)
  file(WRITE ${src}/${folder}/.complete "")
endforeach()
file(MAKE_DIRECTORY ${src}/freetype-2.12.1+dfsg-5+deb12u4)

function(expect name version wanted)
  mv_cross_source_folder(got ${src} ${name} ${version})
  if(NOT "${got}" STREQUAL "${wanted}")
    message(SEND_ERROR "${name} ${version}: took '${got}', expected '${wanted}'")
  endif()
endfunction()

expect(libpng1.6 1.6.39-2+deb12u5 ${src}/libpng1.6-1.6.39-2+deb12u5)
expect(libpng1.6 1.6.39-2+deb12u4 ${src}/libpng1.6-1.6.39-2+deb12u10)
expect(zlib 1.2.13.dfsg-1 ${src}/zlib-1.2.13.dfsg-1)
expect(zlib 1.2.14-1 "")
expect(freetype 2.12.1+dfsg-5+deb12u4 "")
