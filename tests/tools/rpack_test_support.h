// Shared helpers of the resource-pack builder's tests: a scratch folder,
// byte literals, file reading and the command line run in-process.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "Bytes.h"
#include "Cli.h"

namespace rpack_test {

namespace fs = std::filesystem;
using rpack::Bytes;

// A fresh folder under the system's temporary folder, removed afterwards.
class ScratchDir {
public:
    ScratchDir() {
        std::random_device rd;
        path_ = fs::temp_directory_path() /
                ("rpack_test_" + std::to_string(rd()) + std::to_string(rd()));
        fs::create_directories(path_);
    }
    ~ScratchDir() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const fs::path& path() const { return path_; }
    fs::path operator/(const std::string& name) const { return path_ / name; }

    void write(const std::string& name, const std::string& text) const {
        fs::create_directories((path_ / name).parent_path());
        std::ofstream(path_ / name, std::ios::binary) << text;
    }

private:
    fs::path path_;
};

inline Bytes readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    const std::string text = s.str();
    return Bytes(text.begin(), text.end());
}

// Every regular file under dir, as paths relative to it.
inline std::vector<std::string> listFiles(const fs::path& dir) {
    std::vector<std::string> names;
    if (!fs::exists(dir)) return names;
    for (const auto& e : fs::recursive_directory_iterator(dir)) {
        if (e.is_regular_file()) names.push_back(fs::relative(e.path(), dir).generic_string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

struct CliResult {
    int status;
    std::string out;
    std::string err;
};

inline CliResult run(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int status = rpack::runCli(args, out, err);
    return {status, out.str(), err.str()};
}

inline CliResult dump(const fs::path& path) {
    return run({"dump", path.string()});
}

// The message of the exception that f throws, or "" when it throws none.
template <typename F>
std::string errorOf(F f) {
    try {
        f();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "";
}

}  // namespace rpack_test
