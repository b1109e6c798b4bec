// The toolkit's own control classes by markup element name (letter case ignored).
#pragma once

#include <string_view>

namespace toolkit {

class CControlUI;

// A new control of the named class, or null for a name the toolkit does not know.
CControlUI* CreateBuiltinControl(std::wstring_view className);

}  // namespace toolkit
