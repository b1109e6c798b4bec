#include "tools/demo-setup/demo_console.h"

#include <cstdio>
#include <cstdlib>

#include "sys/text.h"

namespace demo {

bool Switches::Apply(const std::string& option) {
    const std::string name = option.substr(0, option.find('='));
    const std::string value = ValueOf(option);
    if (name == "silent") {
        silent = true;
    } else if (name == "fail") {
        fail = true;
    } else if (name == "gbk") {
        gbk = true;
    } else if (name == "utf8") {
        utf8 = true;
    } else if (name == "error") {
        hasError = true;
        error = value;
    } else if (name == "message") {
        hasMessage = true;
        message = value;
    } else if (name == "noise") {
        noise = std::strtoul(value.c_str(), nullptr, 10);
    } else if (name == "flood") {
        flood = std::strtoul(value.c_str(), nullptr, 10);
    } else {
        return false;
    }
    return true;
}

void Console::Line(const std::string& text) {
    if (!m_shown) return;
    const std::string out = m_gbk    ? Utils::WideToNarrow(Utils::FromUtf8(text), 936)
                            : m_utf8 ? text
                                     : Utils::Utf8ToAnsi(text);
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void Console::Progress(double fraction) {
    char text[32];
    std::snprintf(text, sizeof text, "Progress=%.2f", fraction);
    Line(text);
}

void Console::UseGbk() {
    Line("Encode=936");
    m_gbk = true;
}

void Console::UseUtf8() {
    Line("Encode=UTF8");
    m_utf8 = true;
}

void Console::Filler(size_t bytes, const char* what) {
    if (!m_shown) return;
    size_t written = 0;
    for (unsigned long n = 0; written < bytes; ++n) {
        char line[96];
        const int size = std::snprintf(line, sizeof line,
                                       "%s: block %08lu of the product data checked\n", what, n);
        std::fwrite(line, 1, static_cast<size_t>(size), stdout);
        written += static_cast<size_t>(size);
    }
    std::fflush(stdout);
}

std::string ValueOf(const std::string& element) {
    const size_t equals = element.find('=');
    return equals == std::string::npos ? std::string() : element.substr(equals + 1);
}

}  // namespace demo
