#pragma once
// Lists handed to the host: one string with "\r\n" between entries.

#include <string>
#include <vector>

namespace rudozav {

std::string JoinLines(const std::vector<std::string>& lines);

}  // namespace rudozav
