#pragma once
// A helper program the plug-in starts and must collect again: spawned without touching the
// host's signal handlers, reaped by its own process id only, never left as a zombie.
#include <memory>
#include <string>
#include <vector>

namespace velmo {

// True when `path` names a regular file this process may execute.
bool isExecutableFile(const std::string& path);

class ChildProcess {
public:
    // Starts `program` with `arguments` (argv[1...]) and the caller's environment. `passFd`
    // becomes descriptor 3 in the child; no other descriptor above 2 is inherited. Null on
    // failure, with the reason in *error.
    static std::unique_ptr<ChildProcess> spawn(const std::string& program,
                                               const std::vector<std::string>& arguments, int passFd,
                                               std::string* error = nullptr);
    // Kills and collects a child still running (the only wait that can block, and briefly).
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    int pid() const { return pid_; }
    // Collects the child when it has ended; never waits. True once it is gone.
    bool reap();
    void kill();

private:
    explicit ChildProcess(int pid) : pid_(pid) {}

    int pid_;
    bool ended_ = false;
};

}  // namespace velmo
