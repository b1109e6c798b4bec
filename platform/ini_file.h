// Profile-string (ini) files: "key=value" lines under "[section]" headers, read and written
// with the matching rules of the system's profile-string functions. On Windows those functions
// themselves do the work (the narrow forms convert UTF-8 to UTF-16 around the wide ones); on
// Linux this file's own reading and writing of UTF-8 text files, by the rules below. Nothing
// is cached here: every call reads the file afresh, since other programs change these files
// under us. Safe on any thread; on Linux writes within this process are serialized so that
// two threads updating one file do not lose each other's change.
//
// Reading rules:
// - A line whose first non-blank character is "[" is a section header; the name is the text up
//   to the first "]" (the rest of the line when there is none), blanks trimmed. Lines before
//   the first header belong to no section.
// - A line whose first non-blank character is ";" is a comment. Any other line with "=" is a
//   key line: the name is the text before the first "=", the value the text after it, both
//   with the blanks around them trimmed. Lines without "=" are ignored.
// - Section and key names match ASCII case-insensitively; other bytes (UTF-8) match exactly.
//   Blanks around the names asked for are ignored.
// - When a name occurs more than once, the first key line in file order among all sections of
//   that name wins; writes update that same line, so a read after a write sees the write.
// - A value enclosed in a matching pair of double or single quotes loses them.
// - A UTF-8 byte-order mark at the start is skipped (and kept by writes); lines end with "\n"
//   or "\r\n".
// A file name resolves as on a file system that ignores letter case: when no file of the
// exact name exists but one in its folder differs from it only in case, that one is read and
// written (platform/file_name_case.h).
//
// Where the Windows form differs, it is because the system does:
// - Text: the system reads a file that starts with the UTF-16 byte-order mark as UTF-16 and
//   any other file in the "ANSI" code page, so UTF-8 text beyond ASCII reads as other
//   characters. A file the Windows form creates starts with that mark, so any text survives;
//   an existing "ANSI" file stays one, and characters outside its page are written as "?".
// - Names match without regard to case for every letter. A key is looked for, written and
//   deleted in the first section of its name only; deleting a section removes every section
//   of the name.
// - The layout after a write is the system's: other lines need not stay byte for byte (blank
//   lines, the blanks around names and "="), line ends may become "\r\n", and the file is
//   rewritten in place rather than replaced atomically.
// - GetPrivateProfileInt is the system's reading of the number (GetPrivateProfileIntW): a
//   number outside the range of int is not held at INT_MAX or INT_MIN.
// - The file systems ignore letter case in file names themselves.
// The names and values the Linux form refuses to write are refused before the system sees
// them, and so is a write to a file that exists but cannot be read (or to a folder).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#ifdef _WIN32
// <windows.h> maps these names onto its own A or W functions; here they are ours.
#undef GetPrivateProfileString
#undef GetPrivateProfileInt
#undef WritePrivateProfileString
#endif

namespace platform {

// The value of `key` in `section`, quotes removed, or nothing when the file, the section or
// the key does not exist (or the file cannot be read).
std::optional<std::string> ReadProfileValue(std::string_view section, std::string_view key,
                                            const std::string& path);

// Whether a header of `section` exists in the file.
bool ProfileSectionExists(std::string_view section, const std::string& path);

// Adds an empty `section` at the end when the file has none, creating the file when missing.
bool AddProfileSection(std::string_view section, const std::string& path);

// The value, or `defaultValue` without its trailing blanks when there is none, cut to
// `size` - 1 characters (`size` counts the terminator of a character buffer, so 0 and 1 give
// an empty text). The narrow form counts bytes and never cuts a UTF-8 character in two; the
// wide form counts wchar_t units.
std::string GetPrivateProfileString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue, size_t size,
                                    const std::string& path);
std::wstring GetPrivateProfileString(std::wstring_view section, std::wstring_view key,
                                     std::wstring_view defaultValue, size_t size,
                                     std::wstring_view path);

// The value's leading decimal number: optional blanks and sign, then digits; whatever follows
// is ignored, no digits give 0. A missing key and an empty value give `defaultValue`. A number
// outside the range of int gives INT_MAX or INT_MIN.
int GetPrivateProfileInt(std::string_view section, std::string_view key, int defaultValue,
                         const std::string& path);
int GetPrivateProfileInt(std::wstring_view section, std::wstring_view key, int defaultValue,
                         std::wstring_view path);

// Sets `key` in `section` to `value` (the layout rules below are the Linux form's; the
// Windows form's are the system's, see above):
// - an existing key line is rewritten in place (its name and the blanks around "=" kept);
// - a missing key is added after the last key line of its section (right after the header
//   when the section has none), a missing section at the end of the file, a missing file is
//   created; new lines use the file's line-end style ("\n" for a new file);
// - a value of std::nullopt deletes the key (every line of it), a key of std::nullopt deletes
//   the section (every section of that name, from its header up to the next header).
// Every other line is kept byte for byte. The file is replaced atomically (temporary file in
// the same folder, fsync, rename), keeping its permission bits; a symbolic link is followed
// and its target replaced. Returns false, leaving the file alone, when the folder does not
// exist, the file exists but cannot be read, the write fails, or a name or the value would
// break the line structure: a line break or NUL anywhere, an empty section or key name, a
// "]" in the section name, a "=" in the key name or a key name starting with ";" or "[".
// Deleting what does not exist succeeds without touching the file.
bool WritePrivateProfileString(std::string_view section, std::optional<std::string_view> key,
                               std::optional<std::string_view> value, const std::string& path);
bool WritePrivateProfileString(std::wstring_view section, std::optional<std::wstring_view> key,
                               std::optional<std::wstring_view> value, std::wstring_view path);

}  // namespace platform
