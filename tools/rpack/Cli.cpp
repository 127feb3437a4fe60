#include "Cli.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "Dump.h"
#include "Manifest.h"

namespace rpack {

namespace fs = std::filesystem;

namespace {

constexpr const char* kUsage =
    "usage: rpack build <content-dir> --out <rsc-dir>\n"
    "       rpack dump <file>\n"
    "build: reads every *.pack manifest in <content-dir> and writes the pack files into\n"
    "       <rsc-dir>; packs kept as saved data go to the 'database' folder beside it.\n"
    "dump:  lists a pack file, a record-store folder or an entry file, decoding entries.\n";

// The program's folder holds "rsc" and "database" side by side.
fs::path databaseBeside(const fs::path& rsc) {
    fs::path p = fs::absolute(rsc).lexically_normal();
    if (!p.has_filename()) p = p.parent_path();
    return p.parent_path() / "database";
}

int build(const fs::path& contentDir, const fs::path& rscDir, std::ostream& out,
          std::ostream& err) {
    std::error_code ec;
    if (!fs::is_directory(contentDir, ec)) {
        err << "rpack: " << contentDir.string() << " is not a folder\n";
        return 1;
    }
    std::vector<fs::path> manifests;
    for (const fs::directory_entry& e : fs::directory_iterator(contentDir)) {
        if (e.is_regular_file() && e.path().extension() == ".pack") manifests.push_back(e.path());
    }
    std::sort(manifests.begin(), manifests.end());
    if (manifests.empty()) {
        err << "rpack: no *.pack manifests in " << contentDir.string() << "\n";
        return 1;
    }

    // Everything is built and checked before the first file is written, so
    // that refused content leaves the output folders as they were.
    std::vector<BuiltPack> packs;
    std::map<std::string, fs::path> owners;  // "pack 5" / "store 3" -> manifest
    int failures = 0;
    for (const fs::path& path : manifests) {
        try {
            std::ifstream in(path, std::ios::binary);
            std::ostringstream text;
            text << in.rdbuf();
            if (!in) throw ContentError(path.string() + ": cannot be read");
            const Manifest m = parseManifest(path, text.str());
            const std::string key = (m.stored ? "store " : "pack ") + std::to_string(m.number);
            const auto [it, added] = owners.try_emplace(key, path);
            if (!added) {
                throw ContentError(path.string() + ": " + key + " is also built by " +
                                   it->second.string());
            }
            packs.push_back(buildManifest(m));
        } catch (const std::exception& e) {
            err << "rpack: " << e.what() << "\n";
            ++failures;
        }
    }
    if (failures) {
        err << "rpack: " << failures << " manifest(s) refused; nothing written\n";
        return 1;
    }

    const fs::path database = databaseBeside(rscDir);
    try {
        for (const BuiltPack& p : packs) {
            const fs::path dir = p.stored ? database : rscDir;
            writeFiles(dir, p.files);
            out << p.label << "\n";
            for (const OutputFile& f : p.files) {
                out << "  " << (dir / f.name).string() << " (" << f.data.size() << " bytes)\n";
            }
        }
    } catch (const std::exception& e) {
        err << "rpack: " << e.what() << "\n";
        return 1;
    }
    return 0;
}

}  // namespace

int runCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        out << kUsage;
        return 0;
    }
    if (args.size() == 4 && args[0] == "build" && args[2] == "--out") {
        return build(args[1], args[3], out, err);
    }
    if (args.size() == 2 && args[0] == "dump") {
        try {
            std::ostringstream listing;
            dumpPath(args[1], listing);
            out << listing.str();
            return 0;
        } catch (const std::exception& e) {
            err << "rpack: " << e.what() << "\n";
            return 1;
        }
    }
    err << kUsage;
    return 2;
}

}  // namespace rpack
