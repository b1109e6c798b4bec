// OvException: how the tracker layer refuses an event or a configuration. Only the message is
// ever shown; the wrapper absorbs every one of them.
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <utility>

namespace orvane::analytics {

class OvException : public std::exception {
public:
    OvException(std::string file, std::string function, int line, std::string message)
        : m_file(std::move(file)),
          m_function(std::move(function)),
          m_line(line),
          m_message(std::move(message)) {}

    const char* what() const noexcept override { return m_message.c_str(); }
    const std::string& file() const { return m_file; }
    const std::string& function() const { return m_function; }
    int line() const { return m_line; }
    int64_t code() const { return m_code; }

private:
    std::string m_file;      // the raising source file
    std::string m_function;  // the raising operation, e.g. "trackClick"
    int m_line;
    int64_t m_code = -1;
    std::string m_message;
};

}  // namespace orvane::analytics

// Raises an OvException naming the current source file, function and line.
#define OV_THROW(message) \
    throw ::orvane::analytics::OvException(__FILE__, __func__, __LINE__, (message))
