// LineSplitter: cuts a stream that arrives in pieces into lines at each line feed, keeping an
// unfinished last line for the next piece. A byte stream split this way never cuts a
// multi-byte character either, since a line feed byte is never part of one in the code pages
// the console protocol uses. Used by one thread at a time.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

template <typename Char>
class LineSplitter {
public:
    using View = std::basic_string_view<Char>;

    // A line longer than this keeps only its first kMaxLine units; the rest of it is
    // consumed and dropped, so a child that never ends a line cannot grow the buffer
    // without bound. Far above what any protocol value can use.
    static constexpr size_t kMaxLine = 4096;

    // Hands every line that `chunk` completes to `handler` (without its line feed; a carriage
    // return before it stays), in order, and keeps the unfinished rest. Returns how many
    // units of `chunk` ended up in completed lines; the others wait for the next call.
    template <typename Handler>
    size_t Feed(View chunk, Handler&& handler) {
        size_t used = 0;
        while (true) {
            const size_t end = chunk.find(static_cast<Char>('\n'), used);
            if (end == View::npos) break;
            Append(chunk.substr(used, end - used));
            used = end + 1;
            handler(View(m_pending));
            m_pending.clear();
            m_dropping = false;
        }
        Append(chunk.substr(used));
        return used;
    }

    // At the end of the stream: hands the unfinished last line to `handler`, when there is
    // one. Returns whether there was.
    template <typename Handler>
    bool Finish(Handler&& handler) {
        const bool any = !m_pending.empty() || m_dropping;
        if (any) handler(View(m_pending));
        Reset();
        return any;
    }

    void Reset() {
        m_pending.clear();
        m_dropping = false;
    }
    size_t Pending() const { return m_pending.size(); }

private:
    void Append(View part) {
        if (m_pending.size() + part.size() > kMaxLine) {
            part = part.substr(0, kMaxLine - m_pending.size());
            m_dropping = true;
        }
        m_pending.append(part);
    }

    std::basic_string<Char> m_pending;
    bool m_dropping = false;  // the current line passed kMaxLine
};
