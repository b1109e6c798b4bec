#include "tools/demo-setup/payload.h"

#include <cstring>
#include <fstream>
#include <iterator>

#include "platform/paths.h"

namespace demo {
namespace {

// Trailer: payload offset (8 bytes), file count (4), reserved (4), magic (8).
constexpr char kMagic[8] = {'C', 'L', 'V', 'D', 'E', 'M', 'O', '1'};
constexpr size_t kTrailerSize = 24;

template <typename T>
void Put(std::string* out, T value) {
    out->append(reinterpret_cast<const char*>(&value), sizeof value);
}

template <typename T>
bool Get(const std::string& in, size_t* pos, T* value) {
    if (in.size() - *pos < sizeof(T)) return false;
    std::memcpy(value, in.data() + *pos, sizeof(T));
    *pos += sizeof(T);
    return true;
}

}  // namespace

void AppendPayload(const std::vector<PayloadFile>& files, std::string* out) {
    const uint64_t offset = out->size();
    for (const auto& file : files) {
        Put(out, static_cast<uint32_t>(file.name.size()));
        out->append(file.name);
        Put(out, file.mode);
        Put(out, static_cast<uint64_t>(file.data.size()));
        out->append(file.data);
    }
    Put(out, offset);
    Put(out, static_cast<uint32_t>(files.size()));
    Put(out, static_cast<uint32_t>(0));
    out->append(kMagic, sizeof kMagic);
}

bool ReadPayload(const std::string& path, std::vector<PayloadFile>* files, std::string* reason) {
    std::ifstream in(platform::FsPath(path), std::ios::binary);
    if (!in) {
        *reason = "cannot open " + path;
        return false;
    }
    const std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (all.size() < kTrailerSize ||
        std::memcmp(all.data() + all.size() - sizeof kMagic, kMagic, sizeof kMagic) != 0) {
        *reason = "no payload";
        return false;
    }
    size_t pos = all.size() - kTrailerSize;
    const size_t end = pos;
    uint64_t offset = 0;
    uint32_t count = 0;
    Get(all, &pos, &offset);
    Get(all, &pos, &count);
    if (offset > end) {
        *reason = "bad payload offset";
        return false;
    }
    const std::string body = all.substr(0, end);
    pos = static_cast<size_t>(offset);
    files->clear();
    for (uint32_t n = 0; n < count; ++n) {
        PayloadFile file;
        uint32_t nameSize = 0;
        uint64_t dataSize = 0;
        if (!Get(body, &pos, &nameSize) || body.size() - pos < nameSize) break;
        file.name = body.substr(pos, nameSize);
        pos += nameSize;
        if (!Get(body, &pos, &file.mode) || !Get(body, &pos, &dataSize) ||
            body.size() - pos < dataSize)
            break;
        file.data = body.substr(pos, static_cast<size_t>(dataSize));
        pos += static_cast<size_t>(dataSize);
        files->push_back(std::move(file));
    }
    if (files->size() != count || pos != body.size()) {
        *reason = "truncated payload";
        return false;
    }
    return true;
}

}  // namespace demo
