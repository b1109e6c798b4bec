// The groups of skin images, one function per skin folder, and where they are written.
#pragma once

#include <filesystem>
#include <string>

#include "tools/skin-art/canvas.h"

namespace skin_art {

// Writes images under the skin folder by the relative names the layouts use, creating folders
// as needed. The names are matched with their exact letter case, so they are spelled out in
// full at every call rather than assembled.
class SkinWriter {
public:
    explicit SkinWriter(std::filesystem::path root) : m_root(std::move(root)) {}

    void Save(const Canvas& canvas, const std::string& relativePath) const;
    // Byte-for-byte copy of an image already written.
    void Duplicate(const std::string& fromRelative, const std::string& toRelative) const;

private:
    std::filesystem::path m_root;
};

void WriteCommonArt(const SkinWriter& writer);         // res/common: title-bar buttons
void WriteMessageBoxArt(const SkinWriter& writer);     // res/MessageBoxWnd: dialog icons
void WriteMainWindowArt(const SkinWriter& writer);     // res/mainWnd
void WriteInstallAnimation(const SkinWriter& writer);  // res/mainWnd/installBtnAnimate

}  // namespace skin_art
