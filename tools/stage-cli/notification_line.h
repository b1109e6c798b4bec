// The line stage-cli prints for one stage notification: "code<TAB>value<TAB>text" and a line
// end. The value is written exactly, in the shortest form that reads back as the same double,
// so a failure code such as an HRESULT shows as the whole number it is; the text is UTF-8
// (a null text prints as empty). Pure; safe on any thread.
#pragma once

#include <string>

namespace stage_cli {

std::string NotificationLine(int code, double value, const wchar_t* text);

}  // namespace stage_cli
