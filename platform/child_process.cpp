#include "platform/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

extern char** environ;

namespace velmo {

namespace {

constexpr int CHILD_LINK_FD = 3;

// posix_spawn file actions and attributes, released on every path.
struct SpawnSetup {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    SpawnSetup() {
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_init(&attributes);
    }
    ~SpawnSetup() {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
    }
};

}  // namespace

bool isExecutableFile(const std::string& path) {
    struct stat info {};
    return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

std::unique_ptr<ChildProcess> ChildProcess::spawn(const std::string& program,
                                                  const std::vector<std::string>& arguments, int passFd,
                                                  std::string* error) {
    const auto fail = [error](const char* what, int code) -> std::unique_ptr<ChildProcess> {
        if (error != nullptr) *error = std::string(what) + ": " + std::strerror(code);
        return nullptr;
    };
    if (!isExecutableFile(program)) return fail("not an executable file", ENOENT);
    // dup2 onto the descriptor's own number would keep its close-on-exec flag: go through a copy
    // above the range the child gets.
    const int copy = ::fcntl(passFd, F_DUPFD_CLOEXEC, CHILD_LINK_FD + 1);
    if (copy < 0) return fail("cannot pass the link", errno);

    SpawnSetup setup;
    posix_spawn_file_actions_adddup2(&setup.actions, copy, CHILD_LINK_FD);
    posix_spawn_file_actions_addclosefrom_np(&setup.actions, CHILD_LINK_FD + 1);
    // The child starts with default signal dispositions and nothing blocked, whatever the host set.
    sigset_t none;
    sigemptyset(&none);
    sigset_t defaults;
    sigfillset(&defaults);
    sigdelset(&defaults, SIGKILL);
    sigdelset(&defaults, SIGSTOP);
    posix_spawnattr_setsigmask(&setup.attributes, &none);
    posix_spawnattr_setsigdefault(&setup.attributes, &defaults);
    posix_spawnattr_setflags(&setup.attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    pid_t pid = 0;
    const int rc = ::posix_spawn(&pid, program.c_str(), &setup.actions, &setup.attributes, argv.data(), environ);
    ::close(copy);
    if (rc != 0) return fail("cannot start", rc);
    return std::unique_ptr<ChildProcess>(new ChildProcess(pid));
}

ChildProcess::~ChildProcess() {
    if (ended_) return;
    if (reap()) return;
    kill();
    while (::waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
    }
}

bool ChildProcess::reap() {
    if (ended_) return true;
    int status = 0;
    const pid_t got = ::waitpid(pid_, &status, WNOHANG);
    // ECHILD: someone else collected it (a host reaping every child); it is gone either way.
    if (got == pid_ || (got < 0 && errno == ECHILD)) ended_ = true;
    return ended_;
}

void ChildProcess::kill() {
    if (!ended_) ::kill(pid_, SIGKILL);
}

}  // namespace velmo
