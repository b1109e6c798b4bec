// The installer's temporary folder and creation of a folder path with its missing parents.
// Stateless; safe on any thread.
#pragma once

#include <string>

namespace Utils {

// The system temporary path followed by "~OrvaneTemp.92482B06FB471E17/", made when missing
// (that one folder only); empty when it cannot be made.
std::wstring GetTempFolder();

// Makes every missing folder of `path`, outermost first. False for a path longer than 260
// characters (nothing is made), when a folder cannot be made, or when a file stands where a
// folder should be.
bool CreateDirectoryRecursive(const std::wstring& path);

}  // namespace Utils
