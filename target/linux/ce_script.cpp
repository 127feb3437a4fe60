#include "ce_script.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "ce_internal.h"
#include "ce_system.h"

namespace ce {

using namespace detail;

namespace {

struct StepShape {
    const char* name;
    ScriptStep::Kind kind;
    int minArgs;
    int maxArgs;
    bool takesPath;
};

const StepShape kShapes[] = {
    {"keydown", ScriptStep::KeyDown, 1, 1, false},
    {"keyup", ScriptStep::KeyUp, 1, 1, false},
    {"char", ScriptStep::Char, 1, 1, false},
    {"tap", ScriptStep::Tap, 2, 2, false},
    {"drag", ScriptStep::Drag, 4, 5, false},
    {"press", ScriptStep::Press, 2, 2, false},
    {"release", ScriptStep::Release, 2, 2, false},
    {"activate", ScriptStep::Activate, 0, 0, false},
    {"deactivate", ScriptStep::Deactivate, 0, 0, false},
    {"poweroff", ScriptStep::PowerOff, 0, 0, false},
    {"poweron", ScriptStep::PowerOn, 0, 0, false},
    {"close", ScriptStep::Close, 0, 0, false},
    {"dump", ScriptStep::Dump, 0, 0, true},
};

bool readInteger(const std::string& token, long long low, long long high, long long* out) {
    if (token.empty()) return false;
    errno = 0;
    char* end = nullptr;
    long long v = std::strtoll(token.c_str(), &end, 10);
    if (errno || *end || v < low || v > high) return false;
    *out = v;
    return true;
}

std::string lineError(int line, const std::string& reason) {
    return "line " + std::to_string(line) + ": " + reason;
}

// The whole file into `text`; the reason when it can't be read, empty when
// it was (an empty file is a script of no steps).
std::string readScriptFile(const char* path, std::string* text) {
    FILE* file = std::fopen(path, "rb");
    if (!file) return std::strerror(errno);
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) text->append(buffer, n);
    int error = std::ferror(file) ? errno : 0;
    std::fclose(file);
    return error ? std::strerror(error) : std::string();
}

}  // namespace

bool parseScript(const std::string& text, std::vector<ScriptStep>* steps, std::string* error) {
    std::istringstream in(text);
    std::string line;
    int number = 0;
    uint64_t lastFrame = 0;
    std::vector<ScriptStep> parsed;
    while (std::getline(in, line)) {
        ++number;
        // A NUL would end the text of a field early and let the rest of it
        // pass unread.
        if (line.find('\0') != std::string::npos) {
            *error = lineError(number, "a NUL byte: not a text line");
            return false;
        }
        if (size_t hash = line.find('#'); hash != std::string::npos) line.erase(hash);
        std::istringstream fields(line);
        std::vector<std::string> tokens;
        for (std::string t; fields >> t;) tokens.push_back(t);
        if (tokens.empty()) continue;
        long long frame;
        if (!readInteger(tokens[0], 0, INT64_MAX, &frame)) {
            *error = lineError(number, "'" + tokens[0] + "' is not a frame number");
            return false;
        }
        if (uint64_t(frame) < lastFrame) {
            *error = lineError(number, "frame " + tokens[0] + " comes before frame " +
                                           std::to_string(lastFrame) + " of the step above");
            return false;
        }
        if (tokens.size() < 2) {
            *error = lineError(number, "no step after the frame number");
            return false;
        }
        const StepShape* shape = nullptr;
        for (const StepShape& s : kShapes)
            if (tokens[1] == s.name) shape = &s;
        if (!shape) {
            *error = lineError(number, "unknown step '" + tokens[1] + "'");
            return false;
        }
        ScriptStep step;
        step.frame = uint64_t(frame);
        step.kind = shape->kind;
        step.line = number;
        int given = int(tokens.size()) - 2;
        if (shape->takesPath) {
            // The rest of the line, so that a path may hold blanks.
            size_t at = line.find(tokens[1]) + tokens[1].size();
            size_t begin = line.find_first_not_of(" \t\r", at);
            size_t end = line.find_last_not_of(" \t\r");
            if (begin == std::string::npos) {
                *error = lineError(number, "dump needs a file name");
                return false;
            }
            step.path = line.substr(begin, end - begin + 1);
        } else {
            if (given < shape->minArgs || given > shape->maxArgs) {
                *error = lineError(number, std::string(shape->name) + " takes " +
                                               std::to_string(shape->minArgs) +
                                               (shape->maxArgs > shape->minArgs
                                                    ? " to " + std::to_string(shape->maxArgs)
                                                    : std::string()) +
                                               " numbers, not " + std::to_string(given));
                return false;
            }
            for (int i = 0; i < given; ++i) {
                long long low = -32768;
                long long high = 32767;
                if (shape->kind == ScriptStep::KeyDown || shape->kind == ScriptStep::KeyUp) {
                    low = 1, high = 255;
                } else if (shape->kind == ScriptStep::Char) {
                    low = 1, high = 0xFFFF;
                } else if (shape->kind == ScriptStep::Drag && i == 4) {
                    low = 1, high = 1000;
                }
                long long v;
                if (!readInteger(tokens[size_t(i) + 2], low, high, &v)) {
                    *error = lineError(number, "'" + tokens[size_t(i) + 2] + "' is not a number from " +
                                                   std::to_string(low) + " to " +
                                                   std::to_string(high));
                    return false;
                }
                step.args[i] = int32_t(v);
            }
            if (shape->kind == ScriptStep::Drag && given == 4) step.args[4] = 4;
        }
        lastFrame = step.frame;
        parsed.push_back(step);
    }
    *steps = std::move(parsed);
    return true;
}

