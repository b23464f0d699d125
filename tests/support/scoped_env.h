#pragma once
// Sets an environment variable for one scope: the old value (or its absence) comes back when
// the object goes, however the test leaves the scope.
#include <cstdlib>

#include <optional>
#include <string>
#include <utility>

namespace velmo::test {

class ScopedEnv {
public:
    ScopedEnv(std::string name, const std::string& value) : name_(std::move(name))
    {
        if (const char* old = std::getenv(name_.c_str())) old_ = old;
        set(value);
    }
    ~ScopedEnv() { old_ ? ::setenv(name_.c_str(), old_->c_str(), 1) : ::unsetenv(name_.c_str()); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

    void set(const std::string& value) const { ::setenv(name_.c_str(), value.c_str(), 1); }

private:
    std::string name_;
    std::optional<std::string> old_;
};

}  // namespace velmo::test
