#include "scenario.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <fstream>
#include <sstream>
#include <system_error>

namespace wrentest::e2e {

namespace {

const char kBlanks[] = " \t\r";

std::string trim(const std::string& s) {
    size_t begin = s.find_first_not_of(kBlanks);
    if (begin == std::string::npos) return "";
    return s.substr(begin, s.find_last_not_of(kBlanks) - begin + 1);
}

Lines tokens(const std::string& s) {
    std::istringstream in(s);
    Lines out;
    for (std::string t; in >> t;) out.push_back(t);
    return out;
}

bool readInt(const std::string& s, long low, long high, int* out) {
    if (s.empty()) return false;
    errno = 0;
    char* end = nullptr;
    long v = std::strtol(s.c_str(), &end, 10);
    if (errno || *end || v < low || v > high) return false;
    *out = int(v);
    return true;
}

// "0xRRGGBB", exactly six hex digits.
bool readColour(const std::string& s, Rgb* out) {
    if (s.size() != 8 || s[0] != '0' || (s[1] != 'x' && s[1] != 'X')) return false;
    unsigned v = 0;
    for (size_t i = 2; i < s.size(); ++i) {
        char c = s[i];
        unsigned digit;
        if (c >= '0' && c <= '9')
            digit = unsigned(c - '0');
        else if (c >= 'a' && c <= 'f')
            digit = unsigned(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F')
            digit = unsigned(c - 'A' + 10);
        else
            return false;
        v = v << 4 | digit;
    }
    *out = {int(v >> 16), int(v >> 8 & 0xFF), int(v & 0xFF)};
    return true;
}

std::string hex(const Rgb& c) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%02X%02X%02X", unsigned(c.r), unsigned(c.g), unsigned(c.b));
    return text;
}

// A path that stays inside the folder it is taken from.
bool insideItsFolder(const std::string& path) {
    std::filesystem::path p(path);
    if (p.empty() || p.is_absolute()) return false;
    for (const auto& part : p)
        if (part == "..") return false;
    return true;
}

// The directive a comment holds ("expect" for "expect: startApp"), with its
// value; a comment that does not start with a lowercase word and a colon is
// prose.
bool directiveOf(const std::string& comment, std::string* name, std::string* value) {
    size_t begin = comment.find_first_not_of(kBlanks);
    if (begin == std::string::npos) return false;
    // Lowercase words, joined by hyphens.
    size_t end = begin;
    while (end < comment.size() &&
           ((comment[end] >= 'a' && comment[end] <= 'z') ||
            (comment[end] == '-' && end > begin && end + 1 < comment.size() &&
             comment[end + 1] >= 'a' && comment[end + 1] <= 'z')))
        ++end;
    if (end == begin || end >= comment.size() || comment[end] != ':') return false;
    *name = comment.substr(begin, end - begin);
    *value = trim(comment.substr(end + 1));
    return true;
}

class Parser {
public:
    std::optional<Scenario> parse(const std::string& text, std::string* error) {
        std::istringstream in(text);
        std::string line;
        while (std::getline(in, line)) {
            ++number_;
            size_t hash = line.find('#');
            std::string step = line.substr(0, hash);
            noteDump(step);
            if (hash == std::string::npos) continue;
            std::string name, value;
            if (!directiveOf(line.substr(hash + 1), &name, &value)) continue;
            if (!trim(step).empty())
                fail("'" + name + ":' is a directive and needs a line of its own");
            else
                directive(name, value);
            if (!error_.empty()) break;
        }
        std::vector<const RunChecks*> runs{&scenario_};
        for (const RunChecks& later : scenario_.laterRuns) runs.push_back(&later);
        std::set<std::string> probed;
        for (const RunChecks* run : runs)
            for (const PixelProbe& p : run->probes) {
                if (!error_.empty()) break;
                if (!dumps_.count(p.file)) {
                    number_ = p.line;
                    fail("no dump step writes '" + p.file + "'");
                }
                probed.insert(p.file);
            }
        // A frame that is dumped and never looked at proves nothing; the
        // first dump of a file no run probes is the line to fix.
        for (const auto& [line, file] : dumpLines_) {
            if (!error_.empty() || probed.count(file)) continue;
            number_ = line;
            fail("no probe looks at '" + file + "': every dumped frame needs a probe line");
        }
        if (!error_.empty()) {
            *error = error_;
            return std::nullopt;
        }
        return scenario_;
    }

private:
    void fail(const std::string& why) { error_ = "line " + std::to_string(number_) + ": " + why; }

    // The script's own reading of a dump step: the rest of the line is the
    // file name.
    void noteDump(const std::string& step) {
        Lines t = tokens(step);
        if (t.size() < 3 || t[1] != "dump") return;
        std::string file = trim(step.substr(step.find("dump") + 4));
        if (dumps_.insert(file).second) dumpLines_[number_] = file;
    }

