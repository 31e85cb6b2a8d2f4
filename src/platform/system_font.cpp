#include "platform/system_font.h"

#include <fontconfig/fontconfig.h>

namespace {
bool g_fontconfigUp = false;
}

void TFont_Shutdown() {
    if (g_fontconfigUp) FcFini();
    g_fontconfigUp = false;
}

std::string TFont::FindFile() const {
    if (!FcInit()) return "";
    g_fontconfigUp = true;
    FcPattern* pattern = FcPatternCreate();
    if (!pattern) return "";
    FcPatternAddString(pattern, FC_FAMILY,
                       reinterpret_cast<const FcChar8*>(name.empty() ? "sans-serif" : name.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    std::string file;
    if (match) {
        FcChar8* path = nullptr;
        if (FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch && path)
            file = reinterpret_cast<const char*>(path);
        FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
    return file;
}
