// The real program, started as a process under SDL's dummy driver with a
// fixture folder and an input script. The application manager starts the
// fixture MIDlet, which prints every event the host posts, one line each.
#include <gtest/gtest.h>
#include <png.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

class Program : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/wren-program-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder_ = pattern;
        std::filesystem::create_directories(folder_ + "/properties");
        // A name of its own: windows are found across processes by name.
        std::ofstream(folder_ + "/properties/app.prop")
            << "MIDlet-Name: Wren Program " << getpid() << "\r\nMIDlet-1: Fixture, , wrentest.host.FixtureMIDlet\r\n";
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }

    struct Running {
        pid_t pid = -1;
        FILE* out = nullptr;
        std::vector<std::string> lines;
        // Reads lines until one equals `line` (true) or the output ends.
        bool readUntil(const std::string& line) {
            char buffer[256];
            while (std::fgets(buffer, sizeof buffer, out)) {
                std::string l(buffer);
                if (!l.empty() && l.back() == '\n') l.pop_back();
                lines.push_back(l);
                if (l == line) return true;
            }
            return false;
        }
        int wait() {
            readUntil("\x01");  // to the end
            std::fclose(out);
            int status = 0;
            waitpid(pid, &status, 0);
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
    };

    Running start(const std::string& script) {
        int pipeFds[2];
        EXPECT_EQ(pipe(pipeFds), 0);
        Running r;
        r.pid = fork();
        if (r.pid == 0) {
            dup2(pipeFds[1], 1);
            close(pipeFds[0]);
            close(pipeFds[1]);
            if (chdir(folder_.c_str()) != 0) _exit(120);
            setenv("SDL_VIDEODRIVER", "dummy", 1);
            setenv("SDL_AUDIODRIVER", "dummy", 1);
            setenv("WREN_MODULE_DIR", folder_.c_str(), 1);
            setenv("WREN_SCRIPT", (std::string(WREN_HOST_FIXTURES) + "/" + script).c_str(), 1);
            execl(WREN_HOSTTEST_PROGRAM, WREN_HOSTTEST_PROGRAM, static_cast<char*>(nullptr));
            _exit(121);
        }
        close(pipeFds[1]);
        r.out = fdopen(pipeFds[0], "r");
        return r;
    }

    std::string folder_;
};

TEST_F(Program, RunsItsScriptPostsTheEventsAndExitsWithZeroOnClose) {
    Running program = start("session.script");
    EXPECT_EQ(program.wait(), 0);
    EXPECT_EQ(program.lines, (std::vector<std::string>{
                                 "event 5 canvas",                                 // shown
                                 "event 8 -1", "event 9 -1",                       // up
                                 "event 8 97", "event 9 97",                       // typed a
                                 "event 11 100 120", "event 12 100 120",           // tap
                                 "event 11 10 10", "event 13 50 50", "event 13 90 90",
                                 "event 12 90 90",                                 // drag
                                 "event 1", "event 2",                             // to the back and forward
                                 "event 1", "event 2",                             // power off and on
                                 "event 3",                                        // closed
                             }));
    // The dump shows the frame the boot class drew.
    FILE* file = std::fopen((folder_ + "/shot.png").c_str(), "rb");
    ASSERT_NE(file, nullptr);
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, file);
    png_read_info(png, info);
    EXPECT_EQ(png_get_image_width(png, info), 240u);
    EXPECT_EQ(png_get_image_height(png, info), 320u);
    std::vector<uint8_t> row(240 * 3);
    png_read_row(png, row.data(), nullptr);
    EXPECT_EQ((std::vector<uint8_t>(row.begin(), row.begin() + 3)),
              (std::vector<uint8_t>{0x33, 0x66, 0xCC}));
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(file);
}

TEST_F(Program, ASecondStartExitsWithOneAndBringsTheFirstForward) {
    Running first = start("paused.script");
    // The first instance sits in the back, presenting nothing, until
    // something brings it forward; only then does its script reach the close.
    ASSERT_TRUE(first.readUntil("event 1"));
    Running second = start("paused.script");
    EXPECT_EQ(second.wait(), 1);
    EXPECT_TRUE(second.lines.empty());
    EXPECT_EQ(first.wait(), 0);
    EXPECT_EQ(first.lines, (std::vector<std::string>{"event 5 canvas", "event 1", "event 2", "event 3"}));
}

}  // namespace
