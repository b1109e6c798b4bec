// The demo package's payload: the product files appended to the setup program, followed by a
// trailer that says where they start. Written at build time by demo-pack, read by the package
// from its own file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace demo {

struct PayloadFile {
    std::string name;  // a plain file name, no folders
    uint32_t mode = 0644;
    std::string data;
};

// Appends the files and the trailer to `out` (already holding the setup program).
void AppendPayload(const std::vector<PayloadFile>& files, std::string* out);

// Reads the files appended to the program at `path`. False (and a reason) when the file
// cannot be read or carries no intact payload.
bool ReadPayload(const std::string& path, std::vector<PayloadFile>* files, std::string* reason);

}  // namespace demo