    void directive(const std::string& name, const std::string& value) {
        if (name == "app") {
            size_t colon = value.find(':');
            if (colon == std::string::npos || trim(value.substr(0, colon)).empty())
                return fail("'" + value + "' is no app.prop line (Name: value)");
            if (trim(value.substr(0, colon)) == "MIDlet-Name")
                return fail("leave MIDlet-Name out: the runner gives every run a name of its own");
            scenario_.appLines.push_back(value);
        } else if (name == "copy") {
            Lines t = tokens(value);
            if (t.size() != 2)
                return fail("copy takes a fixture file and its place in the program folder");
            for (const std::string& path : t)
                if (!insideItsFolder(path))
                    return fail("'" + path +
                                "' is not a relative path that stays inside its folder");
            scenario_.copies.push_back({t[0], t[1]});
        } else if (name == "expect") {
            run().expected.push_back(value);
        } else if (name == "frame") {
            if (value.empty()) return fail("frame needs the line the frame thread prints");
            run().frameLines.push_back(value);
        } else if (name == "exception") {
            if (value.empty()) return fail("exception needs text of the exception's line");
            run().exceptions.push_back(value);
        } else if (name == "exit") {
            if (exitSeen_) return fail("a second exit code");
            exitSeen_ = true;
            if (!readInt(value, 0, 255, &run().exitCode))
                return fail("'" + value + "' is no exit code from 0 to 255");
        } else if (name == "run") {
            if (value.empty()) return fail("run needs a few words saying what the run is");
            scenario_.laterRuns.push_back({});
            run().label = value;
            exitSeen_ = false;
        } else if (name == "store") {
            store(value);
        } else if (name == "cut-store") {
            cutStore(value);
        } else if (name == "probe") {
            probe(value);
        } else if (name == "clock") {
            if (clockSeen_) return fail("a second clock");
            clockSeen_ = true;
            if (value != "virtual" && value != "real")
                return fail("'" + value + "' is no clock: virtual or real");
            scenario_.virtualClock = value == "virtual";
        } else {
            fail("unknown directive '" + name +
                 ":' (a comment starting with a lowercase word and a colon is a directive: "
                 "app, clock, copy, cut-store, expect, frame, exception, exit, probe, run or "
                 "store)");
        }
    }

    RunChecks& run() {
        return scenario_.laterRuns.empty() ? scenario_ : scenario_.laterRuns.back();
    }

    // "<id> size <n>", "<id> at <offset> bytes <hh> ..." or "<id> unchanged".
    void store(const std::string& value) {
        Lines t = tokens(value);
        StoreCheck c;
        c.line = number_;
        if (t.empty() || !readInt(t[0], 0, INT32_MAX, &c.id))
            return fail("store needs a store id (a decimal int from 0) first");
        int n = 0;
        if (t.size() == 3 && t[1] == "size" && readInt(t[2], 0, INT32_MAX, &n)) {
            c.kind = StoreCheck::SIZE;
            c.size = size_t(n);
        } else if (t.size() == 2 && t[1] == "unchanged") {
            c.kind = StoreCheck::UNCHANGED;
        } else if (t.size() >= 5 && t[1] == "at" && readInt(t[2], 0, INT32_MAX, &n) &&
                   t[3] == "bytes") {
            c.kind = StoreCheck::BYTES;
            c.offset = size_t(n);
            for (size_t i = 4; i < t.size(); ++i) {
                unsigned byte = 0;
                char* end = nullptr;
                if (t[i].size() != 2) return fail("'" + t[i] + "' is no byte: two hex digits");
                byte = unsigned(std::strtoul(t[i].c_str(), &end, 16));
                if (*end) return fail("'" + t[i] + "' is no byte: two hex digits");
                c.bytes.push_back(uint8_t(byte));
            }
        } else {
            return fail("store takes '<id> size <n>', '<id> at <offset> bytes <hh>...' or "
                        "'<id> unchanged'");
        }
        run().stores.push_back(c);
    }

    // "<id> <n>": the saved item is cut to its first n bytes before the run.
    void cutStore(const std::string& value) {
        Lines t = tokens(value);
        StoreCut c;
        c.line = number_;
        int n = 0;
        if (t.size() != 2 || !readInt(t[0], 0, INT32_MAX, &c.id) || !readInt(t[1], 0, INT32_MAX, &n))
            return fail("cut-store takes a store id and the number of bytes to keep");
        c.size = size_t(n);
        run().cuts.push_back(c);
    }

