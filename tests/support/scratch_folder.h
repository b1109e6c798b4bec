// A fresh temporary folder for one test, removed with everything in it afterwards.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/file_ops.h"
#include "platform/paths.h"

namespace testing_support {

class ScratchFolder {
public:
    // The folder's name starts with `prefix` (UTF-8).
    explicit ScratchFolder(const std::string& prefix = "collivo-test") {
        m_path = platform::CreateUniqueFolder(platform::TempPath() + prefix + ".");
        if (m_path.empty()) ADD_FAILURE() << "cannot make a scratch folder";
    }
    ~ScratchFolder() {
        std::error_code ignored;
        if (!m_path.empty()) std::filesystem::remove_all(platform::FsPath(m_path), ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& Path() const { return m_path; }
    std::string operator/(const std::string& name) const {
        return m_path + platform::kPathSeparator + name;
    }

private:
    std::string m_path;
};

}  // namespace testing_support
