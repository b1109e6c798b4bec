// The event-collection library's property sets and their JSON form (analytics/sdk:
// PropertiesNode, ValueNode, ObjectNode) under a sequence of typed setter calls taken from the
// input: strings and lists of strings of any bytes, 32-bit and 64-bit integers, finite numbers
// (the library refuses whole sets with others before they are written), booleans, date-times,
// nested sets, removals. Keys are made of the characters the name check allows. What must hold:
// - a string, or a list, is stored exactly when it (each element) is well-formed text;
// - the JSON text has no raw control character and parses (jsoncpp, strict) as an object with
//   exactly the stored keys and, for each, the value set last: strings and lists byte for
//   byte, integers exactly, numbers as six significant digits give them, booleans, date-times
//   as "yyyy-mm-dd hh:mm:ss.mmm" in the local time zone (UTC here), nested sets alike.
#include <fuzzer/FuzzedDataProvider.h>
#include <json/json.h>
#include <stdlib.h>
#include <time.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "analytics/sdk/diagnostics.h"
#include "analytics/sdk/name_check.h"
#include "analytics/sdk/properties_node.h"
#include "fuzz/fuzz_support.h"

namespace {

using event_collect::PropertiesNode;

struct Model;
struct DateTime {
    int64_t seconds;
    int milliseconds;
};
struct Number {
    double value;
};
using Value = std::variant<std::string, int64_t, Number, bool, DateTime, std::vector<std::string>,
                           std::shared_ptr<Model>>;
struct Model {
    std::map<std::string, Value> entries;
};

class QuietDiagnostics : public event_collect::DiagnosticSink {
public:
    QuietDiagnostics() {
        event_collect::SetDiagnosticSink(this);
        setenv("TZ", "UTC", 1);
        tzset();
    }
    void Write(std::string_view) override {}
};

// A key the name check accepts: a letter, "$" or "_", then also digits.
std::string Key(FuzzedDataProvider& input) {
    static constexpr char kFirst[] = "$_abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    static constexpr char kRest[] =
        "0123456789$_abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    const size_t length = input.ConsumeIntegralInRange<size_t>(1, 6);
    std::string key;
    for (size_t i = 0; i < length; ++i) {
        const auto b = input.ConsumeIntegral<uint8_t>();
        key += i == 0 ? kFirst[b % (sizeof kFirst - 1)] : kRest[b % (sizeof kRest - 1)];
    }
    FUZZ_CHECK(event_collect::CheckName(key, "Property Key"));
    return key;
}

// The text rule of string values, written out here from its description.
bool WellFormed(const std::string& s) {
    for (size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        auto cont = [&](size_t k, unsigned lo, unsigned hi) {
            return i + k < s.size() && static_cast<unsigned char>(s[i + k]) >= lo &&
                   static_cast<unsigned char>(s[i + k]) <= hi;
        };
        size_t n = 0;
        if (b == '\t' || b == '\n' || b == '\r' || (b >= 0x20 && b <= 0x7E)) {
            n = 1;
        } else if (b >= 0xC2 && b <= 0xDF) {
            n = cont(1, 0x80, 0xBF) ? 2 : 0;
        } else if (b >= 0xE0 && b <= 0xEF) {
            const unsigned lo = b == 0xE0 ? 0xA0 : 0x80, hi = b == 0xED ? 0x9F : 0xBF;
            n = cont(1, lo, hi) && cont(2, 0x80, 0xBF) ? 3 : 0;
        } else if (b >= 0xF0 && b <= 0xF4) {
            const unsigned lo = b == 0xF0 ? 0x90 : 0x80, hi = b == 0xF4 ? 0x8F : 0xBF;
            n = cont(1, lo, hi) && cont(2, 0x80, 0xBF) && cont(3, 0x80, 0xBF) ? 4 : 0;
        }
        if (n == 0) return false;
        i += n;
    }
    return true;
}

void Fill(FuzzedDataProvider& input, PropertiesNode* node, Model* model, int depth) {
    const int calls = input.ConsumeIntegralInRange(0, 12);
    for (int call = 0; call < calls && input.remaining_bytes() > 0; ++call) {
        const int kind = input.ConsumeIntegralInRange(0, 8);
        const std::string key = Key(input);
        switch (kind) {
            case 0: {
                const std::string text = input.ConsumeRandomLengthString(80);
                const bool stored = node->SetString(key, text);
                FUZZ_CHECK(stored == WellFormed(text));
                if (stored) model->entries[key] = text;
                break;
            }
            case 1: {
                const auto n = input.ConsumeIntegral<int32_t>();
                node->SetNumber(key, n);
                model->entries[key] = int64_t{n};
                break;
            }
            case 2: {
                const double d = input.ConsumeFloatingPoint<double>();
                if (!std::isfinite(d)) break;
                node->SetNumber(key, d);
                model->entries[key] = Number{d};
                break;
            }
            case 3: {
                const auto n = input.ConsumeIntegral<int64_t>();
                node->Set(key, event_collect::ValueNode::Int(n));
                model->entries[key] = n;
                break;
            }
            case 4: {
                const bool b = input.ConsumeBool();
                node->SetBool(key, b);
                model->entries[key] = b;
                break;
            }
            case 5: {
                const auto seconds = input.ConsumeIntegral<int64_t>();
                const auto milliseconds = input.ConsumeIntegralInRange(0, 999);
                node->SetDateTime(key, seconds, milliseconds);
                model->entries[key] = DateTime{seconds, milliseconds};
                break;
            }
            case 6: {
                std::vector<std::string> list(input.ConsumeIntegralInRange(0, 3));
                for (std::string& item : list)
                    item = input.ConsumeRandomLengthString(40);
                bool wellFormed = true;
                for (const std::string& item : list)
                    wellFormed = wellFormed && WellFormed(item);
                const bool stored = node->SetList(key, list);
                FUZZ_CHECK(stored == wellFormed);
                if (stored) model->entries[key] = list;
                break;
            }
            case 7: {
                if (depth >= 3) break;
                PropertiesNode nested;
                auto nestedModel = std::make_shared<Model>();
                Fill(input, &nested, nestedModel.get(), depth + 1);
                node->SetObject(key, nested);
                model->entries[key] = nestedModel;
                break;
            }
            case 8:
                node->Remove(key);
                model->entries.erase(key);
                break;
        }
    }
}

// "yyyy-mm-dd hh:mm:ss.mmm" of a time in UTC, from the day count (proleptic Gregorian),
// for years 1 to 9999; nothing outside them.
std::optional<std::string> UtcText(int64_t seconds, int milliseconds) {
    if (seconds < -62135596800 || seconds > 253402300799) return std::nullopt;
    int64_t days = seconds / 86400;
    int64_t rest = seconds % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int64_t dayOfEra = days - era * 146097;
    const int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t mp = (5 * dayOfYear + 2) / 153;
    const int64_t day = dayOfYear - (153 * mp + 2) / 5 + 1;
    const int64_t month = mp < 10 ? mp + 3 : mp - 9;
    const int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
    char text[64];
    std::snprintf(text, sizeof text, "%04lld-%02lld-%02lld %02lld:%02lld:%02lld.%03d",
                  static_cast<long long>(year), static_cast<long long>(month),
                  static_cast<long long>(day), static_cast<long long>(rest / 3600),
                  static_cast<long long>(rest / 60 % 60), static_cast<long long>(rest % 60),
                  milliseconds);
    return text;
}

bool Matches(const Json::Value& json, const Model& model);

bool Matches(const Json::Value& json, const Value& value) {
    if (const auto* s = std::get_if<std::string>(&value))
        return json.isString() && json.asString() == *s;
    if (const auto* n = std::get_if<int64_t>(&value)) return json.isInt64() && json.asInt64() == *n;
    if (const auto* d = std::get_if<Number>(&value)) {
        char text[64];
        std::snprintf(text, sizeof text, "%.6g", d->value);
        return json.isNumeric() && json.asDouble() == std::strtod(text, nullptr);
    }
    if (const auto* b = std::get_if<bool>(&value)) return json.isBool() && json.asBool() == *b;
    if (const auto* t = std::get_if<DateTime>(&value)) {
        if (!json.isString()) return false;
        const std::optional<std::string> text = UtcText(t->seconds, t->milliseconds);
        return !text || json.asString() == *text;
    }
    if (const auto* list = std::get_if<std::vector<std::string>>(&value)) {
        if (!json.isArray() || json.size() != list->size()) return false;
        for (Json::ArrayIndex i = 0; i < json.size(); ++i) {
            if (!json[i].isString() || json[i].asString() != (*list)[i]) return false;
        }
        return true;
    }
    return Matches(json, *std::get<std::shared_ptr<Model>>(value));
}

bool Matches(const Json::Value& json, const Model& model) {
    if (!json.isObject() || json.size() != model.entries.size()) return false;
    for (const auto& [key, value] : model.entries) {
        if (!json.isMember(key) || !Matches(json[key], value)) return false;
    }
    return true;
}

const QuietDiagnostics quiet;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    PropertiesNode properties;
    Model model;
    Fill(input, &properties, &model, 0);
    const std::string json = properties.ToJson();

    for (const char c : json)
        FUZZ_CHECK(static_cast<unsigned char>(c) >= 0x20);
    Json::CharReaderBuilder builder;
    Json::CharReaderBuilder::strictMode(&builder.settings_);
    const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    Json::Value root;
    std::string errors;
    FUZZ_CHECK(reader->parse(json.data(), json.data() + json.size(), &root, &errors));
    FUZZ_CHECK(Matches(root, model));
    return 0;
}
