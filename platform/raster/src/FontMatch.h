#pragma once

#include <memory>
#include <string>
#include <vector>

#include <raster/Font.h>

typedef struct _FcCharSet FcCharSet;

namespace raster {

struct CharSetDeleter {
    void operator()(FcCharSet* set) const;
};

// One font file of a fontconfig sorted set, with what fontconfig wants done to it.
struct MatchedFace {
    std::string file;
    int index = 0;
    std::string family;
    std::unique_ptr<FcCharSet, CharSetDeleter> charset;
    bool embolden = false;
    bool oblique = false;
};

// The scalable fonts to draw `request` with, best first; empty when there are none.
std::vector<MatchedFace> MatchFonts(const FontRequest& request, int emPixels);

} // namespace raster
