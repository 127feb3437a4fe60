// The file names the chunked-pack fuzz target writes its input into, shared
// with the corpus maker: a name byte picks one of them (modulo the count).
#pragma once

#include <string>
#include <vector>

namespace fuzzpack {

inline const std::vector<std::string>& chunkedPackNames() {
    static const std::vector<std::string> names = {
        "RP3part0.rp",  "RP3part1.rp",  "RP3part2.rp",  "RP3part3.rp",     "RP3part1.png",
        "RP3part2.png", "RP3part1.mid", "RP3part2.wav", "RP3part4.txt",    "RP3part5.utf",
        "RP3part7.png", "RP3part9.rp",  "RP3part0.png", "RP3part65535.rp",
    };
    return names;
}

}  // namespace fuzzpack
