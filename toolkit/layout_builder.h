// The markup parser: builds a window's control tree from a layout document whose root element
// is `Window`. Window attributes and `Font` elements go to the window; every other element
// becomes a control (the callback's class first, else the toolkit's), gets its attributes in
// document order and its child elements as children.
#pragma once

#include <string>
#include <string_view>

namespace toolkit {

class CControlUI;
class ILayoutBuilderCallback;
class WindowUi;

// The root control (owned by the caller), or null when the document is not well-formed, its
// root is not `Window`, or no control results. `error` (optional) says why.
CControlUI* BuildLayout(std::string_view markup, WindowUi& window, ILayoutBuilderCallback* callback,
                        std::wstring* error = nullptr);

}  // namespace toolkit
