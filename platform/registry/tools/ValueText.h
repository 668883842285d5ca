#pragma once
// Values as text for the regtool command: shown in listings and exports, and parsed from the
// command line.

#include <string>
#include <string_view>
#include <vector>

#include "registry/RegistryValue.h"

namespace regtool {

// The type's name as the command line spells it: dword, sz, expand_sz, binary, else type(N).
std::string TypeName(DWORD type);

// The data alone, for `get`: a dword in decimal, a string as it is, other data as hex bytes.
std::string DataText(const registry::RegistryValue& value);

// One line of a listing: "name" = type data, with strings quoted and escaped.
std::string ValueLine(const registry::RegistryValue& value);

// Parses data given as type (dword|sz|expand_sz|binary|float) and text. False with a reason in
// *error when the text does not fit the type.
bool ParseData(std::string_view type, std::string_view text, DWORD* regType,
               std::vector<BYTE>* data, std::string* error);

}  // namespace regtool
