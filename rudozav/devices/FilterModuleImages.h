#pragma once
// The bytes of the two grabber filter modules, embedded in the component when it is built, with
// the start of their SHA-256 to tell one build of a module from another.

#include <cstddef>
#include <cstdint>

struct TModuleImage {
  const unsigned char* Bytes;
  std::size_t Size;
  std::uint32_t Hash;
};

TModuleImage InplGrbrImage();
TModuleImage TrnfGrbrImage();
