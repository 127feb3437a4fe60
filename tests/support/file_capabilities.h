// Programs started without the two capabilities that pass permission bits
// by (CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH), so that a file or folder
// without permissions stays unread even when the tests run as root. Only a
// child gives them up, just before its exec: the test process, and every
// child it starts later, keep theirs.
#pragma once

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <linux/capability.h>

#include <cerrno>
#include <string>
#include <utility>
#include <vector>

namespace wrentest {

// Whether this process may still hand both capabilities on at an exec.
inline bool mayOverrideReading() {
    return prctl(PR_CAPBSET_READ, CAP_DAC_OVERRIDE, 0, 0, 0) == 1 &&
           prctl(PR_CAPBSET_READ, CAP_DAC_READ_SEARCH, 0, 0, 0) == 1;
}

// In a child before its exec: takes both capabilities out of the bounding,
// ambient, inheritable, permitted and effective sets, so that the program
// the child becomes has neither, root or not. False when a step fails.
inline bool dropFileCapabilities() {
    const int caps[] = {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH};
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3] = {};
    if (syscall(SYS_capget, &header, data) != 0) return false;
    const bool maySetBounds = (data[0].effective & (1u << CAP_SETPCAP)) != 0;
    for (int cap : caps) {
        const int inBounds = prctl(PR_CAPBSET_READ, cap, 0, 0, 0);
        if (inBounds < 0) return false;
        // Without CAP_SETPCAP the bounding set can't shrink; an exec then
        // gives these back only to root, which the check below catches.
        if (inBounds == 1 && maySetBounds && prctl(PR_CAPBSET_DROP, cap, 0, 0, 0) != 0) return false;
        if (inBounds == 1 && !maySetBounds && geteuid() == 0) return false;
    }
    if (prctl(PR_CAP_AMBIENT, PR_CAP_AMBIENT_CLEAR_ALL, 0, 0, 0) != 0 && errno != EINVAL) return false;
    for (int cap : caps) {
        const __u32 bit = 1u << cap;
        data[0].effective &= ~bit;
        data[0].permitted &= ~bit;
        data[0].inheritable &= ~bit;
    }
    return syscall(SYS_capset, &header, data) == 0;
}

// What a child of runWithoutFileCapabilities exits with when it could not
// give them up.
constexpr int kNoFileCapabilitiesDrop = 125;

// Why a test that needs a program without them skips when a child could not
// give them up (dropFileCapabilities answered false).
constexpr const char kNoFileCapabilitiesDropReason[] =
    "a child of this process could not give up CAP_DAC_OVERRIDE and CAP_DAC_READ_SEARCH (as root "
    "without CAP_SETPCAP, say), so permission bits can't stop the program under test";

// Runs `argv` (a path, then its arguments) in a child without those
// capabilities, in `folder`, with its standard output and error going to
// `outputFile` (both), and this process's environment; its exit code, 128 +
// the signal that ended it, or kNoFileCapabilitiesDrop. The watchdog's
// alarm survives the exec.
inline int runWithoutFileCapabilities(const std::vector<std::string>& argv, const std::string& folder,
                                      const std::string& outputFile, unsigned watchdogSeconds) {
    // Made before the fork: the child only opens, drops and execs.
    std::vector<std::string> copies = argv;
    std::vector<char*> args;
    for (std::string& a : copies) args.push_back(a.data());
    args.push_back(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        int out = open(outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (out < 0 || dup2(out, 1) < 0 || dup2(out, 2) < 0) _exit(122);
        if (chdir(folder.c_str()) != 0) _exit(120);
        if (!dropFileCapabilities()) _exit(kNoFileCapabilitiesDrop);
        if (watchdogSeconds) alarm(watchdogSeconds);
        execv(args[0], args.data());
        _exit(121);
    }
    if (pid < 0) return -1;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace wrentest
