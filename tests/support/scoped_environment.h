// Sets or clears one environment variable for a scope, then puts back what was there.
#pragma once

#include <stdlib.h>

#include <optional>
#include <string>
#include <utility>

namespace testing_support {

class ScopedEnvironment {
public:
    // A null value clears the variable.
    ScopedEnvironment(std::string name, const char* value) : m_name(std::move(name)) {
        if (const char* old = getenv(m_name.c_str())) m_old = old;
        Set(value);
    }
    ~ScopedEnvironment() { Set(m_old ? m_old->c_str() : nullptr); }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    void Set(const char* value) {
        if (value != nullptr)
            setenv(m_name.c_str(), value, 1);
        else
            unsetenv(m_name.c_str());
    }

    std::string m_name;
    std::optional<std::string> m_old;
};

}  // namespace testing_support
