// What the demo package and its uninstaller print, and the switches that make them misbehave
// on request so that every path of the installer can be shown and tested. Single-threaded.
#pragma once

#include <cstddef>
#include <string>

namespace demo {

// The demo switches. The package takes them as "--demo-NAME[=VALUE]" elements of its command
// line (the installer's "-instcmd" text is appended to it); the uninstaller reads the ones
// the package recorded from "--demo-uninst-NAME[=VALUE]".
struct Switches {
    bool silent = false;    // "silent": print nothing at all
    bool fail = false;      // "fail": install or remove nothing and end with "State=Fail"
    bool gbk = false;       // "gbk": "Encode=936", then every later line in GBK
    bool utf8 = false;      // "utf8": "Encode=UTF8" (lines stay UTF-8)
    bool hasError = false;  // "error=TEXT": "Error=TEXT" and stop with nothing done
    std::string error;
    bool hasMessage = false;  // "message=TEXT": "Message=TEXT"
    std::string message;
    size_t noise = 0;  // "noise=N": N bytes of plain lines just before the final line
    size_t flood = 0;  // "flood=N": N bytes of plain lines after the final line

    // Applies one switch without its prefix ("fail", "flood=1048576"). False for an
    // unknown one.
    bool Apply(const std::string& option);
};

// Standard output in the console protocol: one line at a time, flushed so the installer sees
// progress as it happens. Prints nothing when not shown.
class Console {
public:
    explicit Console(bool shown) : m_shown(shown) {}

    // Prints one line (UTF-8 text) in the current encoding: the ANSI code page, as the
    // system's console programs write (UTF-8 on Linux), until UseGbk or UseUtf8.
    void Line(const std::string& text);
    void Line(const std::string& key, const std::string& value) { Line(key + value); }
    void Progress(double fraction);
    // Prints "Encode=936"; every later line is converted to GBK.
    void UseGbk();
    // Prints "Encode=UTF8"; every later line is UTF-8.
    void UseUtf8();
    // About `bytes` bytes of plain lines that carry no protocol key.
    void Filler(size_t bytes, const char* what);

private:
    bool m_shown;
    bool m_gbk = false;
    bool m_utf8 = false;
};

// Text after the first "=" of an element, or empty.
std::string ValueOf(const std::string& element);

}  // namespace demo
