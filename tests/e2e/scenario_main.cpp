// The end-to-end runner: `e2e_scenario <file.scenario>...` runs the real
// program once per scenario file, headless, in a fresh temporary program
// folder whose app.prop names the MIDlet (with a MIDlet-Name of its own, so
// that parallel runs pass the single-instance check), with the scenario file
// itself as the input script, and checks what it printed, its exit code and
// the frames it dumped. CTest runs one file per test (tests/CMakeLists.txt).
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
        wrentest::RunningProgram program =
            wrentest::startProgram(WREN_E2E_PROGRAM, folder_, fs::absolute(file_).string(),
                                   kWatchdogSeconds, environment);
        Lines printed;
        for (std::string line; program.readLine(&line);) printed.push_back(line);
        Outcome outcome = sortOutput(printed, program.finish());

        Lines failures = checkOutcome(*scenario, outcome);
        for (const std::string& f : checkProbes(*scenario, folder_)) failures.push_back(f);
        // Reported at the scenario file, which is where the reader goes next.
        for (const std::string& f : failures) ADD_FAILURE_AT(file_.c_str(), 1) << f;
        if (!failures.empty()) {
            std::string all;
            for (const std::string& line : printed) all += "  " + line + "\n";
            std::printf("The program printed:\n%s", all.c_str());
        }
    }

    void TearDown() override { wrentest::removeFolder(folder_); }

private:
    bool prepareFolder(const Scenario& s) {
        std::ofstream prop(folder_ + "/properties/app.prop", std::ios::binary);
        prop << "MIDlet-Name: Wren E2E " << file_.stem().string() << " " << getpid() << "\r\n";
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
