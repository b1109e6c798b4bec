#include "platform/paths.h"

#include <stdlib.h>

#include <gtest/gtest.h>

namespace {

// Sets or clears TMPDIR for the scope of one case.
class ScopedTmpDir {
public:
    explicit ScopedTmpDir(const char* value) {
        if (const char* old = getenv("TMPDIR")) m_old = old;
        if (value != nullptr)
            setenv("TMPDIR", value, 1);
        else
            unsetenv("TMPDIR");
    }
    ~ScopedTmpDir() {
        if (m_old)
            setenv("TMPDIR", m_old->c_str(), 1);
        else
            unsetenv("TMPDIR");
    }

private:
    std::optional<std::string> m_old;
};

TEST(TempPath, EndsWithSeparator) {
    struct Case {
        const char* tmpdir;
        const char* expected;
    } cases[] = {
        {nullptr, "/tmp/"},
        {"", "/tmp/"},
        {"/var/tmp", "/var/tmp/"},
        {"/run/user/1000/", "/run/user/1000/"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.tmpdir ? c.tmpdir : "(unset)");
        ScopedTmpDir env(c.tmpdir);
        EXPECT_EQ(platform::TempPath(), c.expected);
    }
}

}  // namespace
