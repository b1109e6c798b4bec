// skin-art: draws every PNG of the installer's skin and the application icon.
//
//   usage: skin-art OUT_SKIN_FOLDER OUT_ICON_PNG
//
// The images are generated rather than hand-painted so the palette and the brand mark stay the
// same everywhere and a change of look is one edit and one run. To regenerate, from the
// repository root after any build (scripts/run.sh builds build/release):
//
//   build/release/tools/skin-art/skin-art ui/skin ui/collivo-icon.png
//
// Only images are written; the XML layouts next to them are edited by hand.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>

#include "tools/skin-art/art_sets.h"
#include "tools/skin-art/brand_mark.h"

namespace skin_art {

void SkinWriter::Save(const Canvas& canvas, const std::string& relativePath) const {
    const std::filesystem::path path = m_root / relativePath;
    std::filesystem::create_directories(path.parent_path());
    canvas.SavePng(path);
    std::printf("%s\n", path.c_str());
}

void SkinWriter::Duplicate(const std::string& fromRelative, const std::string& toRelative) const {
    const std::filesystem::path to = m_root / toRelative;
    std::filesystem::copy_file(m_root / fromRelative, to,
                               std::filesystem::copy_options::overwrite_existing);
    std::printf("%s\n", to.c_str());
}

namespace {

void SaveAppIcon(const std::filesystem::path& path) {
    // Edge to edge: the window manager scales it down to 16-48px, where any margin would only
    // make the mark smaller.
    Canvas canvas(256, 256);
    DrawBrandMark(canvas.cr(), 0, 0, 256, 56);
    if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path());
    canvas.SavePng(path);
    std::printf("%s\n", path.c_str());
}

}  // namespace

}  // namespace skin_art

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: skin-art OUT_SKIN_FOLDER OUT_ICON_PNG\n");
        return 2;
    }
    try {
        const skin_art::SkinWriter writer{std::filesystem::path(argv[1])};
        skin_art::WriteCommonArt(writer);
        skin_art::WriteMessageBoxArt(writer);
        skin_art::WriteMainWindowArt(writer);
        skin_art::WriteInstallAnimation(writer);
        skin_art::SaveAppIcon(argv[2]);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "skin-art: %s\n", error.what());
        return 1;
    }
    return 0;
}
