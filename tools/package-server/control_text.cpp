#include "tools/package-server/control_text.h"

#include <cerrno>
#include <cstdlib>
#include <limits>
#include <sstream>

namespace package_server {
namespace {

const struct {
    DigestMode mode;
    const char* name;
} kDigestNames[] = {
    {DigestMode::kCorrect, "correct"},   {DigestMode::kUpperCase, "upper"},
    {DigestMode::kWrong, "wrong"},       {DigestMode::kNone, "none"},
    {DigestMode::kSha256, "sha256"},     {DigestMode::kSha256Wrong, "sha256-wrong"},
};

// A whole decimal number from 0 to `limit`.
bool ParseCount(const std::string& text, long long limit, long long* value) {
    if (text.empty() || text[0] < '0' || text[0] > '9') return false;
    char* end = nullptr;
    errno = 0;
    *value = std::strtoll(text.c_str(), &end, 10);
    return errno == 0 && *end == '\0' && *value <= limit;
}

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> pieces;
    size_t start = 0;
    while (true) {
        const size_t end = text.find(separator, start);
        pieces.push_back(text.substr(start, end - start));
        if (end == std::string::npos) return pieces;
        start = end + 1;
    }
}

}  // namespace

std::vector<std::pair<std::string, std::string>> FaultFields(const Faults& faults) {
    const Faults none;
    std::vector<std::pair<std::string, std::string>> fields;
    const auto number = [&fields](const char* name, auto value, auto usual) {
        if (value != usual) fields.emplace_back(name, std::to_string(value));
    };
    const auto flag = [&fields](const char* name, bool value) {
        if (value) fields.emplace_back(name, "1");
    };
    number("throttle", faults.throttleBytesPerSecond, none.throttleBytesPerSecond);
    number("cut-after", faults.cutAfterBytes, none.cutAfterBytes);
    number("head-status", faults.headStatus, none.headStatus);
    number("get-status", faults.getStatus, none.getStatus);
    flag("no-length", faults.noLength);
    flag("ignore-range", faults.ignoreRange);
    for (const auto& digest : kDigestNames)
        if (digest.mode == faults.digest && digest.mode != none.digest)
            fields.emplace_back("digest", digest.name);
    number("faults-from", faults.faultsFrom, none.faultsFrom);
    flag("hang", faults.hang);
    number("stall-after", faults.stallAfterBytes, none.stallAfterBytes);
    number("extra-bytes", faults.extraBytes, none.extraBytes);
    flag("redirect-loop", faults.redirectLoop);
    number("reset-after", faults.resetAfterBytes, none.resetAfterBytes);
    return fields;
}

bool IsFaultSwitch(const std::string& name) {
    return name == "no-length" || name == "ignore-range" || name == "hang" ||
           name == "redirect-loop";
}

bool SetFaultField(Faults* faults, const std::string& name, const std::string& value,
                   std::string* error) {
    if (IsFaultSwitch(name)) {
        if (value != "0" && value != "1") {
            *error = "not 0 or 1: " + name + " " + value;
            return false;
        }
        const bool on = value == "1";
        if (name == "no-length") faults->noLength = on;
        if (name == "ignore-range") faults->ignoreRange = on;
        if (name == "hang") faults->hang = on;
        if (name == "redirect-loop") faults->redirectLoop = on;
        return true;
    }
    if (name == "digest") {
        for (const auto& digest : kDigestNames) {
            if (value == digest.name) {
                faults->digest = digest.mode;
                return true;
            }
        }
        *error = "unknown digest mode: " + value;
        return false;
    }
    const bool status = name == "head-status" || name == "get-status";
    long long number = 0;
    if (!ParseCount(value, status ? 999 : std::numeric_limits<long long>::max(), &number)) {
        *error = "not a number: " + name + " " + value;
        return false;
    }
    if (name == "throttle") {
        faults->throttleBytesPerSecond = static_cast<uint64_t>(number);
    } else if (name == "cut-after") {
        faults->cutAfterBytes = number;
    } else if (name == "head-status") {
        faults->headStatus = static_cast<int>(number);
    } else if (name == "get-status") {
        faults->getStatus = static_cast<int>(number);
    } else if (name == "faults-from") {
        faults->faultsFrom = static_cast<uint64_t>(number);
    } else if (name == "stall-after") {
        faults->stallAfterBytes = number;
    } else if (name == "extra-bytes") {
        faults->extraBytes = static_cast<uint64_t>(number);
    } else if (name == "reset-after") {
        faults->resetAfterBytes = number;
    } else {
        *error = "unknown fault: " + name;
        return false;
    }
    return true;
}

std::string RequestLines(const std::vector<RequestRecord>& requests) {
    std::string text;
    for (const auto& request : requests)
        text += request.method + "\t" + request.path + "\t" + request.range + "\t" +
                std::to_string(request.status) + "\n";
    return text;
}

bool ParseRequestLines(const std::string& text, std::vector<RequestRecord>* requests) {
    requests->clear();
    if (text.empty()) return true;
    if (text.back() != '\n') return false;
    for (const std::string& line : Split(text.substr(0, text.size() - 1), '\n')) {
        const std::vector<std::string> fields = Split(line, '\t');
        long long status = 0;
        if (fields.size() != 4 || !ParseCount(fields[3], 999, &status)) return false;
        requests->push_back({fields[0], fields[1], fields[2], static_cast<int>(status)});
    }
    return true;
}

std::string PackageLine(uint64_t length, const std::string& md5, const std::string& sha256) {
    return std::to_string(length) + " " + md5 + " " + sha256 + "\n";
}

bool ParsePackageLine(const std::string& line, uint64_t* length, std::string* md5,
                      std::string* sha256) {
    std::istringstream in(line);
    return static_cast<bool>(in >> *length >> *md5 >> *sha256) && md5->size() == 32 &&
           sha256->size() == 64;
}

}  // namespace package_server
