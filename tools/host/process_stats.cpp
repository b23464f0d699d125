#include "tools/host/process_stats.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace velmo::host {

namespace {

namespace fs = std::filesystem;

std::vector<int> childrenOf(const std::string& pid) {
    std::vector<int> children;
    std::error_code ec;
    for (const auto& task : fs::directory_iterator("/proc/" + pid + "/task", ec)) {
        std::ifstream list(task.path() / "children");
        int child = 0;
        while (list >> child) children.push_back(child);
    }
    return children;
}

}  // namespace

double processCpuSeconds(int pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    const std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    // Fields after the command name (which may hold spaces): utime and stime are fields 14, 15.
    const auto close = text.rfind(')');
    if (close == std::string::npos || close + 2 > text.size()) return 0.0;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    double ticks = 0.0;
    for (int i = 3; fields >> field && i <= 15; ++i)
        if (i >= 14) ticks += std::stod(field);
    return ticks / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

std::vector<int> childProcessesNamed(const std::string& name) {
    std::vector<int> found;
    for (const int pid : childrenOf("self")) {
        std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
        std::string command;
        if (std::getline(comm, command) && command == name) found.push_back(pid);
    }
    return found;
}

double processTreeCpuSeconds(int pid) {
    double total = processCpuSeconds(pid);
    for (const int child : childrenOf(std::to_string(pid))) total += processTreeCpuSeconds(child);
    return total;
}

long residentKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    return 0;
}

std::size_t countTraceLines(const std::string& path, const std::string& prefix) {
    std::ifstream file(path, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::size_t count = 0;
    for (std::size_t at = text.find(prefix); at != std::string::npos; at = text.find(prefix, at + 1))
        if (at == 0 || text[at - 1] == '\n') ++count;
    return count;
}

}  // namespace velmo::host
