# Writes a C++ source that carries the bytes of a module file (pulled in by the assembler's .incbin,
# so a large module costs the compiler nothing) and the start of their SHA-256, so that the
# component can tell one build of a module from another.
# cmake -DINPUT=<module file> -DOUTPUT=<source> -DFUNCTION=<function name> -P EmbedModule.cmake
file(SHA256 "${INPUT}" hash)
string(SUBSTRING "${hash}" 0 8 hashStart)
set(symbol "rudozav_${FUNCTION}_bytes")
file(WRITE "${OUTPUT}.new"
  "// Generated from ${INPUT}; do not edit.\n"
  "#include \"rudozav/devices/FilterModuleImages.h\"\n\n"
  "// Module build ${hash}\n"
  "asm(\".section .rodata\\n\"\n"
  "    \".balign 16\\n\"\n"
  "    \".hidden ${symbol}\\n\"\n"
  "    \".hidden ${symbol}_end\\n\"\n"
  "    \"${symbol}:\\n\"\n"
  "    \".incbin \\\"${INPUT}\\\"\\n\"\n"
  "    \"${symbol}_end:\\n\"\n"
  "    \".previous\\n\");\n\n"
  "extern \"C\" const unsigned char ${symbol}[];\n"
  "extern \"C\" const unsigned char ${symbol}_end[];\n\n"
  "TModuleImage ${FUNCTION}() {\n"
  "  return {${symbol}, static_cast<std::size_t>(${symbol}_end - ${symbol}), 0x${hashStart}u};\n"
  "}\n")
file(RENAME "${OUTPUT}.new" "${OUTPUT}")
