# Writes the service worker of the page in SITE from TEMPLATE: the list of
# FILES to cache and a build id, a hash of those files and of the worker's
# own template, so that a build that changed any file of the page gets a
# cache of its own.
file(SHA256 ${TEMPLATE} hashes)
set(quoted "")
foreach(file ${FILES})
  if(NOT file STREQUAL "./")
    file(SHA256 ${SITE}/${file} hash)
    string(APPEND hashes "${hash}")
  endif()
  list(APPEND quoted "'${file}'")
endforeach()
string(SHA256 MV_WEB_BUILD_ID "${hashes}")
string(SUBSTRING ${MV_WEB_BUILD_ID} 0 16 MV_WEB_BUILD_ID)
list(JOIN quoted ", " MV_WEB_FILES)
configure_file(${TEMPLATE} ${SITE}/sw.js @ONLY)
