// A whole program started as a child process, the way the end-to-end and
// whole-program suites run it: headless, in a program folder that is also
// its working folder, driven by an input script, with its standard output
// read back line by line.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "program_folder.h"

namespace wrentest {

class RunningProgram {
public:
    RunningProgram() = default;
    RunningProgram(pid_t pid, FILE* out) : pid_(pid), out_(out) {}
    RunningProgram(RunningProgram&& other) noexcept : pid_(other.pid_), out_(other.out_) {
        other.pid_ = -1;
        other.out_ = nullptr;
    }
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;
    RunningProgram& operator=(RunningProgram&&) = delete;
    // A program the test gave up on (a failed assertion) is killed and
    // reaped, not left running.
    ~RunningProgram() {
        if (pid_ > 0) kill(pid_, SIGKILL);
        finish();
    }

    // The process id while it runs (-1 once finished or never started).
    pid_t pid() const { return pid_; }

    // The next line it printed, without the line end, however long; false
    // once its output has ended.
    bool readLine(std::string* line) {
        line->clear();
        if (!out_) return false;
        char buffer[512];
        while (std::fgets(buffer, sizeof buffer, out_)) {
            *line += buffer;
            if (line->back() == '\n') {
                line->pop_back();
                return true;
            }
        }
        return !line->empty();
    }

    // Reads what is left of its output (so that it never blocks on a full
    // pipe), waits for it to end and gives its exit code, or 128 + the
    // signal that ended it; -1 when it never started.
    int finish() {
        if (out_) {
            std::string ignored;
            while (readLine(&ignored)) {
            }
            std::fclose(out_);
            out_ = nullptr;
        }
        if (pid_ <= 0) return -1;
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

private:
    pid_t pid_ = -1;
    FILE* out_ = nullptr;
};

// Starts `program` with `folder` as its working folder and program folder
// (WREN_MODULE_DIR), `script` as its input script (WREN_SCRIPT) and SDL's
// dummy drivers, and `environment`'s variables besides. With
// `watchdogSeconds`, a program still running by then is killed (the alarm
// survives the exec), and its test fails on the exit code. With
// `withStandardError`, what it writes there is read with its output; with a
// `standardErrorFile`, it goes to that file instead. `beforeExec` runs in the
// child just before the program takes its place, for what only the
// program's process may give up; when it answers false the child ends with
// exit code 123 instead.
inline RunningProgram startProgram(
    const char* program, const std::string& folder, const std::string& script,
    unsigned watchdogSeconds = 0,
    const std::vector<std::pair<std::string, std::string>>& environment = {},
    bool withStandardError = false, const std::string& standardErrorFile = {},
    const std::function<bool()>& beforeExec = {}) {
    int fds[2];
    if (pipe(fds) != 0) {
        ADD_FAILURE() << "no pipe for the program's output";
        return RunningProgram();
    }
    pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], 1);
        if (withStandardError) dup2(fds[1], 2);
        if (!standardErrorFile.empty()) {
            int err = open(standardErrorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
            if (err < 0) _exit(122);
            dup2(err, 2);
        }
        close(fds[0]);
        close(fds[1]);
        if (chdir(folder.c_str()) != 0) _exit(120);
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        setenv("WREN_MODULE_DIR", folder.c_str(), 1);
        setenv("WREN_SCRIPT", script.c_str(), 1);
        for (const auto& [name, value] : environment) setenv(name.c_str(), value.c_str(), 1);
        if (beforeExec && !beforeExec()) _exit(123);
        if (watchdogSeconds) alarm(watchdogSeconds);
        execl(program, program, static_cast<char*>(nullptr));
        _exit(121);
    }
    close(fds[1]);
    if (pid < 0) {
        close(fds[0]);
        ADD_FAILURE() << "the program could not be started";
        return RunningProgram();
    }
    return RunningProgram(pid, fdopen(fds[0], "r"));
}

}  // namespace wrentest
