// The end-to-end runner: `e2e_scenario <file.scenario>...` runs the real
// program once per scenario file (and again for each later run the file
// asks for, over the same folder), headless, in a fresh temporary program
// folder whose app.prop names the MIDlet (with a MIDlet-Name of its own, so
// that parallel runs pass the single-instance check), with the scenario file
// itself as the input script, and checks what it printed, its exit code, the
// frames it dumped and the data it saved. CTest runs one file per test
// (tests/CMakeLists.txt).
//
// Built with WREN_GAME_CONTENT (the game's runner, `game_scenario`), the
// program is the game and the folder also gets the game's resources and
// properties from that folder.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <system_error>

#include "program_runner.h"
#include "scenario.h"

namespace {

namespace fs = std::filesystem;
using namespace wrentest::e2e;

// A scenario that runs longer than this is killed (and fails).
constexpr unsigned kWatchdogSeconds = 90;

class ScenarioRun : public ::testing::Test {
public:
    explicit ScenarioRun(fs::path file) : file_(std::move(file)) {}

    void TestBody() override {
        std::ifstream in(file_, std::ios::binary);
        std::stringstream text;
        if (!in || !(text << in.rdbuf())) {
            ADD_FAILURE() << file_.string() << ": cannot read it";
            return;
        }
        std::string error;
        std::optional<Scenario> scenario = parseScenario(text.str(), &error);
        if (!scenario) {
            ADD_FAILURE() << file_.string() << ": " << error;
            return;
        }
        folder_ = wrentest::makeProgramFolder("/tmp/wren-e2e-XXXXXX");
        ASSERT_FALSE(folder_.empty()) << "no temporary program folder";
        ASSERT_TRUE(prepareFolder(*scenario));

        std::vector<std::pair<std::string, std::string>> environment;
        if (scenario->virtualClock) environment.push_back({"WREN_CLOCK", "virtual"});
        std::vector<const RunChecks*> runs{&*scenario};
        for (const RunChecks& later : scenario->laterRuns) runs.push_back(&later);
        for (const RunChecks* run : runs) {
            // Reported at the scenario file, which is where the reader goes next.
            std::string which = run->label.empty() ? "" : "run '" + run->label + "': ";
            Lines failures = applyCuts(*run, folder_);
            StoreContents before = storesOf(*run, folder_);
            wrentest::RunningProgram program =
                wrentest::startProgram(WREN_E2E_PROGRAM, folder_, fs::absolute(file_).string(),
                                       kWatchdogSeconds, environment);
            Lines printed;
            for (std::string line; program.readLine(&line);) printed.push_back(line);
            Outcome outcome = sortOutput(printed, program.finish());

            for (const std::string& f : checkOutcome(*run, outcome)) failures.push_back(f);
            for (const std::string& f : checkProbes(*run, folder_)) failures.push_back(f);
            for (const std::string& f : checkStores(*run, folder_, before)) failures.push_back(f);
            for (const std::string& f : failures) ADD_FAILURE_AT(file_.c_str(), 1) << which << f;
            if (!failures.empty()) {
                std::string all;
                for (const std::string& line : printed) all += "  " + line + "\n";
                std::printf("%sThe program printed:\n%s", which.c_str(), all.c_str());
            }
        }
    }

    void TearDown() override { wrentest::removeFolder(folder_); }

private:
    bool prepareFolder(const Scenario& s) {
        std::ofstream prop(folder_ + "/properties/app.prop", std::ios::binary);
        prop << "MIDlet-Name: Wren E2E " << file_.stem().string() << " " << getpid() << "\r\n";
#ifdef WREN_GAME_CONTENT
        // The game's own properties and resources, as the build put them
        // beside the program: the resources linked, the properties copied
        // (app.prop without its MIDlet-Name, ahead of the scenario's lines).
        if (!linkGameContent(prop)) return false;
#endif
        for (const std::string& line : s.appLines) prop << line << "\r\n";
        if (!prop.flush()) {
            ADD_FAILURE() << "cannot write app.prop";
            return false;
        }
        for (const FileCopy& c : s.copies) {
            fs::path from = fs::path(WREN_TEST_FIXTURES) / c.fixture;
            fs::path to = fs::path(folder_) / c.target;
            std::error_code failed;
            fs::create_directories(to.parent_path(), failed);
            if (!failed) fs::copy_file(from, to, failed);
            if (failed) {
                ADD_FAILURE() << "cannot copy the fixture " << from.string() << " to " << c.target
                              << ": " << failed.message();
                return false;
            }
        }
        return true;
    }

#ifdef WREN_GAME_CONTENT
    bool linkGameContent(std::ostream& prop) {
        const fs::path content = WREN_GAME_CONTENT;
        std::error_code failed;
        fs::create_directory_symlink(content / "rsc", fs::path(folder_) / "rsc", failed);
        if (failed) {
            ADD_FAILURE() << "cannot link the game's resources: " << failed.message();
            return false;
        }
        for (const auto& entry : fs::directory_iterator(content / "properties", failed)) {
            if (entry.path().filename() == "app.prop") continue;
            fs::copy_file(entry.path(), fs::path(folder_) / "properties" / entry.path().filename(),
                          failed);
            if (failed) break;
        }
        std::ifstream appProp(content / "properties" / "app.prop", std::ios::binary);
        if (failed || !appProp) {
            ADD_FAILURE() << "cannot read the game's properties in " << content.string();
            return false;
        }
        for (std::string line; std::getline(appProp, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (line.rfind("MIDlet-Name:", 0) != 0 && !line.empty()) prop << line << "\r\n";
        }
        return true;
    }
#endif

    fs::path file_;
    std::string folder_;
};

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <file.scenario>...\n", argv[0]);
        return 2;
    }
    for (int i = 1; i < argc; ++i) {
        fs::path file = argv[i];
        ::testing::RegisterTest("Scenario", file.stem().string().c_str(), nullptr, nullptr,
                                __FILE__, __LINE__,
                                [file]() -> ::testing::Test* { return new ScenarioRun(file); });
    }
    return RUN_ALL_TESTS();
}
