// Around a folder a test takes permissions from: what everything under it
// is, to compare before and after the code under test ran there, and its
// removal with the permissions given back. Both are done by the test
// process, which keeps the capabilities its children may give up.
#pragma once

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <string>
#include <system_error>

#include "program_folder.h"

namespace wrentest {

// Every entry under `root`, by its path relative to `root`: a folder's and a
// file's permission bits, a file's size and a hash of its bytes, where a
// link leads (whether or not anything is there). What is in a folder that
// can't be listed is left out.
using FolderSnapshot = std::map<std::string, std::string>;

inline FolderSnapshot snapshotOf(const std::filesystem::path& root) {
    namespace fs = std::filesystem;
    FolderSnapshot entries;
    std::error_code ec, ignored;
    for (fs::recursive_directory_iterator it(root, fs::directory_options::skip_permission_denied, ec),
         end;
         !ec && it != end; it.increment(ec)) {
        const fs::path& path = it->path();
        const fs::file_status status = fs::symlink_status(path, ignored);
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", unsigned(status.permissions()) & 07777u);
        std::string what;
        if (fs::is_symlink(status)) {
            what = "link to " + fs::read_symlink(path, ignored).string();
        } else if (fs::is_directory(status)) {
            what = std::string("folder ") + mode;
        } else if (fs::is_regular_file(status)) {
            std::ifstream in(path, std::ios::binary);
            const std::string bytes(std::istreambuf_iterator<char>(in), {});
            what = std::string("file ") + mode + ", " + std::to_string(bytes.size()) +
                   " bytes, hash " + std::to_string(std::hash<std::string>()(bytes));
        } else {
            what = std::string("other ") + mode;
        }
        // Lexical: a link under root is named where it is, not where it leads.
        entries[path.lexically_relative(root).string()] = what;
    }
    return entries;
}

// Gives the owner every permission on `folder` and on everything under it
// (a folder before what it holds, so that each can be entered; links are
// left alone, not what they lead to), then removes it all.
inline void removeFolderGivingBackPermissions(const std::filesystem::path& folder) {
    namespace fs = std::filesystem;
    if (folder.empty()) return;
    std::error_code ignored;
    const fs::perms all = fs::perms::owner_all;
    if (!fs::is_symlink(folder, ignored))
        fs::permissions(folder, all, fs::perm_options::add, ignored);
    std::error_code ec;
    for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        if (!it->is_symlink(ignored)) fs::permissions(it->path(), all, fs::perm_options::add, ignored);
    removeFolder(folder.string());
}

}  // namespace wrentest
