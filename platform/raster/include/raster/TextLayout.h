#pragma once

// Splitting a text into the lines a rectangle shows. Pure: it measures through
// CharMetrics and draws nothing, so the drawing layer can both draw the lines
// and compute the size they take.

#include <climits>
#include <cstddef>
#include <string_view>
#include <vector>

#include <raster/CharMetrics.h>

namespace raster {

struct LayoutOptions {
    static constexpr int kUnbounded = INT_MAX;

    int width = kUnbounded;  // of the rectangle, in pixels
    bool expandTabs = false; // tab stops every 8 average character widths from the line's start
    bool wordBreak = false;  // wrap at spaces; break a word that alone is too long
    bool singleLine = false; // line breaks are ordinary characters; no wrapping
};

struct PlacedChar {
    wchar_t ch = 0;
    std::size_t index = 0; // in the text given to LayoutText
    int x = 0;             // from the line's left edge
    int advance = 0;       // an expanded tab's advance reaches its stop
};

struct LayoutLine {
    // Everything but the line break itself; tabs and other control characters
    // are kept (the font draws nothing for them).
    std::vector<PlacedChar> chars;
    int width = 0; // right edge of the last character, which may pass the rectangle's width
};

// "\n" and "\r\n" end a line unless singleLine; a break at the very end of the
// text starts no further line, and an empty text has no lines. Without
// wordBreak a line keeps the characters that start left of the width and the
// drawing clips the last of them; with it, a line breaks after the last space
// before the first character that does not fit (spaces at the break are
// dropped), or, with no such space, before that character; each wrapped line
// holds at least one character, so a width narrower than a glyph still ends.
std::vector<LayoutLine> LayoutText(std::wstring_view text, const LayoutOptions& options,
                                   const CharMetrics& metrics);

} // namespace raster
