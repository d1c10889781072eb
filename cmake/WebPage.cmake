# The program in a browser: build-web/site/ holds the whole static page:
# index.html, mirvolant.js and mirvolant.wasm, the dialog face with its notice,
# the web app manifest with its icons, and the service worker that caches all
# of it for offline play.
set(MV_WEB_SITE ${CMAKE_BINARY_DIR}/site)

# The font code registers only the FreeType modules of the faces it reads
# (TrueType, and Windows' raster fonts), and the others stay out of the page
# and of the tests under node, which use the same library.
target_compile_definitions(mv_paint PRIVATE MV_FREETYPE_FACE_MODULES=1)

# The page's program reads the clue picture from a file the page fetches
# after its first frame (resources/CMakeLists.txt).
mv_app_library(mv_app_page mv_resources_page)
add_executable(mirvolant_web app/WebMain.cpp)
target_link_libraries(mirvolant_web PRIVATE mv_app_page mv_web mv_browser)
set_target_properties(mirvolant_web PROPERTIES OUTPUT_NAME mirvolant
                                               RUNTIME_OUTPUT_DIRECTORY ${MV_WEB_SITE})
# Size: the compiled code is optimised for size (wasm-opt -Oz) and carries
# no names.
# Asyncify lets the program wait inside nested modal loops; it unwinds
# through the calls of the toolkit's handlers, whose frames it keeps in a
# buffer that deep nesting (three missions, each inside a handler) needs
# larger than the default. The program ends with its exit code, which the
# page shows.
# Asyncify instruments every function that might be on the stack while the
# program waits, which is every function that calls through a pointer:
# nearly doubling the code. FreeType and libjpeg never call back into code
# that waits, so their functions, named from the libraries' symbols, are
# left as they are (about 100 KB less WebAssembly, 30 KB less gzip).
find_program(MV_LLVM_NM NAMES llvm-nm llvm-nm-14 REQUIRED)
execute_process(COMMAND ${MV_LLVM_NM} --defined-only ${MV_CROSS_PREFIX}/lib/libfreetype.a
                        ${MV_CROSS_PREFIX}/lib/libjpeg.a
                OUTPUT_VARIABLE symbols RESULT_VARIABLE rc ERROR_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "llvm-nm could not read the symbols of FreeType and libjpeg")
endif()
string(REGEX MATCHALL "[^\n]+ [Tt] [A-Za-z_][A-Za-z0-9_]*" functions "${symbols}")
list(TRANSFORM functions REPLACE "^.* [Tt] " "\"")
list(TRANSFORM functions APPEND "\"")
list(REMOVE_DUPLICATES functions)
list(JOIN functions "," functions)
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/asyncify-remove.json CONTENT "[${functions}]\n")
target_link_options(mirvolant_web PRIVATE
  -Oz -sASYNCIFY -sASYNCIFY_IMPORTS=[mv_sleep] -sASYNCIFY_STACK_SIZE=${MV_WEB_ASYNCIFY_STACK}
  -sASYNCIFY_REMOVE=@${CMAKE_BINARY_DIR}/asyncify-remove.json
  -sENVIRONMENT=web -sEXIT_RUNTIME=1
  -sEXPORTED_RUNTIME_METHODS=FS,addRunDependency,removeRunDependency)

configure_file(${CMAKE_SOURCE_DIR}/app/web/index.html.in ${MV_WEB_SITE}/index.html @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/app/web/manifest.webmanifest.in
               ${MV_WEB_SITE}/manifest.webmanifest @ONLY)
set(icons)
foreach(size 32 48 64 128 192 256 512)
  configure_file(${CMAKE_SOURCE_DIR}/resources/icon-${size}.png ${MV_WEB_SITE}/icon-${size}.png
                 COPYONLY)
  list(APPEND icons icon-${size}.png)
endforeach()
mv_ship_dialog_face(${MV_WEB_SITE})
configure_file(${CMAKE_SOURCE_DIR}/resources/clue-picture.jpg ${MV_WEB_SITE}/clue-picture.jpg
               COPYONLY)

# The service worker names every file and a cache of this build's own (a
# hash of all of the page's files): written again whenever any of them
# changes, index.html and the icons included.
set(MV_WEB_FILES ./ index.html mirvolant.js mirvolant.wasm ms_sans_serif.ttf
                 ms_sans_serif-copyright.txt clue-picture.jpg manifest.webmanifest ${icons})
set(site_files)
foreach(file ${MV_WEB_FILES})
  if(NOT file STREQUAL "./" AND NOT file MATCHES "^mirvolant\\.")
    list(APPEND site_files ${MV_WEB_SITE}/${file})
  endif()
endforeach()
add_custom_command(
  OUTPUT ${MV_WEB_SITE}/sw.js
  COMMAND ${CMAKE_COMMAND} -DSITE=${MV_WEB_SITE} "-DFILES=${MV_WEB_FILES}"
          -DTEMPLATE=${CMAKE_SOURCE_DIR}/app/web/sw.js.in -P ${CMAKE_SOURCE_DIR}/cmake/WebWorker.cmake
  DEPENDS mirvolant_web ${site_files} ${CMAKE_SOURCE_DIR}/app/web/sw.js.in
          ${CMAKE_SOURCE_DIR}/cmake/WebWorker.cmake
  COMMENT "Writing the service worker"
  VERBATIM)
add_custom_target(mirvolant_web_worker ALL DEPENDS ${MV_WEB_SITE}/sw.js)
