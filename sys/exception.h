// The installer's one exception type, thrown by the child-process code and caught by the
// package and uninstaller runners.
#pragma once

#include <exception>
#include <string>
#include <string_view>

namespace Utils {

class Exception : public std::exception {
public:
    Exception() : m_message("Unknown exception") {}
    // The text is kept in the ANSI code page.
    explicit Exception(std::wstring_view text);
    const char* what() const noexcept override { return m_message.c_str(); }

private:
    std::string m_message;
};

}  // namespace Utils
