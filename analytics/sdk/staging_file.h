// StagingFile: the record queue's copy on disk, one record per line, so that records the
// server has not accepted yet survive a kill, a crash or a power failure and go out with a
// later run.
//
// The owner keeps the file holding its queue in queue order, possibly behind older lines the
// queue has since dropped: each record is appended (one write) as it is queued, and the whole
// file is replaced atomically (temporary file beside it, fsync, rename) to drop records the
// server has accepted or the queue has dropped. Appends are not synced one by one: the kernel
// writes them out within seconds, a kill cannot lose them.
//
// Best effort throughout: an empty path, or a file that cannot be opened, makes every call do
// nothing, and a failed write leaves the file as it was. Not synchronised: the owner calls
// everything under one lock, except Prepare (see there).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace event_collect {

class StagingFile {
public:
    explicit StagingFile(std::string path);
    ~StagingFile();
    StagingFile(const StagingFile&) = delete;
    StagingFile& operator=(const StagingFile&) = delete;

    // Opens the file (creating it) and returns its record lines in file order, only the newest
    // `keepNewest` of them. A line counts when it is non-empty, begins with "{" and ends with
    // "}" (a "\r" before the line end is ignored). A last line without its line end is a write
    // cut short: it is not a record and is cut off the file, so that appends start on a line
    // of their own. Call once, before anything else.
    std::vector<std::string> Open(size_t keepNewest);

    bool IsOpen() const { return m_fd >= 0; }
    // Lines in the file, records or not.
    size_t Lines() const { return m_lines; }

    // Appends `record` and a line end in one write. A write that fails part-way is undone, so
    // no torn line ends up in front of later records.
    void Append(std::string_view record);

    // A replacement written and synced but not yet in place; dropping it removes it.
    class Prepared {
    public:
        Prepared(int fd, std::string path, size_t size, size_t lines);
        ~Prepared();
        Prepared(Prepared&& other) noexcept;
        Prepared& operator=(Prepared&& other) noexcept;
        Prepared(const Prepared&) = delete;
        Prepared& operator=(const Prepared&) = delete;

    private:
        friend class StagingFile;
        void Discard();
        int m_fd;
        std::string m_path;
        size_t m_size;
        size_t m_lines;
    };

    // Writes `records` to the temporary file and syncs it. Touches nothing the other calls
    // use, so the owner may run it without its lock while appends go on, as long as no other
    // Prepare or Replace runs meanwhile. Empty when the file is not open or a write failed.
    std::optional<Prepared> Prepare(const std::vector<std::string>& records) const;

    // Adds `tail` (the records appended since the content given to Prepare was taken) and puts
    // the replacement in place of the file; later appends go to it.
    void Commit(Prepared prepared, const std::vector<std::string>& tail);

    // Prepare and Commit in one go.
    void Replace(const std::vector<std::string>& records);

private:
    std::string m_path;
    int m_fd = -1;
    size_t m_size = 0;  // bytes, to undo a torn append
    size_t m_lines = 0;
};

}  // namespace event_collect
