// Sets or clears environment variables for a scope, then puts back what was there.
#pragma once

#include <stdlib.h>

#include <map>
#include <optional>
#include <string>
#include <utility>

#include "platform/codepage.h"
#include "platform/environment.h"

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
            m_saved[name] = platform::GetEnv(name.c_str());
        }
        Apply(name, value);
    }

private:
    static void Apply(const std::string& name, const std::optional<std::string>& value) {
#ifdef _WIN32
        // The C library's wide environment, which it passes on to the system's as well; an
        // empty value removes the variable there.
        std::wstring wideName, wideValue;
        platform::MultiByteToWide(platform::kCodePageUtf8, name, &wideName);
        if (value) platform::MultiByteToWide(platform::kCodePageUtf8, *value, &wideValue);
        _wputenv_s(wideName.c_str(), wideValue.c_str());
#else
        if (value)
            setenv(name.c_str(), value->c_str(), 1);
        else
            unsetenv(name.c_str());
#endif
    }

    std::map<std::string, std::optional<std::string>> m_saved;
};

}  // namespace testing_support
