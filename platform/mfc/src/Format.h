#pragma once

#include <cstdarg>
#include <string>

namespace mfc::detail {

// Appends `format` with its arguments to `out`, in the C locale.
void AppendFormatted(std::wstring& out, const wchar_t* format, va_list args);

} // namespace mfc::detail
