#pragma once
// The nearest existing folder of a path, for questions about the file system a file will be
// written to. Any thread.

#include <filesystem>
#include <string>

// path itself when it exists, else its nearest existing parent, absolute and normalised (a
// relative path starts at the current directory, an empty one is the current directory); empty
// when none exists or the current directory cannot be read.
std::filesystem::path NearestExistingFolder(const std::string& path);
