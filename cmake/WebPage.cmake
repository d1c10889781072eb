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
# nearly doubling the code. What never waits is left as it is, named by
# patterns (wasm-opt warns of a pattern that matches nothing, which is how a
# changed library shows here):
# - FreeType and libjpeg never call back into code that waits: the prefixes
#   of the functions the page's link keeps from them;
# - the program's code that only computes, reads or draws and calls nothing
#   that waits: the screen reader's mirror, the journal's records, the
#   description parser, the JPEG decoder, the fonts, and the C and C++
#   libraries' formatting and file-name code.
set(never_waits
    # FreeType
    Bezier_* Compute_* Conic_* Cubic_* Current_* Direct_* Dual_* FNT_* FT_* Horizontal_* Ins_*
    IsMacResource Line_* Move_* Project Project_* Read_* Render_* Round_* Split_* TT_* Update_*
    Vertical_* Write_* _ft_lcd_filter_legacy _iup_worker_interpolate fnt_* ft_* gray_* ps_*
    psnames_* raccess_* sfnt_* tt_* winfnt_*
    # libjpeg
    access_* alloc_* arith_* build_* color_* compare_* consume_* create_* decode_* decompress_*
    destroy_* fill_* finish_* free_* fullsize_* get_* grayscale_* h1v2_* h2v1_* h2v2_* init_*
    int_* jcopy_* jdiv_* jpeg_* jround_* jzero_* load_* memory_* merged_* new_* next_* noop_*
    null_* open_* pass2_* post_* prepare_* prescan_* process_* quantize3_* quantize_* read_*
    realize_* request_* reset_* rgb_* self_* sep_* skip_* start_* update_* ycc_* ycck_*
    # The program's own
    "tk::platform::web::DomMirror::*" "tk::AccessibilityPublisher::*"
    "tk::(anonymous namespace)::Builder::*" "tk::DiffAccessibleTrees*"
    "tk::platform::web::Journal::*" "tk::platform::web::JournalRecord::*"
    "tk::(anonymous namespace)::Parser::*" "tk::(anonymous namespace)::Decoder::*"
    "tk::TJPEGImage::*" "tk::Font::*" "tk::(anonymous namespace)::FreeTypeFont::*"
    "tk::(anonymous namespace)::OpenFace::*" "std::__2::__fs::filesystem::*" printf_core fmt_fp)
list(JOIN never_waits "\n" never_waits)
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/asyncify-remove.txt CONTENT "${never_waits}\n")
# The page has no file system: its loader hands the program the files it
# fetched (Module.mv.putFile), which saves emscripten's file system code, the
# largest part of its JavaScript. emmalloc is the smaller allocator.
target_link_options(mirvolant_web PRIVATE
  -Oz -sASYNCIFY -sASYNCIFY_IMPORTS=[mv_sleep] -sASYNCIFY_STACK_SIZE=${MV_WEB_ASYNCIFY_STACK}
  -sASYNCIFY_REMOVE=@${CMAKE_BINARY_DIR}/asyncify-remove.txt
  -sENVIRONMENT=web -sEXIT_RUNTIME=1 -sFILESYSTEM=0 -sMALLOC=emmalloc
  -sEXPORTED_RUNTIME_METHODS=addRunDependency,removeRunDependency)

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
