#include "platform/file_append.h"

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include <vector>

namespace platform {
namespace {

// Bytes per kernel copy: a stop is noticed within one block.
constexpr size_t kCopyBlock = 64u << 20;
// Bytes per read and write where the kernel cannot copy between the two files.
constexpr size_t kFallbackBlock = 1u << 20;

class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor() {
        if (m_fd >= 0) close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Get() const { return m_fd; }
    // Closes now, so that a failed close (a write the disk lost) is seen.
    bool Close() {
        const int fd = m_fd;
        m_fd = -1;
        return close(fd) == 0;
    }

private:
    int m_fd;
};

bool Stopped(const std::atomic<bool>* stop) {
    return stop != nullptr && stop->load();
}

// The kernel could not copy between these two files at all (other volumes, a file system
// that does not offer it): read and write instead.
bool NotOffered(int error) {
    return error == EXDEV || error == EINVAL || error == ENOSYS || error == EOPNOTSUPP ||
           error == EBADF;
}

bool WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t written = write(fd, data, size);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

bool ReadAndWrite(int in, int out, const std::atomic<bool>* stop) {
    std::vector<char> block(kFallbackBlock);
    for (;;) {
        if (Stopped(stop)) return false;
        const ssize_t read = ::read(in, block.data(), block.size());
        if (read < 0 && errno == EINTR) continue;
        if (read < 0) return false;
        if (read == 0) return true;
        if (!WriteAll(out, block.data(), static_cast<size_t>(read))) return false;
    }
}

}  // namespace

bool AppendFile(const std::string& target, const std::string& source,
                const std::atomic<bool>* stop) {
    Descriptor in(open(source.c_str(), O_RDONLY | O_CLOEXEC));
    if (in.Get() < 0) return false;
    // Not O_APPEND: the kernel copies only into a file opened without it.
    Descriptor out(open(target.c_str(), O_WRONLY | O_CLOEXEC));
    if (out.Get() < 0 || lseek(out.Get(), 0, SEEK_END) < 0) return false;
    bool copied = true;
    bool any = false;
    for (;;) {
        if (Stopped(stop)) {
            copied = false;
            break;
        }
        const ssize_t moved = copy_file_range(in.Get(), nullptr, out.Get(), nullptr, kCopyBlock, 0);
        if (moved == 0) break;
        if (moved > 0) {
            any = true;
            continue;
        }
        if (errno == EINTR) continue;
        // A refusal before the first byte leaves both offsets where they began.
        copied = !any && NotOffered(errno) && ReadAndWrite(in.Get(), out.Get(), stop);
        break;
    }
    return out.Close() && copied;
}

}  // namespace platform
