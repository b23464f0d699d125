#pragma once
// What a host's tests and benchmarks measure of processes: the children running a program, CPU
// time of a process with everything it started, this process's resident memory (Linux /proc),
// and the lines a child wrote to its trace file.
#include <cstddef>
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

// Lines of the file at `path` that begin with `prefix`; 0 when it cannot be read.
std::size_t countTraceLines(const std::string& path, const std::string& prefix);

}  // namespace velmo::host
