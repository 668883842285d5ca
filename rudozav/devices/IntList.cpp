#include "rudozav/devices/IntList.h"

#include <charconv>

#include "rudozav/devices/RegSave.h"

namespace {

// The next "!"-terminated token as an integer; false when the text ends without "!" or the
// token is missing.
bool NextToken(std::string_view& text, std::int32_t& value) {
  const std::size_t end = text.find('!');
  if (end == std::string_view::npos) return false;
  const std::string_view token = text.substr(0, end);
  text.remove_prefix(end + 1);
  if (token.empty()) return false;
  const char* last = token.data() + token.size();
  const auto [stop, error] = std::from_chars(token.data(), last, value);
  return error == std::errc() && stop == last && value != NOT_SET;
}

}  // namespace

std::string EncodeIntList(const std::vector<std::int32_t>& values) {
  std::string text = std::to_string(values.size()) + "!";
  for (std::int32_t value : values)
    text += std::to_string(value) + "!";
  return text;
}

std::optional<std::vector<std::int32_t>> DecodeIntList(std::string_view text, int expectedCount) {
  std::int32_t count = 0;
  if (!NextToken(text, count) || count != expectedCount || count < 0) return std::nullopt;
  std::vector<std::int32_t> values(static_cast<std::size_t>(count));
  for (std::int32_t& value : values) {
    if (!NextToken(text, value)) return std::nullopt;
  }
  return values;
}
