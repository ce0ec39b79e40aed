#include "engine/file_names.h"

#include <algorithm>
#include <cctype>
#include <dirent.h>
#include <string_view>
#include <sys/stat.h>
#include <vector>

namespace {

bool exists(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

bool equalIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// The entry of the folder whose name matches part: the exact name first, so
// that of two names differing only in case the one asked for wins.
std::optional<std::string> matchInFolder(const std::string& folder, std::string_view part) {
    const std::string exact = folder + std::string(part);
    if (exists(exact))
        return exact;
    DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
    if (dir == nullptr)
        return std::nullopt;
    std::optional<std::string> found;
    while (const dirent* entry = readdir(dir)) {
        if (equalIgnoringCase(entry->d_name, part)) {
            found = folder + entry->d_name;
            break;
        }
    }
    closedir(dir);
    return found;
}

std::vector<std::string_view> splitParts(std::string_view name) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= name.size(); ++i) {
        if (i == name.size() || name[i] == '\\' || name[i] == '/') {
            if (i > start)
                parts.push_back(name.substr(start, i - start));
            start = i + 1;
        }
    }
    return parts;
}

} // namespace

std::optional<std::string> resolveClientFileName(const char* name) {
    if (name == nullptr || *name == '\0')
        return std::nullopt;
    const std::string asGiven(name);
    if (exists(asGiven))
        return asGiven;
    std::string_view rest(asGiven);
    std::string folder;
    if (rest.front() == '\\' || rest.front() == '/')
        folder = "/";
    for (std::string_view part : splitParts(rest)) {
        if (part == "." || part == "..") {
            folder += std::string(part) + "/";
            continue;
        }
        auto matched = matchInFolder(folder, part);
        if (!matched)
            return std::nullopt;
        folder = *matched + "/";
    }
    if (folder.empty() || folder == "/")
        return std::nullopt;
    folder.pop_back();
    return exists(folder) ? std::optional<std::string>(folder) : std::nullopt;
}
