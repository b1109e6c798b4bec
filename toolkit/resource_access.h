// Where skins and images come from: files under the resource path, or the skin archive held in
// the executable's resources. The archive is opened by the first window that needs it and then
// serves every later window until CloseArchive. UI thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "toolkit/skin_archive.h"

namespace toolkit {

// Resource types a window may name for its skin.
inline constexpr int kResourceFile = 1;         // files under the resource path
inline constexpr int kResourceZipFile = 2;      // an archive file under the resource path
inline constexpr int kResourceZipResource = 4;  // an archive in the executable's resources
inline constexpr char kSkinResourceType[] = "ZIPRES";

class ResourceAccess {
public:
    // The folder that relative names are found in (the installer's own folder).
    static void SetResourcePath(std::wstring folder);
    static const std::wstring& GetResourcePath();

    // The process-wide switch between the zip and the 7z reader; zip until switched.
    static void SetArchiveFormat(ArchiveFormat format);
    static ArchiveFormat GetArchiveFormat();

    // Opens the archive from a copy of the bytes unless one is open already. True when an
    // archive is open afterwards.
    static bool OpenArchive(const void* data, size_t size);
    // The same with the bytes of resource (kSkinResourceType, id); false when it is missing.
    static bool OpenArchiveFromResource(int id);
    // The same with an archive file under the resource path.
    static bool OpenArchiveFile(std::wstring_view name);
    static const SkinArchive* GetArchive();
    // Forgets the open archive and every image decoded from it (tests and tools).
    static void CloseArchive();

    // A file by name ("\" or "/" as separators): from the open archive when it holds the name,
    // else from the resource path (files shipped beside the installer). False when neither
    // has it.
    static bool ReadFile(std::wstring_view name, std::vector<uint8_t>* data);
    // True when `name` exists as a file under the resource path (never the archive).
    static bool FileExistsOnDisk(std::wstring_view name);

    // The skin markup of a window: its skin folder and file, read as `resourceType` says.
    static bool LoadSkin(int resourceType, int resourceId, std::wstring_view skinFolder,
                         std::wstring_view skinFile, std::vector<uint8_t>* markup);
};

}  // namespace toolkit
