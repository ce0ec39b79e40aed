// Client file names. A client written for DOS-style paths names its files
// with backslashes and in any letter case; on a case-sensitive file system
// the name is matched part by part.
#pragma once

#include <optional>
#include <string>

// The path of an existing file for a client's name: the name as it stands
// when such a file exists, otherwise the DOS-style reading of it (backslashes
// separate folders, each part matches a file or folder of any letter case).
// Relative names start at the current directory. Nothing when no file
// matches.
std::optional<std::string> resolveClientFileName(const char* name);
