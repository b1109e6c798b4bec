// A fresh temporary folder for one test, removed with everything in it afterwards.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

namespace testing_support {

class ScratchFolder {
public:
    // The folder's name starts with `prefix` (UTF-8).
    explicit ScratchFolder(const std::string& prefix = "collivo-test") {
        std::string pattern =
            (std::filesystem::temp_directory_path() / (prefix + ".XXXXXX")).string();
        if (mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "mkdtemp failed";
        m_path = pattern;
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& Path() const { return m_path; }
    std::string operator/(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

}  // namespace testing_support
