#include "sys/exception.h"

#include "sys/text.h"

namespace Utils {

Exception::Exception(std::wstring_view text) : m_message(WideToNarrow(text, 0)) {}

}  // namespace Utils
