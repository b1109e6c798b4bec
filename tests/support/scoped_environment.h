// Sets or clears environment variables for a scope, then puts back what was there.
#pragma once

#include <stdlib.h>

#include <map>
#include <optional>
#include <string>
#include <utility>

namespace testing_support {

class ScopedEnvironment {
public:
    ScopedEnvironment() = default;
    // One variable; a null value clears it.
    ScopedEnvironment(const std::string& name, const char* value) {
        Set(name, value != nullptr ? std::optional<std::string>(value) : std::nullopt);
    }
    ~ScopedEnvironment() {
        for (const auto& [name, value] : m_saved)
            Apply(name, value);
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

    // An empty optional clears the variable. The value from before the first Set of a name
    // is what comes back.
    void Set(const std::string& name, const std::optional<std::string>& value) {
        if (m_saved.count(name) == 0) {
            const char* old = getenv(name.c_str());
            m_saved[name] = old != nullptr ? std::optional<std::string>(old) : std::nullopt;
        }
        Apply(name, value);
    }

private:
    static void Apply(const std::string& name, const std::optional<std::string>& value) {
        if (value)
            setenv(name.c_str(), value->c_str(), 1);
        else
            unsetenv(name.c_str());
    }

    std::map<std::string, std::optional<std::string>> m_saved;
};

}  // namespace testing_support
