// StageCallback: how every downloader, both package runners and the controller report a
// notification (code, value, text). Called on the reporting stage's worker thread; the text
// is valid only during the call, so a receiver copies what it keeps.
//
// Codes form one space: 1001-1006 download, 2001-2004 package run, 3000-3009 package
// information, 5002-5005 uninstall. The value carries a fraction, a delay, a number or a
// failure kind, depending on the code.
#pragma once

#include <functional>

using StageCallback = std::function<void(int code, double value, const wchar_t* text)>;
