# Publishes the help for the web page: the pages and their style sheet as
# they are (UTF-8), and the help file's contents (velmo.hhc) and keyword
# index (velmo.hhk) as plain pages of links, contents.html and keywords.html.
# Each page's navigation line leads to both.
#   cmake -DSOURCE_DIR=help -DOUTPUT_DIR=site/help -DPAGES=a.html,b.html -P publish-web.cmake
cmake_minimum_required(VERSION 3.25)

string(REPLACE "," ";" pages "${PAGES}")
file(MAKE_DIRECTORY "${OUTPUT_DIR}")
file(COPY_FILE "${SOURCE_DIR}/velmo.css" "${OUTPUT_DIR}/velmo.css" ONLY_IF_DIFFERENT)

set(nav_from "<p class=\"nav\"><a href=\"index.html\">目次</a>")
set(nav_to "<p class=\"nav\"><a href=\"contents.html\">目次</a> ｜ <a href=\"keywords.html\">索引</a> ｜ <a href=\"index.html\">概要</a>")
foreach(page IN LISTS pages)
  file(READ "${SOURCE_DIR}/${page}" html)
  string(FIND "${html}" "${nav_from}" at)
  if(at LESS 0)
    message(FATAL_ERROR "${page} has no navigation line (${nav_from}...)")
  endif()
  string(REPLACE "${nav_from}" "${nav_to}" html "${html}")
  file(WRITE "${OUTPUT_DIR}/${page}.new" "${html}")
  file(COPY_FILE "${OUTPUT_DIR}/${page}.new" "${OUTPUT_DIR}/${page}" ONLY_IF_DIFFERENT)
  file(REMOVE "${OUTPUT_DIR}/${page}.new")
endforeach()

# The value of <param name="NAME" value="..."> in one sitemap object, or a
# list of them where the object has several.
function(sitemap_values object name out)
  string(REGEX MATCHALL "<param name=\"${name}\" value=\"[^\"]*\">" params "${object}")
  set(values "")
  foreach(p IN LISTS params)
    string(REGEX REPLACE "^<param name=\"${name}\" value=\"([^\"]*)\">$" "\\1" v "${p}")
    list(APPEND values "${v}")
  endforeach()
  set(${out} "${values}" PARENT_SCOPE)
endfunction()

# The lists of a contents or index file, each sitemap object made a link;
# the nesting of its <ul> stays as it is.
function(sitemap_to_html file title other_page other_title output)
  file(READ "${file}" text)
  string(FIND "${text}" "<ul>" start)
  string(FIND "${text}" "</body>" stop REVERSE)
  if(start LESS 0 OR stop LESS start)
    message(FATAL_ERROR "${file} holds no list")
  endif()
  math(EXPR length "${stop} - ${start}")
  string(SUBSTRING "${text}" ${start} ${length} rest)
  set(body "")
  set(open "<object type=\"text/sitemap\">")
  while(TRUE)
    string(FIND "${rest}" "${open}" at)
    if(at LESS 0)
      break()
    endif()
    string(SUBSTRING "${rest}" 0 ${at} before)
    string(APPEND body "${before}")
    string(SUBSTRING "${rest}" ${at} -1 rest)
    string(FIND "${rest}" "</object>" end)
    if(end LESS 0)
      message(FATAL_ERROR "${file}: a sitemap object is not closed")
    endif()
    string(SUBSTRING "${rest}" 0 ${end} object)
    math(EXPR after "${end} + 9")
    string(SUBSTRING "${rest}" ${after} -1 rest)
    sitemap_values("${object}" Name names)
    sitemap_values("${object}" Local locals)
    list(LENGTH names name_count)
    list(LENGTH locals local_count)
    if(name_count EQUAL 0 OR local_count EQUAL 0)
      message(FATAL_ERROR "${file}: an entry without a name or a page")
    endif()
    list(GET names 0 name)
    list(GET locals 0 first)
    string(APPEND body "<a href=\"${first}\">${name}</a>")
    # A keyword on several pages links each of the others by number.
    if(local_count GREATER 1)
      math(EXPR last "${local_count} - 1")
      foreach(i RANGE 1 ${last})
        list(GET locals ${i} local)
        math(EXPR n "${i} + 1")
        string(APPEND body " ・ <a href=\"${local}\">${n}</a>")
      endforeach()
    endif()
  endwhile()
  string(APPEND body "${rest}")
  string(REGEX REPLACE "\n+$" "" body "${body}")
  file(WRITE "${output}.new" "<!DOCTYPE html>
<html lang=\"ja\">
<head>
<meta http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-8\">
<title>${title} - Velmo ヘルプ</title>
<link rel=\"stylesheet\" type=\"text/css\" href=\"velmo.css\">
</head>
<body>
<h1>${title}</h1>
${body}

<p class=\"nav\"><a href=\"${other_page}\">${other_title}</a> ｜ <a href=\"index.html\">概要</a></p>
</body>
</html>
")
  file(COPY_FILE "${output}.new" "${output}" ONLY_IF_DIFFERENT)
  file(REMOVE "${output}.new")
endfunction()

sitemap_to_html("${SOURCE_DIR}/velmo.hhc" "目次" keywords.html "索引" "${OUTPUT_DIR}/contents.html")
sitemap_to_html("${SOURCE_DIR}/velmo.hhk" "索引" contents.html "目次" "${OUTPUT_DIR}/keywords.html")
