# Writes the faceplate's files as byte tables into one C++ include file, so the plugin
# serves its page from memory and never reads the disk. Run in script mode with
#   -DOUTPUT=<file.inc> -DASSETS=<name=path|name=path|...>
# Each name becomes `inline constexpr unsigned char <name>[]`.
string(REPLACE "|" ";" ASSETS "${ASSETS}")
set(text "// Generated from the faceplate's files at build time; do not edit.\n#pragma once\n\n")
foreach(entry IN LISTS ASSETS)
  string(FIND "${entry}" "=" split)
  string(SUBSTRING "${entry}" 0 ${split} name)
  math(EXPR start "${split} + 1")
  string(SUBSTRING "${entry}" ${start} -1 path)
  file(READ "${path}" hex HEX)
  string(LENGTH "${hex}" digits)
  if(digits EQUAL 0)
    message(FATAL_ERROR "Faceplate file ${path} is empty")
  endif()
  # Sixteen bytes a line keeps the file readable and the compiler's lexer quick.
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(REGEX REPLACE "((0x..,){16})" "\\1\n" bytes "${bytes}")
  string(APPEND text "inline constexpr unsigned char ${name}[] = {\n${bytes}};\n\n")
endforeach()
file(WRITE "${OUTPUT}.tmp" "${text}")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
