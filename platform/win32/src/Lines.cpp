// Edges and pen lines.

#include "Canvas.h"
#include "Gdi.h"

using namespace win32::detail;

namespace {

struct EdgeColours {
    int topLeft;
    int bottomRight;
};

// One ring of an edge just inside `r`; the bottom and right sides own their corners.
void Ring(Canvas& canvas, const RECT& r, UINT sides, COLORREF topLeft, COLORREF bottomRight) {
    if (sides & BF_TOP)
        canvas.Fill(RECT{r.left, r.top, r.right - 1, r.top + 1}, topLeft);
    if (sides & BF_LEFT)
        canvas.Fill(RECT{r.left, r.top, r.left + 1, r.bottom - 1}, topLeft);
    if (sides & BF_BOTTOM)
        canvas.Fill(RECT{r.left, r.bottom - 1, r.right, r.bottom}, bottomRight);
    if (sides & BF_RIGHT)
        canvas.Fill(RECT{r.right - 1, r.top, r.right, r.bottom}, bottomRight);
}

RECT Inset(RECT r, UINT sides) {
    if (sides & BF_LEFT)
        ++r.left;
    if (sides & BF_TOP)
        ++r.top;
    if (sides & BF_RIGHT)
        --r.right;
    if (sides & BF_BOTTOM)
        --r.bottom;
    return r;
}

// The colour a DC's pen draws in; none for a null pen or one deleted since.
std::optional<COLORREF> PenColour(HPEN handle) {
    auto& gdi = Gdi();
    std::lock_guard lock(gdi.mutex);
    auto* pen = gdi.Find<PenObject>(handle, GdiKind::Pen);
    if (!pen || pen->null)
        return std::nullopt;
    return pen->color;
}

} // namespace

BOOL DrawEdge(HDC hdc, LPRECT rect, UINT edge, UINT flags) {
    if (!rect || rect->left >= rect->right || rect->top >= rect->bottom)
        return FALSE;
    Canvas canvas(hdc);
    if (!canvas.Valid())
        return FALSE;
    const UINT sides = flags & BF_RECT;
    RECT r = *rect;
    // Outer ring first, then the inner one inside it.
    const EdgeColours outer =
        (edge & BDR_RAISEDOUTER)   ? EdgeColours{COLOR_3DLIGHT, COLOR_3DDKSHADOW}
        : (edge & BDR_SUNKENOUTER) ? EdgeColours{COLOR_3DSHADOW, COLOR_3DHIGHLIGHT}
                                   : EdgeColours{-1, -1};
    const EdgeColours inner =
        (edge & BDR_RAISEDINNER)   ? EdgeColours{COLOR_3DHIGHLIGHT, COLOR_3DSHADOW}
        : (edge & BDR_SUNKENINNER) ? EdgeColours{COLOR_3DDKSHADOW, COLOR_3DLIGHT}
                                   : EdgeColours{-1, -1};
    const EdgeColours rings[] = {outer, inner};
    for (int i = 0; i < 2; ++i) {
        const EdgeColours& ring = rings[i];
        if (ring.topLeft < 0 || r.left >= r.right || r.top >= r.bottom)
            continue;
        if (flags & BF_FLAT) {
            // Flat: the outer ring is a plain shadow line, the inner one face.
            const int colour = i == 0 ? COLOR_3DSHADOW : COLOR_3DFACE;
            Ring(canvas, r, sides, GetSysColor(colour), GetSysColor(colour));
        } else {
            Ring(canvas, r, sides, GetSysColor(ring.topLeft), GetSysColor(ring.bottomRight));
        }
        r = Inset(r, sides);
    }
    return TRUE;
}

BOOL MoveToEx(HDC hdc, int x, int y, LPPOINT previous) {
    auto& gdi = Gdi();
    std::lock_guard lock(gdi.mutex);
    auto* dc = gdi.Find<DcObject>(hdc, GdiKind::Dc);
    if (!dc)
        return FALSE;
    if (previous)
        *previous = dc->state.penPosition;
    dc->state.penPosition = POINT{x, y};
    return TRUE;
}

BOOL LineTo(HDC hdc, int x, int y) {
    auto state = StateOf(hdc);
    if (!state)
        return FALSE;
    const auto colour = PenColour(state->pen);
    MoveToEx(hdc, x, y, nullptr);
    if (!colour)
        return TRUE;
    Canvas canvas(hdc);
    if (!canvas.Valid())
        return FALSE;
    canvas.Line(state->penPosition, POINT{x, y}, *colour);
    return TRUE;
}
