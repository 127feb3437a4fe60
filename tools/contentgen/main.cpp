// contentgen: writes the rpack sources of the sample content from the
// descriptions under content/packs (one per pack), for `rpack build`.
//
//   contentgen <content-dir> <out-dir> [--preview <png-dir>]
//
// The out folder is emptied first, so a pack whose description went away
// leaves nothing behind. Exit status 0 done, 1 refused, 2 usage.
#include <algorithm>
#include <exception>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "Desc.h"
#include "Picture.h"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    if (argc != 3 && !(argc == 5 && std::string(argv[3]) == "--preview")) {
        std::cerr << "usage: contentgen <content-dir> <out-dir> [--preview <png-dir>]\n";
        return 2;
    }
    try {
        contentgen::Options options;
        options.contentDir = argv[1];
        options.outDir = argv[2];
        if (argc == 5) options.previewDir = argv[4];
        options.regularFace = contentgen::findFace("DejaVu Sans", "Book", "DejaVuSans.ttf");
        options.boldFace = contentgen::findFace("DejaVu Sans", "Bold", "DejaVuSans-Bold.ttf");
        fs::remove_all(options.outDir);
        fs::create_directories(options.outDir);
        std::vector<fs::path> descriptions;
        for (const auto& f : fs::directory_iterator(options.contentDir / "packs"))
            if (f.path().extension() == ".desc") descriptions.push_back(f.path());
        std::sort(descriptions.begin(), descriptions.end());
        for (const fs::path& d : descriptions) contentgen::generatePack(options, d);
        return 0;
    } catch (const std::exception& e) {
        std::cerr << "contentgen: " << e.what() << "\n";
        return 1;
    }
}
