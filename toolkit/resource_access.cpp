#include "toolkit/resource_access.h"

#include <fstream>
#include <memory>

#include "platform/resources.h"
#include "sys/log.h"
#include "sys/text.h"
#include "toolkit/image_cache.h"

namespace toolkit {
namespace {

struct State {
    std::wstring resourcePath;
    ArchiveFormat format = ArchiveFormat::kZip;
    std::unique_ptr<SkinArchive> archive;
};

State& TheState() {
    static auto* state = new State();  // lives for the process, like the open archive
    return *state;
}

std::string DiskPath(std::wstring_view name) {
    std::wstring path = TheState().resourcePath;
    if (!path.empty() && path.back() != L'/') path += L'/';
    for (wchar_t c : name)
        path += (c == L'\\') ? L'/' : c;
    return Utils::ToUtf8(path);
}

bool ReadDiskFile(const std::string& path, std::vector<uint8_t>* data) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) return false;
    const std::streamoff size = in.tellg();
    if (size < 0) return false;
    data->resize(static_cast<size_t>(size));
    in.seekg(0);
    return static_cast<bool>(in.read(reinterpret_cast<char*>(data->data()), size));
}

bool ReadArchiveFile(std::wstring_view name, std::vector<uint8_t>* data) {
    const SkinArchive* archive = TheState().archive.get();
    uint32_t index = 0;
    uint64_t size = 0;
    if (archive == nullptr || !archive->Find(name, &index, &size)) return false;
    data->resize(size);
    return archive->Read(index, data->data());
}

}  // namespace

void ResourceAccess::SetResourcePath(std::wstring folder) {
    TheState().resourcePath = std::move(folder);
    ImageCache::Clear();
}

const std::wstring& ResourceAccess::GetResourcePath() {
    return TheState().resourcePath;
}

void ResourceAccess::SetArchiveFormat(ArchiveFormat format) {
    TheState().format = format;
}

ArchiveFormat ResourceAccess::GetArchiveFormat() {
    return TheState().format;
}

bool ResourceAccess::OpenArchive(const void* data, size_t size) {
    State& state = TheState();
    if (state.archive) return true;
    state.archive = SkinArchive::OpenFromMemory(data, size, state.format);
    ImageCache::Clear();
    return state.archive != nullptr;
}

bool ResourceAccess::OpenArchiveFromResource(int id) {
    if (TheState().archive) return true;
    platform::ResourceBytes bytes;
    if (!platform::FindResource(kSkinResourceType, id, &bytes)) {
        LOG_TRACE(L"ResourceAccess::OpenArchiveFromResource", L"no resource %d", id);
        return false;
    }
    // The archive keeps decoded copies, so the resource's bytes are not needed afterwards.
    return OpenArchive(bytes.data, bytes.size);
}

bool ResourceAccess::OpenArchiveFile(std::wstring_view name) {
    if (TheState().archive) return true;
    std::vector<uint8_t> bytes;
    if (!ReadDiskFile(DiskPath(name), &bytes)) return false;
    return OpenArchive(bytes.data(), bytes.size());
}

const SkinArchive* ResourceAccess::GetArchive() {
    return TheState().archive.get();
}

void ResourceAccess::CloseArchive() {
    TheState().archive.reset();
    ImageCache::Clear();
}

bool ResourceAccess::ReadFile(std::wstring_view name, std::vector<uint8_t>* data) {
    return ReadArchiveFile(name, data) || ReadDiskFile(DiskPath(name), data);
}

bool ResourceAccess::FileExistsOnDisk(std::wstring_view name) {
    std::ifstream in(DiskPath(name), std::ios::binary);
    return static_cast<bool>(in);
}

bool ResourceAccess::LoadSkin(int resourceType, int resourceId, std::wstring_view skinFolder,
                              std::wstring_view skinFile, std::vector<uint8_t>* markup) {
    std::wstring name(skinFolder);
    if (!name.empty() && name.back() != L'\\' && name.back() != L'/') name += L'/';
    name += skinFile;
    switch (resourceType) {
        case kResourceFile:
            return ReadFile(name, markup);
        // A skin kept in an archive comes from the archive only: a layout file lying beside
        // the installer must not stand in for a missing one.
        case kResourceZipFile:
            return OpenArchiveFile(L"skin.zip") && ReadArchiveFile(name, markup);
        case kResourceZipResource:
            return OpenArchiveFromResource(resourceId) && ReadArchiveFile(name, markup);
        default:
            LOG_TRACE(L"ResourceAccess::LoadSkin", L"unsupported resource type %d", resourceType);
            return false;
    }
}

}  // namespace toolkit
