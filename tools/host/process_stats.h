#pragma once
// What a host's tests and benchmarks measure of processes: the children running a program, CPU
// time of a process with everything it started, and this process's resident memory (Linux /proc).
#include <string>
#include <vector>

namespace velmo::host {

// Children of this process whose command name is `name` (zombies included).
std::vector<int> childProcessesNamed(const std::string& name);

// User + system CPU seconds of `pid` alone, and with all its descendants.
double processCpuSeconds(int pid);
double processTreeCpuSeconds(int pid);

// This process's resident set in kB.
long residentKb();

}  // namespace velmo::host