namespace detail {

bool bindScript(HWND window) {
    State& s = state();
    std::vector<ScriptStep> steps;
    if (const char* path = std::getenv("WREN_SCRIPT"); path && *path) {
        std::string text;
        if (std::string reason = readScriptFile(path, &text); !reason.empty()) {
            std::fprintf(stderr, "wren: WREN_SCRIPT %s: cannot read it: %s\n", path,
                         reason.c_str());
            return false;
        }
        std::string error;
        if (!parseScript(text, &steps, &error)) {
            std::fprintf(stderr, "wren: WREN_SCRIPT %s: %s\n", path, error.c_str());
            return false;
        }
    }
    std::lock_guard<std::mutex> g(s.mutex);
    s.scriptWindow = window;
    s.script = std::move(steps);
    s.nextStep = 0;
    s.frames = 0;
    std::memset(s.scriptKeyDown, 0, sizeof s.scriptKeyDown);
    return true;
}

void runDueScriptSteps() {
    State& s = state();
    for (;;) {
        ScriptStep step;
        HWND window;
        bool wasDown = false;
        {
            std::lock_guard<std::mutex> g(s.mutex);
            if (!s.scriptWindow || s.nextStep >= s.script.size() ||
                s.script[s.nextStep].frame > s.frames)
                return;
            step = s.script[s.nextStep++];
            ++s.stepsRun;
            window = s.scriptWindow;
            if (step.kind == ScriptStep::KeyDown || step.kind == ScriptStep::KeyUp) {
                bool& down = s.scriptKeyDown[step.args[0] & 0xFF];
                wasDown = down;
                down = step.kind == ScriptStep::KeyDown;
            }
        }
        const int32_t* a = step.args;
        switch (step.kind) {
            case ScriptStep::KeyDown:
                // A key-down while the key is down is the keyboard's repeat.
                PostMessageW(window, WM_KEYDOWN, WPARAM(a[0]), 1 | (wasDown ? LPARAM(1) << 30 : 0));
                break;
            case ScriptStep::KeyUp:
                PostMessageW(window, WM_KEYUP, WPARAM(a[0]), 1 | (LPARAM(1) << 30) | (LPARAM(1) << 31));
                break;
            case ScriptStep::Char:
                PostMessageW(window, WM_CHAR, WPARAM(a[0]), 1);
                break;
            case ScriptStep::Tap:
                PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(a[0], a[1]));
                PostMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(a[0], a[1]));
                break;
            case ScriptStep::Drag: {
                PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(a[0], a[1]));
                int moves = a[4];
                for (int i = 1; i <= moves; ++i) {
                    int x = a[0] + (a[2] - a[0]) * i / moves;
                    int y = a[1] + (a[3] - a[1]) * i / moves;
                    PostMessageW(window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x, y));
                }
                PostMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(a[2], a[3]));
                break;
            }
            case ScriptStep::Press:
                PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(a[0], a[1]));
                break;
            case ScriptStep::Release:
                PostMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(a[0], a[1]));
                break;
            case ScriptStep::Activate:
                activateWindow(window, true);
                break;
            case ScriptStep::Deactivate:
                activateWindow(window, false);
                break;
            case ScriptStep::PowerOff:
                broadcastPowerChange(false);
                break;
            case ScriptStep::PowerOn:
                broadcastPowerChange(true);
                break;
            case ScriptStep::Close:
                PostMessageW(window, WM_CLOSE, 0, 0);
                break;
            case ScriptStep::Dump: {
                std::string error;
                if (!writeScreenPng(window, step.path, &error))
                    std::fprintf(stderr, "wren: WREN_SCRIPT line %d: cannot write %s: %s\n",
                                 step.line, step.path.c_str(), error.c_str());
                break;
            }
        }
    }
}

}  // namespace detail

}  // namespace ce
