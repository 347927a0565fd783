# Reads a compiled help file back with chmls and compares it with the pages
# it was made from.
#   -DCHMLS=<chmls> -DICONV=<iconv> -DCHM=<velmo.chm> -DHELP_SOURCE_DIR=<help/>
#   -DWORK_DIR=<scratch dir>
cmake_minimum_required(VERSION 3.25)

foreach(var CHMLS ICONV CHM HELP_SOURCE_DIR WORK_DIR)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "check_chm.cmake needs -D${var}=...")
  endif()
endforeach()
if(NOT EXISTS "${CHM}")
  message(FATAL_ERROR "The help file ${CHM} has not been built")
endif()

set(failures "")
macro(fail text)
  list(APPEND failures "${text}")
endmacro()

# What the archive holds: one "/name" per line, after chmls' banner.
execute_process(
  COMMAND "${CHMLS}" --name-only list "${CHM}"
  OUTPUT_VARIABLE listing
  ERROR_VARIABLE listing_errors
  RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "chmls could not list ${CHM} (exit ${rc})")
endif()
string(REGEX MATCHALL "(^|\n)/[^\n]*" entries "${listing}")
set(archived "")
foreach(entry IN LISTS entries)
  string(STRIP "${entry}" entry)
  string(REGEX REPLACE "^/" "" entry "${entry}")
  list(APPEND archived "${entry}")
endforeach()

file(GLOB pages RELATIVE "${HELP_SOURCE_DIR}" "${HELP_SOURCE_DIR}/*.html")
list(LENGTH pages page_count)
if(page_count LESS 5)
  fail("only ${page_count} HTML pages found in ${HELP_SOURCE_DIR}")
endif()

foreach(name IN LISTS pages ITEMS velmo.hhc velmo.hhk velmo.css)
  if(NOT name IN_LIST archived)
    fail("${name} is missing from the help file")
  endif()
endforeach()

# The titles of a table of contents or an index, in order.
function(sitemap_names text out)
  string(REGEX MATCHALL "name=\"Name\" value=\"[^\"]*\"" params "${text}")
  set(names "")
  foreach(param IN LISTS params)
    string(REGEX REPLACE ".*value=\"([^\"]*)\"" "\\1" name "${param}")
    list(APPEND names "${name}")
  endforeach()
  set(${out} "${names}" PARENT_SCOPE)
endfunction()

# The table of contents as the viewer sees it. Viewers read it in Shift-JIS,
# the code page of a Japanese help file: read that way it must give the
# titles written in help/velmo.hhc. Every page has an entry, and every entry
# leads to a page that is there.
file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}")
execute_process(
  COMMAND "${CHMLS}" extracttoc "${CHM}" "${WORK_DIR}/toc.hhc"
  RESULT_VARIABLE rc
  OUTPUT_QUIET ERROR_QUIET)
if(NOT rc EQUAL 0 OR NOT EXISTS "${WORK_DIR}/toc.hhc")
  fail("no table of contents could be read from the help file")
else()
  execute_process(
    COMMAND "${ICONV}" -f CP932 -t UTF-8 "${WORK_DIR}/toc.hhc"
    OUTPUT_VARIABLE toc
    RESULT_VARIABLE rc
    ERROR_QUIET)
  if(NOT rc EQUAL 0)
    fail("the table of contents is not valid Shift-JIS")
  endif()
  file(READ "${HELP_SOURCE_DIR}/velmo.hhc" source_toc)
  sitemap_names("${toc}" titles)
  sitemap_names("${source_toc}" source_titles)
  if(NOT titles STREQUAL source_titles)
    list(JOIN titles ", " read_text)
    list(JOIN source_titles ", " source_text)
    fail("the table of contents reads (${read_text}) in Shift-JIS, not (${source_text})")
  endif()

  string(REGEX MATCHALL "name=\"Local\" value=\"[^\"]*\"" locals "${toc}")
  set(toc_targets "")
  foreach(local IN LISTS locals)
    string(REGEX REPLACE ".*value=\"([^\"#]*).*" "\\1" target "${local}")
    list(APPEND toc_targets "${target}")
    if(NOT target IN_LIST archived)
      fail("the table of contents points to ${target}, which the help file lacks")
    endif()
  endforeach()
  foreach(page IN LISTS pages)
    if(NOT page IN_LIST toc_targets)
      fail("${page} has no entry in the table of contents")
    endif()
  endforeach()
  list(LENGTH titles title_count)
  list(LENGTH locals local_count)
  if(NOT title_count EQUAL local_count)
    fail("the table of contents has ${local_count} entries but ${title_count} titles")
  endif()
endif()

# The index: every keyword leads to a page that is there.
execute_process(
  COMMAND "${CHMLS}" extractindex "${CHM}" "${WORK_DIR}/index.hhk"
  RESULT_VARIABLE rc
  OUTPUT_QUIET ERROR_QUIET)
if(NOT rc EQUAL 0 OR NOT EXISTS "${WORK_DIR}/index.hhk")
  fail("no index could be read from the help file")
else()
  file(READ "${WORK_DIR}/index.hhk" index)
  string(REGEX MATCHALL "name=\"Local\" value=\"[^\"]*\"" locals "${index}")
  list(LENGTH locals keyword_count)
  if(keyword_count EQUAL 0)
    fail("the index has no keywords")
  endif()
  foreach(local IN LISTS locals)
    string(REGEX REPLACE ".*value=\"([^\"#]*).*" "\\1" target "${local}")
    if(NOT target IN_LIST archived)
      fail("the index points to ${target}, which the help file lacks")
    endif()
  endforeach()
endif()

# Every page as stored: declared as UTF-8 and with no link to a missing file.
foreach(page IN LISTS pages)
  execute_process(
    COMMAND "${CHMLS}" extract "${CHM}" "/${page}" "${WORK_DIR}/${page}"
    OUTPUT_QUIET ERROR_QUIET)
  if(NOT EXISTS "${WORK_DIR}/${page}")
    continue()  # already reported as missing
  endif()
  file(READ "${WORK_DIR}/${page}" html)
  file(READ "${HELP_SOURCE_DIR}/${page}" source_html)
  if(NOT html STREQUAL source_html)
    fail("${page} in the help file differs from help/${page}")
  endif()
  if(NOT html MATCHES "charset=UTF-8")
    fail("${page} does not declare its encoding as UTF-8")
  endif()
  if(NOT html MATCHES "<title>[^<]+</title>")
    fail("${page} has no title")
  endif()
  string(REGEX MATCHALL "(href|src)=\"[^\"]*\"" links "${html}")
  foreach(link IN LISTS links)
    string(REGEX REPLACE "^[a-z]+=\"([^\"#]*).*" "\\1" target "${link}")
    if(target STREQUAL "" OR target MATCHES "^[a-z]+:")
      continue()  # an anchor on the same page, or an outside address
    endif()
    if(NOT target IN_LIST archived)
      fail("${page} links to ${target}, which the help file lacks")
    endif()
  endforeach()
endforeach()

if(failures)
  list(JOIN failures "\n  " text)
  message(FATAL_ERROR "The help file is incomplete:\n  ${text}")
endif()
list(LENGTH archived archived_count)
message(STATUS "velmo.chm holds all ${page_count} pages, the table of contents and the index (${archived_count} entries)")
