// The staging file that carries queued records from one run to the next: one record per
// line. Every operation is best effort: a file that cannot be read or written is skipped.
// Not synchronised: the record queue calls these under its own lock.
#pragma once

#include <deque>
#include <string>
#include <vector>

namespace event_collect {

// A line counts as a record when it is non-empty, begins with "{" and ends with "}".
bool IsStagedRecordLine(const std::string& line);

// The record lines of the file in file order, keeping only the newest `room` of them.
std::vector<std::string> ReadStagedRecords(const std::string& path, size_t room);

// Empties the file (creating it when missing).
void TruncateStagingFile(const std::string& path);

// Replaces the file's content with `records`, one per line.
void WriteStagingFile(const std::string& path, const std::deque<std::string>& records);

}  // namespace event_collect
