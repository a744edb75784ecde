# Writes a C++ source holding a file's bytes:
#   cmake -DINPUT=file -DOUTPUT=source.cpp -DNAME=kName -P embed.cmake
# defines standin::NAME[] (the bytes and a final zero) and NAMESize.
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" digits)
math(EXPR size "${digits} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x..,){24})" "\\1\n    " bytes "${bytes}")
file(WRITE "${OUTPUT}"
  "// Generated from ${INPUT} at build time; do not edit.\n"
  "#include \"standin/pmstandin/sample_play.h\"\n\n"
  "namespace standin {\n\n"
  "const unsigned char ${NAME}[] = {\n    ${bytes}0x00};\n"
  "const std::size_t ${NAME}Size = ${size};\n\n"
  "}  // namespace standin\n")
