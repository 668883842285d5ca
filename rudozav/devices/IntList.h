#pragma once
// The text form of a list of integers kept in one registry value: the count, "!", then each
// element followed by "!" ("2!1!4!" for the two elements 1 and 4).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

std::string EncodeIntList(const std::vector<std::int32_t>& values);

// The elements when the text's count equals expectedCount and every element is present and
// parses; nullopt otherwise. An empty token, one that does not parse, or NOT_SET's text counts as
// missing.
std::optional<std::vector<std::int32_t>> DecodeIntList(std::string_view text, int expectedCount);
