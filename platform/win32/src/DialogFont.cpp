// Dialog units come from the dialog's real font: a horizontal unit is a
// quarter of its average letter width, a vertical one an eighth of its height.

#include "FontCache.h"
#include "Internal.h"

#include <algorithm>
#include <cstring>

namespace win32::detail {
namespace {

constexpr int kShellPoints = 9;

LOGFONTW LogFontOf(const DialogFont& font) {
    const bool shell = font.face.empty();
    const long long points = shell || font.pointSize <= 0 ? kShellPoints : font.pointSize;
    LOGFONTW lf{};
    // -MulDiv(points, 96, 72), rounded half away from zero.
    lf.lfHeight = static_cast<LONG>(-std::min<long long>((points * 96 + 36) / 72, 4096));
    lf.lfWeight = shell ? FW_NORMAL : font.weight;
    lf.lfItalic = !shell && font.italic ? 1 : 0;
    lf.lfCharSet = static_cast<BYTE>(font.charset);
    std::wcsncpy(lf.lfFaceName, shell ? L"MS Shell Dlg" : font.face.c_str(), LF_FACESIZE - 1);
    return lf;
}

} // namespace

SIZE DialogBaseUnits(const DialogFont& font) {
    auto resolved = OpenShared(RequestFor(LogFontOf(font)));
    if (!resolved)
        return SIZE{6, 13}; // no font on the machine: the classic shell font's units
    const raster::FontMetrics& m = resolved->Metrics();
    return SIZE{std::max(m.letterAverageWidth, 1), std::max(m.height, 1)};
}

HFONT CreateDialogFont(const DialogFont& font) {
    const LOGFONTW lf = LogFontOf(font);
    return CreateFontIndirectW(&lf);
}

} // namespace win32::detail
