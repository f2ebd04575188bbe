#pragma once

#include <string>
#include <string_view>

namespace mfc::detail {

// Invalid or truncated sequences become U+FFFD, one per offending byte.
std::wstring WidenUtf8(std::string_view utf8);
std::string NarrowUtf8(std::wstring_view wide);

} // namespace mfc::detail
