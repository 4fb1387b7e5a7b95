# Writes INPUT as an array of bytes, so any text (quotes, backslashes, non-ASCII) survives as is.
file(READ ${INPUT} hex HEX)
string(LENGTH "${hex}" hex_length)
math(EXPR size "${hex_length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${hex}")
string(REGEX REPLACE "(('\\\\x[0-9a-f][0-9a-f]',){16})" "\\1\n" bytes "${bytes}")
file(WRITE ${OUTPUT} "#include <string_view>\nnamespace {\nconst char data[] = {\n${bytes}'\\0'};\n}\nnamespace cuevoice::embedded {\nextern const std::string_view ${SYMBOL};\nconst std::string_view ${SYMBOL}{data, ${size}};\n}\n")
