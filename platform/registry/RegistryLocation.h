#pragma once
// Where the settings database lives, and how key paths and names are taken apart and compared.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace registry {

// $RUDOZAV_REGISTRY, else $XDG_CONFIG_HOME/rudozav/registry.db, else
// $HOME/.config/rudozav/registry.db. Read anew at each call: tests change the variables.
std::filesystem::path DatabasePath();

// The names of a key path separated by "\"; empty parts are dropped, so "\A\B\" is {"A", "B"}.
std::vector<std::string_view> SplitKeyPath(std::string_view path);

// The form names are compared in: ASCII letters lower-cased, every other byte kept.
std::string FoldName(std::string_view name);

}  // namespace registry
