# Writes a C++ source that holds the bytes of a module file and the start of their SHA-256, so
# that the component carries the module and can tell one build of it from another.
# cmake -DINPUT=<module file> -DOUTPUT=<source> -DFUNCTION=<function name> -P EmbedModule.cmake
file(READ "${INPUT}" hex HEX)
file(SHA256 "${INPUT}" hash)
string(SUBSTRING "${hash}" 0 8 hashStart)
string(LENGTH "${hex}" hexLength)
math(EXPR size "${hexLength} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
file(WRITE "${OUTPUT}.new"
  "// Generated from ${INPUT}; do not edit.\n"
  "#include \"rudozav/devices/FilterModuleImages.h\"\n\n"
  "namespace {\nconst unsigned char kBytes[] = {${bytes}};\n}  // namespace\n\n"
  "TModuleImage ${FUNCTION}() {\n"
  "  return {kBytes, ${size}u, 0x${hashStart}u};\n}\n")
file(RENAME "${OUTPUT}.new" "${OUTPUT}")
