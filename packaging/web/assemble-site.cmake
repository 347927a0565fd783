# Puts the web page's files into SITE and writes its service worker.
#   cmake -DCONFIG=site-files.cmake -P assemble-site.cmake
# CONFIG sets SITE, COPIES (a list of "source|path in the site") and SW_IN
# (the service worker's template).
cmake_minimum_required(VERSION 3.25)

include("${CONFIG}")

foreach(pair IN LISTS COPIES)
  string(REPLACE "|" ";" parts "${pair}")
  list(GET parts 0 source)
  list(GET parts 1 target)
  get_filename_component(dir "${SITE}/${target}" DIRECTORY)
  file(MAKE_DIRECTORY "${dir}")
  file(COPY_FILE "${source}" "${SITE}/${target}" ONLY_IF_DIFFERENT)
endforeach()

# Every file of the page but the worker itself, and the folder's own address
# (where the page is opened); the cache name changes with any of them.
file(GLOB_RECURSE files RELATIVE "${SITE}" "${SITE}/*")
list(REMOVE_ITEM files sw.js)
list(SORT files)
set(digests "")
set(listed "  \"./\"")
foreach(f IN LISTS files)
  file(SHA256 "${SITE}/${f}" digest)
  string(APPEND digests "${f} ${digest}\n")
  string(APPEND listed ",\n  \"${f}\"")
endforeach()
string(SHA256 hash "${digests}")
string(SUBSTRING "${hash}" 0 16 VELMO_SITE_HASH)
set(VELMO_SITE_FILES "${listed}")
configure_file("${SW_IN}" "${SITE}/sw.js.new" @ONLY)
file(COPY_FILE "${SITE}/sw.js.new" "${SITE}/sw.js" ONLY_IF_DIFFERENT)
file(REMOVE "${SITE}/sw.js.new")
