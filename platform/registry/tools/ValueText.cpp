#include "registry/tools/ValueText.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>

#include "registry/Registry.h"

namespace regtool {
namespace {

std::string Hex(std::span<const BYTE> data) {
  std::string text;
  char byte[4];
  for (std::size_t i = 0; i < data.size(); ++i) {
    std::snprintf(byte, sizeof byte, "%02x", data[i]);
    if (i > 0) text += ' ';
    text += byte;
  }
  return text;
}

std::string Quoted(std::string_view text) {
  std::string quoted = "\"";
  for (const char c : text) {
    switch (c) {
      case '"':
        quoted += "\\\"";
        break;
      case '\\':
        quoted += "\\\\";
        break;
      case '\r':
        quoted += "\\r";
        break;
      case '\n':
        quoted += "\\n";
        break;
      case '\t':
        quoted += "\\t";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char escape[8];
          std::snprintf(escape, sizeof escape, "\\x%02x", static_cast<unsigned char>(c));
          quoted += escape;
        } else {
          quoted += c;
        }
    }
  }
  return quoted + "\"";
}

bool ParseDword(std::string_view text, std::vector<BYTE>* data) {
  const std::string copy(text);
  char* end = nullptr;
  errno = 0;
  const long long number = std::strtoll(copy.c_str(), &end, 0);
  if (copy.empty() || *end != '\0' || errno != 0) return false;
  if (number < INT32_MIN || number > static_cast<long long>(UINT32_MAX)) return false;
  *data = registry::EncodeDword(static_cast<DWORD>(number));
  return true;
}

bool ParseFloat(std::string_view text, std::vector<BYTE>* data) {
  double number = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return false;
  *data = registry::EncodeDouble(number);
  return true;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Hex bytes, each two digits, optionally separated by spaces, commas or colons.
bool ParseHex(std::string_view text, std::vector<BYTE>* data) {
  data->clear();
  for (std::size_t i = 0; i < text.size();) {
    if (text[i] == ' ' || text[i] == ',' || text[i] == ':') {
      ++i;
      continue;
    }
    if (i + 1 >= text.size() || HexDigit(text[i]) < 0 || HexDigit(text[i + 1]) < 0) return false;
    data->push_back(static_cast<BYTE>(HexDigit(text[i]) * 16 + HexDigit(text[i + 1])));
    i += 2;
  }
  return true;
}

}  // namespace

std::string TypeName(DWORD type) {
  switch (type) {
    case REG_DWORD:
      return "dword";
    case REG_SZ:
      return "sz";
    case REG_EXPAND_SZ:
      return "expand_sz";
    case REG_BINARY:
      return "binary";
    default:
      return "type(" + std::to_string(type) + ")";
  }
}

std::string DataText(const registry::RegistryValue& value) {
  if (const auto number = registry::DecodeDword(value.type, value.data)) {
    return std::to_string(*number);
  }
  if (const auto text = registry::DecodeString(value.type, value.data)) return *text;
  return Hex(value.data);
}

std::string ValueLine(const registry::RegistryValue& value) {
  std::string line = Quoted(value.name) + " = " + TypeName(value.type) + " ";
  if (const auto text = registry::DecodeString(value.type, value.data)) return line + Quoted(*text);
  line += DataText(value);
  // Eight binary bytes are how the settings keep a floating-point number.
  if (const auto number = registry::DecodeDouble(value.type, value.data)) {
    char shown[64];
    std::snprintf(shown, sizeof shown, "  (float %g)", *number);
    line += shown;
  }
  return line;
}

bool ParseData(std::string_view type, std::string_view text, DWORD* regType,
               std::vector<BYTE>* data, std::string* error) {
  bool parsed = false;
  if (type == "dword") {
    *regType = REG_DWORD;
    parsed = ParseDword(text, data);
  } else if (type == "sz" || type == "expand_sz") {
    *regType = type == "sz" ? REG_SZ : REG_EXPAND_SZ;
    *data = registry::EncodeString(text);
    parsed = true;
  } else if (type == "binary") {
    *regType = REG_BINARY;
    parsed = ParseHex(text, data);
  } else if (type == "float") {
    *regType = REG_BINARY;
    parsed = ParseFloat(text, data);
  } else {
    *error = "unknown type '" + std::string(type) + "' (dword, sz, expand_sz, binary, float)";
    return false;
  }
  if (!parsed) *error = "'" + std::string(text) + "' is not " + std::string(type) + " data";
  return parsed;
}

}  // namespace regtool
