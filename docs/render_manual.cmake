# cmake -DCMARK_GFM=... -DSOURCE=manual.md -DOUTPUT=index.html -P render_manual.cmake
# The user manual as a standalone HTML page: a title, a little style, the rendered text.
execute_process(COMMAND ${CMARK_GFM} --extension table --extension autolink ${SOURCE}
  OUTPUT_VARIABLE body RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmark-gfm could not render ${SOURCE}")
endif()
# Headings get the ids the table of contents links to, as GitHub names them: lower case,
# punctuation dropped, blanks as hyphens.
string(REGEX MATCHALL "<h[1-6]>[^<]*</h[1-6]>" headings "${body}")
foreach(heading IN LISTS headings)
  string(REGEX REPLACE "^<h([1-6])>([^<]*)</h[1-6]>$" "\\1" level "${heading}")
  string(REGEX REPLACE "^<h[1-6]>([^<]*)</h[1-6]>$" "\\1" text "${heading}")
  string(TOLOWER "${text}" slug)
  string(REGEX REPLACE "&[a-z]+;" "" slug "${slug}")
  string(REGEX REPLACE "[^a-z0-9 -]" "" slug "${slug}")
  string(REPLACE " " "-" slug "${slug}")
  string(REPLACE "${heading}" "<h${level} id=\"${slug}\">${text}</h${level}>" body "${body}")
endforeach()

string(CONCAT page
  "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
  "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
  "<title>Corvane user manual</title>\n<style>\n"
  "body { font-family: sans-serif; max-width: 52em; margin: 0 auto; padding: 1em 2em; line-height: 1.45; color: #222; }\n"
  "h1, h2, h3 { line-height: 1.2; } h2 { border-bottom: 1px solid #ccc; padding-bottom: .2em; margin-top: 2em; }\n"
  "code, pre { font-family: monospace; background: #f4f4f4; } pre { padding: .6em; overflow-x: auto; }\n"
  "img { max-width: 100%; border: 1px solid #ddd; }\n"
  "table { border-collapse: collapse; } th, td { border: 1px solid #ccc; padding: .25em .6em; text-align: left; vertical-align: top; }\n"
  "</style>\n</head>\n<body>\n"
  "${body}"
  "</body>\n</html>\n")
file(WRITE ${OUTPUT} "${page}")
