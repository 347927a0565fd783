# Fails when a source of start/, game/ or model/, or of the platform layer's
# core (platform/ itself, not its back ends), includes a header of Qt, of
# Windows or of Emscripten: those are plain C++ on platform/'s own interface.
# Usage: cmake -DROOT=<source dir> -P neutral_includes.cmake
file(GLOB_RECURSE sources "${ROOT}/start/*.cpp" "${ROOT}/start/*.h" "${ROOT}/game/*.cpp"
     "${ROOT}/game/*.h" "${ROOT}/model/*.cpp" "${ROOT}/model/*.h")
file(GLOB core "${ROOT}/platform/*.cpp" "${ROOT}/platform/*.h")
list(APPEND sources ${core})
set(bad "")
foreach(source IN LISTS sources)
  file(STRINGS "${source}" includes REGEX "^[ \t]*#[ \t]*include")
  foreach(line IN LISTS includes)
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[<\"]([^>\"]+)[>\"].*" "\\1" header "${line}")
    string(TOLOWER "${header}" lower)
    if(header MATCHES "^Q[A-Za-z]" OR header MATCHES "^qt" OR lower MATCHES "windows\\.h$"
       OR lower MATCHES "^(winuser|wingdi|winbase|commctrl|shellapi|shlobj|oleacc|objbase|ole2|windef|winnt|mmsystem)\\.h$"
       OR lower MATCHES "^emscripten" OR lower MATCHES "^(bitmap_files|form_pictures)\\.h$"
       OR lower MATCHES "^(qt_platform|fonts|announcer|win32_platform|web_platform)\\.h$")
      list(APPEND bad "${source}: ${header}")
    endif()
  endforeach()
endforeach()
list(LENGTH sources count)
if(count LESS 6)
  message(FATAL_ERROR "found only ${count} sources under start/, game/, model/, platform/")
endif()
if(bad)
  list(JOIN bad "\n  " text)
  message(FATAL_ERROR "toolkit or Windows headers in the game code:\n  ${text}")
endif()
message(STATUS "${count} sources of start/, game/, model/ and platform/'s core include only their own and platform/ headers")
