// Fonts and text as far as the window layer needs them before glyphs are
// drawn: font objects are real and counted, dialog base units are the fixed
// pair of the 9-point shell font, and text drawing draws nothing yet.

#include "Gdi.h"
#include "Internal.h"

#include <cstring>

namespace win32::detail {

SIZE DialogBaseUnits(const DialogFont&) {
    return SIZE{6, 13};
}

HFONT CreateDialogFont(const DialogFont& font) {
    LOGFONTW lf{};
    lf.lfHeight = -(font.pointSize * 96 + 36) / 72;
    lf.lfWeight = font.weight;
    lf.lfItalic = font.italic ? 1 : 0;
    lf.lfCharSet = static_cast<BYTE>(font.charset);
    std::wcsncpy(lf.lfFaceName, font.face.c_str(), LF_FACESIZE - 1);
    return CreateFontIndirectW(&lf);
}

} // namespace win32::detail

using namespace win32::detail;

HFONT CreateFontIndirectW(const LOGFONTW* font) {
    if (!font)
        return nullptr;
    auto object = std::make_shared<FontObject>();
    object->logFont = *font;
    object->logFont.lfFaceName[LF_FACESIZE - 1] = 0;
    auto& gdi = Gdi();
    std::lock_guard lock(gdi.mutex);
    return static_cast<HFONT>(gdi.Add(object));
}

HFONT CreateFontW(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                  DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision,
                  DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily, LPCWSTR face) {
    LOGFONTW lf{};
    lf.lfHeight = height;
    lf.lfWidth = width;
    lf.lfEscapement = escapement;
    lf.lfOrientation = orientation;
    lf.lfWeight = weight;
    lf.lfItalic = static_cast<BYTE>(italic);
    lf.lfUnderline = static_cast<BYTE>(underline);
    lf.lfStrikeOut = static_cast<BYTE>(strikeOut);
    lf.lfCharSet = static_cast<BYTE>(charSet);
    lf.lfOutPrecision = static_cast<BYTE>(outPrecision);
    lf.lfClipPrecision = static_cast<BYTE>(clipPrecision);
    lf.lfQuality = static_cast<BYTE>(quality);
    lf.lfPitchAndFamily = static_cast<BYTE>(pitchAndFamily);
    if (face)
        std::wcsncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
    return CreateFontIndirectW(&lf);
}

BOOL GetTextMetricsW(HDC, TEXTMETRICW* metrics) {
    if (!metrics)
        return FALSE;
    *metrics = TEXTMETRICW{};
    metrics->tmHeight = 15;
    metrics->tmAscent = 12;
    metrics->tmDescent = 3;
    metrics->tmAveCharWidth = 6;
    metrics->tmMaxCharWidth = 12;
    return TRUE;
}

BOOL GetTextExtentPoint32W(HDC, LPCWSTR text, int count, SIZE* size) {
    if (!size || count < 0 || (!text && count > 0))
        return FALSE;
    *size = SIZE{count * 6, 15};
    return TRUE;
}

BOOL TextOutW(HDC, int, int, LPCWSTR, int) {
    return TRUE;
}

BOOL ExtTextOutW(HDC hdc, int, int, UINT options, const RECT* rect, LPCWSTR, UINT, const INT*) {
    if ((options & ETO_OPAQUE) && rect) {
        auto state = StateOf(hdc);
        if (state) {
            HBRUSH brush = CreateSolidBrush(state->bkColor);
            FillRect(hdc, rect, brush);
            DeleteObject(brush);
        }
    }
    return TRUE;
}

int DrawTextW(HDC, LPCWSTR, int, LPRECT rect, UINT) {
    return rect ? 15 : 0;
}

BOOL DrawEdge(HDC hdc, LPRECT rect, UINT, UINT) {
    return rect ? FrameRect(hdc, rect, GetSysColorBrush(COLOR_3DSHADOW)) : FALSE;
}

BOOL MoveToEx(HDC, int, int, LPPOINT) {
    return TRUE;
}
BOOL LineTo(HDC, int, int) {
    return TRUE;
}
