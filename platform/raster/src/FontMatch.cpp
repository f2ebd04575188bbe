#include "FontMatch.h"

#include <fontconfig/fontconfig.h>

#include <mutex>

namespace raster {

namespace {

// fontconfig's current configuration and its cached charsets are shared by the
// whole process. Recursive: a charset may be released while matching.
std::recursive_mutex& FontconfigLock() {
    static std::recursive_mutex* lock = new std::recursive_mutex; // outlives exit-time threads
    return *lock;
}

struct PatternDeleter {
    void operator()(FcPattern* p) const { FcPatternDestroy(p); }
};
struct FontSetDeleter {
    void operator()(FcFontSet* s) const { FcFontSetDestroy(s); }
};
struct ObjectSetDeleter {
    void operator()(FcObjectSet* s) const { FcObjectSetDestroy(s); }
};
using Pattern = std::unique_ptr<FcPattern, PatternDeleter>;

const FcChar8* Utf8(const std::string& s) {
    return reinterpret_cast<const FcChar8*>(s.c_str());
}

bool FamilyHasFile(FcConfig* config, const std::string& family) {
    Pattern pattern(FcPatternCreate());
    std::unique_ptr<FcObjectSet, ObjectSetDeleter> objects(FcObjectSetBuild(FC_FILE, nullptr));
    if (!pattern || !objects || !FcPatternAddString(pattern.get(), FC_FAMILY, Utf8(family))) {
        return false;
    }
    std::unique_ptr<FcFontSet, FontSetDeleter> set(
        FcFontList(config, pattern.get(), objects.get()));
    return set && set->nfont > 0;
}

Pattern RequestPattern(FcConfig* config, const std::string& family, const FontRequest& request,
                       int emPixels) {
    Pattern p(FcPatternCreate());
    if (!p) {
        return p;
    }
    FcPatternAddString(p.get(), FC_FAMILY, Utf8(family));
    FcPatternAddString(p.get(), FC_LANG, reinterpret_cast<const FcChar8*>("zh-cn"));
    FcPatternAddDouble(p.get(), FC_PIXEL_SIZE, emPixels);
    FcPatternAddInteger(p.get(), FC_WEIGHT, FcWeightFromOpenType(request.weight));
    FcPatternAddInteger(p.get(), FC_SLANT, request.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcConfigSubstitute(config, p.get(), FcMatchPattern);
    FcDefaultSubstitute(p.get());
    return p;
}

bool IsIdentity(const FcMatrix& m) {
    return m.xx == 1 && m.xy == 0 && m.yx == 0 && m.yy == 1;
}

} // namespace

void CharSetDeleter::operator()(FcCharSet* set) const {
    std::lock_guard guard(FontconfigLock());
    FcCharSetDestroy(set);
}

std::vector<MatchedFace> MatchFonts(const FontRequest& request, int emPixels) {
    // More fallbacks than this never add a character a panel shows.
    constexpr std::size_t kMaxFaces = 24;

    std::lock_guard guard(FontconfigLock());
    std::vector<MatchedFace> faces;
    if (!FcInit()) {
        return faces;
    }
    FcConfig* config = FcConfigGetCurrent();
    const std::string family = !request.family.empty() && FamilyHasFile(config, request.family)
                                   ? request.family
                                   : "sans-serif";
    const Pattern pattern = RequestPattern(config, family, request, emPixels);
    if (!pattern) {
        return faces;
    }
    FcResult result = FcResultMatch;
    std::unique_ptr<FcFontSet, FontSetDeleter> sorted(
        FcFontSort(config, pattern.get(), FcTrue, nullptr, &result));
    if (!sorted) {
        return faces;
    }
    for (int i = 0; i < sorted->nfont && faces.size() < kMaxFaces; ++i) {
        const Pattern font(FcFontRenderPrepare(config, pattern.get(), sorted->fonts[i]));
        if (!font) {
            continue;
        }
        FcChar8* file = nullptr;
        FcBool scalable = FcFalse;
        FcCharSet* charset = nullptr;
        if (FcPatternGetString(font.get(), FC_FILE, 0, &file) != FcResultMatch ||
            FcPatternGetBool(font.get(), FC_SCALABLE, 0, &scalable) != FcResultMatch || !scalable ||
            FcPatternGetCharSet(font.get(), FC_CHARSET, 0, &charset) != FcResultMatch) {
            continue;
        }
        MatchedFace face;
        face.file = reinterpret_cast<const char*>(file);
        FcPatternGetInteger(font.get(), FC_INDEX, 0, &face.index);
        FcChar8* name = nullptr;
        if (FcPatternGetString(font.get(), FC_FAMILY, 0, &name) == FcResultMatch) {
            face.family = reinterpret_cast<const char*>(name);
        }
        face.charset.reset(FcCharSetCopy(charset));
        FcBool embolden = FcFalse;
        face.embolden =
            FcPatternGetBool(font.get(), FC_EMBOLDEN, 0, &embolden) == FcResultMatch && embolden;
        FcMatrix* matrix = nullptr;
        face.oblique = FcPatternGetMatrix(font.get(), FC_MATRIX, 0, &matrix) == FcResultMatch &&
                       matrix && !IsIdentity(*matrix);
        faces.push_back(std::move(face));
    }
    return faces;
}

} // namespace raster