    void probe(const std::string& value) {
        Lines t = tokens(value);
        if (t.size() != 4 && t.size() != 5)
            return fail("probe takes a dump file, x, y, 0xRRGGBB and an optional tolerance");
        PixelProbe p;
        p.line = number_;
        p.file = t[0];
        if (!readInt(t[1], -65536, 65535, &p.x) || !readInt(t[2], -65536, 65535, &p.y))
            return fail("'" + t[1] + " " + t[2] + "' are no pixel coordinates");
        if (!readColour(t[3], &p.colour)) return fail("'" + t[3] + "' is no colour 0xRRGGBB");
        if (t.size() == 5 && !readColour(t[4], &p.tolerance))
            return fail("'" + t[4] + "' is no tolerance 0xRRGGBB");
        run().probes.push_back(p);
    }

    Scenario scenario_;
    std::set<std::string> dumps_;
    // The first dump of each file, by line.
    std::map<int, std::string> dumpLines_;
    bool exitSeen_ = false;  // in the run being read
    bool clockSeen_ = false;
    int number_ = 0;
    std::string error_;
};

std::string listed(const Lines& lines) {
    if (lines.empty()) return "  (none)\n";
    std::string out;
    for (const std::string& l : lines) out += "  " + l + "\n";
    return out;
}

}  // namespace

std::optional<Scenario> parseScenario(const std::string& text, std::string* error) {
    return Parser().parse(text, error);
}

Outcome sortOutput(const Lines& printed, int exitCode) {
    Outcome o;
    o.exitCode = exitCode;
    for (const std::string& line : printed) {
        if (line.rfind("frame: ", 0) == 0)
            o.frame.push_back(line.substr(7));
        else if (line.rfind("Exception in thread ", 0) == 0)
            o.exceptions.push_back(line);
        else if (line.rfind("    at ", 0) != 0)
            o.lines.push_back(line);
    }
    return o;
}

Lines checkOutcome(const RunChecks& s, const Outcome& o) {
    Lines failures;
    if (o.exitCode != s.exitCode)
        failures.push_back("exit code " + std::to_string(o.exitCode) + ", expected " +
                           std::to_string(s.exitCode));
    if (o.lines != s.expected) {
        size_t at = 0;
        while (at < o.lines.size() && at < s.expected.size() && o.lines[at] == s.expected[at]) ++at;
        failures.push_back("the MIDlet's lines differ from the expected ones at line " +
                           std::to_string(at + 1) + "\nexpected:\n" + listed(s.expected) +
                           "printed:\n" + listed(o.lines));
    }
    for (const std::string& want : s.frameLines) {
        bool found = false;
        for (const std::string& got : o.frame) found = found || got == want;
        if (!found)
            failures.push_back("the frame thread never printed 'frame: " + want +
                               "'; it printed:\n" + listed(o.frame));
    }
    bool exceptionsMatch = o.exceptions.size() == s.exceptions.size();
    for (size_t i = 0; exceptionsMatch && i < s.exceptions.size(); ++i)
        exceptionsMatch = o.exceptions[i].find(s.exceptions[i]) != std::string::npos;
    if (!exceptionsMatch)
        failures.push_back("the uncaught exceptions differ from the expected ones\nexpected:\n" +
                           listed(s.exceptions) + "printed:\n" + listed(o.exceptions));
    return failures;
}

Lines checkProbes(const RunChecks& s, const std::string& folder) {
    Lines failures;
    std::map<std::string, std::optional<Frame>> dumps;
    for (const PixelProbe& p : s.probes) {
        std::string where = "probe on line " + std::to_string(p.line) + ": ";
        auto [it, fresh] = dumps.try_emplace(p.file);
        if (fresh) {
            Frame f;
            if (!readPng(folder + "/" + p.file, &f))
                failures.push_back(where + p.file + " was not written or is no PNG");
            else if (f.fileChannels != 3)
                failures.push_back(where + p.file + " has " + std::to_string(f.fileChannels) +
                                   " channels; a screen dump is RGB, 3");
            else
                it->second = std::move(f);
        }
        if (!it->second) continue;
        const Frame& f = *it->second;
        int x = p.x < 0 ? f.width + p.x : p.x;
        int y = p.y < 0 ? f.height + p.y : p.y;
        if (x < 0 || x >= f.width || y < 0 || y >= f.height) {
            failures.push_back(where + "(" + std::to_string(p.x) + ", " + std::to_string(p.y) +
                               ") is outside the " + std::to_string(f.width) + "x" +
                               std::to_string(f.height) + " frame of " + p.file);
            continue;
        }
        Rgb got = f.at(x, y);
        if (std::abs(got.r - p.colour.r) > p.tolerance.r ||
            std::abs(got.g - p.colour.g) > p.tolerance.g ||
            std::abs(got.b - p.colour.b) > p.tolerance.b)
            failures.push_back(where + p.file + " (" + std::to_string(x) + ", " +
                               std::to_string(y) + ") is " + hex(got) + ", expected " +
                               hex(p.colour) + " within " + hex(p.tolerance));
    }
    return failures;
}

namespace {

namespace fs = std::filesystem;

// The record files of the store, in record order.
std::vector<fs::path> recordFiles(const std::string& folder, int id) {
    std::vector<std::pair<long, fs::path>> found;
    std::error_code ec;
    fs::path store = fs::path(folder) / "database" / ("store-" + std::to_string(id));
    for (const auto& entry : fs::directory_iterator(store, ec)) {
        std::string name = entry.path().filename().string();
        if (name.rfind("record-", 0) != 0 || name.size() < 12 ||
            name.compare(name.size() - 4, 4, ".bin") != 0)
            continue;
        std::string digits = name.substr(7, name.size() - 11);
        char* end = nullptr;
        long n = std::strtol(digits.c_str(), &end, 10);
        if (!digits.empty() && !*end) found.push_back({n, entry.path()});
    }
    std::sort(found.begin(), found.end());
    std::vector<fs::path> files;
    for (auto& [n, path] : found) files.push_back(path);
    return files;
}

bool readFile(const fs::path& path, Bytes* out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    out->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

std::string byteText(const Bytes& bytes, size_t from, size_t count) {
    std::string out;
    char text[4];
    for (size_t i = from; i < from + count && i < bytes.size(); ++i) {
        std::snprintf(text, sizeof text, "%02x", unsigned(bytes[i]));
        out += (out.empty() ? "" : " ") + std::string(text);
    }
    return out;
}

}  // namespace

std::optional<Bytes> readStore(const std::string& folder, int id) {
    std::error_code ec;
    fs::path store = fs::path(folder) / "database" / ("store-" + std::to_string(id));
    if (!fs::is_directory(store, ec)) return std::nullopt;
    Bytes all;
    for (const fs::path& file : recordFiles(folder, id)) {
        Bytes part;
        if (!readFile(file, &part)) return std::nullopt;
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

StoreContents storesOf(const RunChecks& run, const std::string& folder) {
    StoreContents contents;
    for (const StoreCheck& c : run.stores) contents[c.id] = readStore(folder, c.id);
    return contents;
}

Lines checkStores(const RunChecks& run, const std::string& folder, const StoreContents& before) {
    Lines failures;
    for (const StoreCheck& c : run.stores) {
        std::string where = "store check on line " + std::to_string(c.line) + ": store " +
                            std::to_string(c.id);
        std::optional<Bytes> item = readStore(folder, c.id);
        if (c.kind == StoreCheck::UNCHANGED) {
            auto was = before.find(c.id);
            if (was == before.end() || was->second != item)
                failures.push_back(where + " changed during the run");
            continue;
        }
        if (!item) {
            failures.push_back(where + " was not saved");
            continue;
        }
        if (c.kind == StoreCheck::SIZE) {
            if (item->size() != c.size)
                failures.push_back(where + " holds " + std::to_string(item->size()) +
                                   " bytes, expected " + std::to_string(c.size));
        } else if (c.offset + c.bytes.size() > item->size() ||
                   !std::equal(c.bytes.begin(), c.bytes.end(), item->begin() + long(c.offset))) {
            failures.push_back(where + " holds '" + byteText(*item, c.offset, c.bytes.size()) +
                               "' at " + std::to_string(c.offset) + " of its " +
                               std::to_string(item->size()) + " bytes, expected '" +
                               byteText(c.bytes, 0, c.bytes.size()) + "'");
        }
    }
    return failures;
}

Lines applyCuts(const RunChecks& run, const std::string& folder) {
    Lines failures;
    for (const StoreCut& c : run.cuts) {
        std::string where = "cut-store on line " + std::to_string(c.line) + ": store " +
                            std::to_string(c.id);
        std::optional<Bytes> item = readStore(folder, c.id);
        if (!item || item->size() < c.size) {
            failures.push_back(where + (item ? " has only " + std::to_string(item->size()) +
                                                   " bytes"
                                             : " does not exist"));
            continue;
        }
        // The records stay as they are up to the cut; the one it falls in
        // is shortened and the later ones go. The store's summary goes too:
        // the next open makes it again from the records.
        size_t kept = 0;
        std::error_code ec;
        for (const fs::path& file : recordFiles(folder, c.id)) {
            size_t size = size_t(fs::file_size(file, ec));
            if (kept >= c.size)
                fs::remove(file, ec);
            else if (kept + size > c.size)
                fs::resize_file(file, c.size - kept, ec);
            kept += size;
            if (ec) break;
        }
        fs::remove(fs::path(folder) / "database" / ("store-" + std::to_string(c.id)) /
                       "metadata.info",
                   ec);
        if (ec) failures.push_back(where + ": " + ec.message());
    }
    return failures;
}

}  // namespace wrentest::e2e
