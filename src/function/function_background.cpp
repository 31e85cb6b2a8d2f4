#include "function/function_background.h"

#include <cmath>
#include <iterator>
#include <string>

#include "data/error.h"
#include "function/function_http.h"
#include "graphics/background.h"
#include "graphics/graphics.h"
#include "graphics/resource_file.h"
#include "graphics/sprite_create.h"
#include "graphics/sprite_draw.h"
#include "io/file_paths.h"
#include "net/http_client.h"
#include "platform/console.h"
#include "room/room.h"
#include "value/args.h"

namespace {

constexpr const char* kNoBackground = "Trying to draw a non-existing background.";

// The background of argument 0 exists, or the drawing error is shown.
bool DrawTarget(int argc, const CValue* args) {
    if (Background_Exists(Arg_Index(argc, args, 0))) return true;
    Code_ShowError(kNoBackground, false);
    return false;
}

void RoomArea(float& w, float& h) {
    const CRoom* room = Room_Running();
    w = room ? float(room->width) : 640.0f;
    h = room ? float(room->height) : 480.0f;
}

// --- drawing --------------------------------------------------------------------------------

void F_DrawBackground(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    if (DrawTarget(argc, args))
        Background_Draw(Arg_Index(argc, args, 0), Arg_Float(argc, args, 1), Arg_Float(argc, args, 2));
}

void F_DrawBackgroundExt(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    if (!DrawTarget(argc, args)) return;
    Background_DrawExt(Arg_Index(argc, args, 0), Arg_Float(argc, args, 1), Arg_Float(argc, args, 2),
                       Arg_Float(argc, args, 3), Arg_Float(argc, args, 4), Arg_Float(argc, args, 5),
                       Arg_Colour(argc, args, 6), Arg_Real(argc, args, 7));
}

void F_DrawBackgroundStretched(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    if (!DrawTarget(argc, args)) return;
    Background_DrawStretched(Arg_Index(argc, args, 0), Arg_Float(argc, args, 1), Arg_Float(argc, args, 2),
                             Arg_Float(argc, args, 3), Arg_Float(argc, args, 4), 0xFFFFFF, Graphics_Alpha());
}

void F_DrawBackgroundStretchedExt(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    if (!DrawTarget(argc, args)) return;
    Background_DrawStretched(Arg_Index(argc, args, 0), Arg_Float(argc, args, 1), Arg_Float(argc, args, 2),
                             Arg_Float(argc, args, 3), Arg_Float(argc, args, 4), Arg_Colour(argc, args, 5),
                             Arg_Real(argc, args, 6));
}

void F_DrawBackgroundPart(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    if (!DrawTarget(argc, args)) return;
    Background_DrawPart(Arg_Index(argc, args, 0), Arg_Float(argc, args, 1), Arg_Float(argc, args, 2),
                        Arg_Float(argc, args, 3), Arg_Float(argc, args, 4), Arg_Float(argc, args, 5),
                        Arg_Float(argc, args, 6), 1, 1, 0xFFFFFF, Graphics_Alpha());
}

void F_DrawBackgroundPartExt(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    if (!DrawTarget(argc, args)) return;
    Background_DrawPart(Arg_Index(argc, args, 0), Arg_Float(argc, args, 1), Arg_Float(argc, args, 2),
                        Arg_Float(argc, args, 3), Arg_Float(argc, args, 4), Arg_Float(argc, args, 5),
                        Arg_Float(argc, args, 6), Arg_Float(argc, args, 7), Arg_Float(argc, args, 8),
                        Arg_Colour(argc, args, 9), Arg_Real(argc, args, 10));
}

void F_DrawBackgroundGeneral(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    if (!DrawTarget(argc, args)) return;
    Background_DrawGeneral(Arg_Index(argc, args, 0), Arg_Float(argc, args, 1), Arg_Float(argc, args, 2),
                           Arg_Float(argc, args, 3), Arg_Float(argc, args, 4), Arg_Float(argc, args, 5),
                           Arg_Float(argc, args, 6), Arg_Float(argc, args, 7), Arg_Float(argc, args, 8),
                           Arg_Float(argc, args, 9), Arg_Colour(argc, args, 10), Arg_Colour(argc, args, 11),
                           Arg_Colour(argc, args, 12), Arg_Colour(argc, args, 13), Arg_Real(argc, args, 14));
}

void F_DrawBackgroundTiled(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    if (!DrawTarget(argc, args)) return;
    float w, h;
    RoomArea(w, h);
    Background_DrawTiled(Arg_Index(argc, args, 0), Arg_Float(argc, args, 1), Arg_Float(argc, args, 2), 1, 1, true, true,
                         0, 0, w, h, 0xFFFFFF, Graphics_Alpha());
}

void F_DrawBackgroundTiledExt(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    if (!DrawTarget(argc, args)) return;
    float w, h;
    RoomArea(w, h);
    Background_DrawTiled(Arg_Index(argc, args, 0), Arg_Float(argc, args, 1), Arg_Float(argc, args, 2),
                         Arg_Float(argc, args, 3), Arg_Float(argc, args, 4), true, true, 0, 0, w, h,
                         Arg_Colour(argc, args, 5), Arg_Real(argc, args, 6));
}

// --- reading --------------------------------------------------------------------------------

void F_BackgroundExists(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    result.SetReal(Background_Exists(Arg_Index(argc, args, 0)) ? 1 : 0);
}

void F_BackgroundGetName(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    const CBackground* b = Background_Get(Arg_Index(argc, args, 0));
    result.SetString(b ? b->name : "<undefined>");
}

#define BACKGROUND_GET(NAME, EXPR)                                              \
    void NAME(CValue& result, CInstance*, CInstance*, int argc, CValue* args) { \
        const CBackground* b = Background_Get(Arg_Index(argc, args, 0));        \
        result.SetReal(b ? double(EXPR) : -1.0);                                \
    }
BACKGROUND_GET(F_BackgroundGetWidth, b->width)
BACKGROUND_GET(F_BackgroundGetHeight, b->height)
BACKGROUND_GET(F_BackgroundGetTransparent, b->transparent ? 1 : 0)
BACKGROUND_GET(F_BackgroundGetSmooth, b->smooth ? 1 : 0)
BACKGROUND_GET(F_BackgroundGetPreload, b->preload ? 1 : 0)
#undef BACKGROUND_GET

void F_BackgroundGetTexture(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    CBackground* b = Background_Get(Arg_Index(argc, args, 0));
    if (b == nullptr) {
        Code_ShowError("Trying to get texture from non-existing background.", false);
        return result.SetReal(-1);
    }
    result.SetReal(Background_Texture(*b));
}

// --- making ---------------------------------------------------------------------------------

// Only background_add downloads; the other file forms take local files.
bool RefuseUrl(const std::string& name, const char* function) {
    if (name.rfind("http://", 0) != 0 && name.rfind("https://", 0) != 0) return false;
    Code_ShowError(std::string(function) + "(): downloading \"" + name + "\" is not available.", false);
    return true;
}

// (transparent, smooth[, preload]): a transparent background loses its bottom-left
// pixel's colour.
CPictureOptions FileOptions(int argc, const CValue* args, int at) {
    CPictureOptions o;
    o.transparent = o.removeBackground = Arg_Bool(argc, args, at);
    o.smooth = Arg_Bool(argc, args, at + 1);
    o.preload = argc > at + 2 ? Arg_Bool(argc, args, at + 2) : true;
    return o;
}
// The alpha forms keep the file's transparency: (preload).
CPictureOptions AlphaOptions(int argc, const CValue* args, int at) {
    CPictureOptions o;
    o.transparent = true;
    o.preload = Arg_Bool(argc, args, at);
    return o;
}
CPictureOptions Opaque(int argc, const CValue* args, int preloadAt) {
    CPictureOptions o;
    o.transparent = false;
    o.preload = argc > preloadAt ? Arg_Bool(argc, args, preloadAt) : true;
    return o;
}

bool Load(const std::string& name, const CPictureOptions& o, CBitmap32& picture, const char* function) {
    return !RefuseUrl(name, function) && Background_LoadPicture(name, o, picture);
}

void F_BackgroundAdd(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    const CPictureOptions o = FileOptions(argc, args, 1);
    const std::string name(Arg_Text(argc, args, 0));
    if (Http_IsUrl(name)) return result.SetReal(Http_DownloadBackground(name, o));
    CBitmap32 picture;
    result.SetReal(Load(name, o, picture, "background_add") ? Background_AddPicture(std::move(picture), o) : -1);
}

void F_BackgroundReplace(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    const int id = Arg_Index(argc, args, 0);
    const CPictureOptions o = FileOptions(argc, args, 2);
    CBitmap32 picture;
    result.SetReal(Background_Exists(id) &&
                           Load(std::string(Arg_Text(argc, args, 1)), o, picture, "background_replace") &&
                           Background_ReplacePicture(id, std::move(picture), o)
                       ? 1
                       : 0);
}

void F_BackgroundAddAlpha(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    const CPictureOptions o = AlphaOptions(argc, args, 1);
    CBitmap32 picture;
    result.SetReal(Load(std::string(Arg_Text(argc, args, 0)), o, picture, "background_add_alpha")
                       ? Background_AddPicture(std::move(picture), o)
                       : -1);
}

void F_BackgroundReplaceAlpha(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    const int id = Arg_Index(argc, args, 0);
    const CPictureOptions o = AlphaOptions(argc, args, 2);
    CBitmap32 picture;
    result.SetReal(Background_Exists(id) &&
                           Load(std::string(Arg_Text(argc, args, 1)), o, picture, "background_replace_alpha") &&
                           Background_ReplacePicture(id, std::move(picture), o)
                       ? 1
                       : 0);
}

// background_create_color(w, h, col[, preload]).
void F_BackgroundCreateColor(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    CBitmap32 picture(Arg_IntTrunc(argc, args, 0), Arg_IntTrunc(argc, args, 1),
                      Colour_ToDevice(Arg_Colour(argc, args, 2), 255));
    result.SetReal(Background_AddPicture(std::move(picture), Opaque(argc, args, 3)));
}

// background_create_gradient(w, h, col1, col2, kind[, preload]).
void F_BackgroundCreateGradient(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    CBitmap32 picture =
        Bitmap_Gradient(Arg_IntTrunc(argc, args, 0), Arg_IntTrunc(argc, args, 1), Arg_Colour(argc, args, 2),
                        Arg_Colour(argc, args, 3), Arg_IntTrunc(argc, args, 4));
    result.SetReal(Background_AddPicture(std::move(picture), Opaque(argc, args, 5)));
}

// background_create_from_screen(x, y, w, h, transparent, smooth[, preload]).
void F_BackgroundCreateFromScreen(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    const CPictureOptions o = FileOptions(argc, args, 4);
    int w = 0, h = 0;
    std::vector<uint32_t> pixels = Graphics_ReadScreen(Arg_IntTrunc(argc, args, 0), Arg_IntTrunc(argc, args, 1),
                                                       Arg_IntTrunc(argc, args, 2), Arg_IntTrunc(argc, args, 3), w, h);
    for (uint32_t& p : pixels) p |= 0xFF000000u;
    CBitmap32 picture = CBitmap32::FromPixels(w, h, std::move(pixels));
    Picture_Apply(picture, o);
    result.SetReal(Background_AddPicture(std::move(picture), o));
}

// background_add_background(fname): a background file.
void F_BackgroundAddBackground(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    std::string error;
    const int index = Background_FromDescription(std::string(Arg_Text(argc, args, 0)), -1, error);
    if (index < 0) Code_ShowError("background_add_background(): " + error, false);
    result.SetReal(index);
}

void F_BackgroundDelete(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    Background_Delete(Arg_Index(argc, args, 0));
}

void F_BackgroundDuplicate(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    result.SetReal(Background_Duplicate(Arg_Index(argc, args, 0)));
}

void F_BackgroundAssign(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    Background_Assign(Arg_Index(argc, args, 0), Arg_Index(argc, args, 1));
}

void F_BackgroundSetAlphaFromBackground(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    Background_SetAlphaFrom(Arg_Index(argc, args, 0), Arg_Index(argc, args, 1));
}

void F_BackgroundSave(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    CBackground* b = Background_Get(Arg_Index(argc, args, 0));
    if (b == nullptr) return Code_ShowError("Trying to save non-existing background bitmap.", false);
    const std::string name = std::string(Arg_Text(argc, args, 1));
    if (name.empty()) return;
    CBitmap32 picture;
    if (!Background_Picture(*b, picture)) {
        Console().Output("background_save() failed - no bitmap data available\n");
        return;
    }
    std::string path;
    if (FilePaths_ForWriting(name, path)) Bitmap_SavePng(picture, path);
}

}  // namespace

extern const FunctionImpl kBackgroundFunctions[] = {
    {"draw_background", F_DrawBackground},
    {"draw_background_ext", F_DrawBackgroundExt},
    {"draw_background_stretched", F_DrawBackgroundStretched},
    {"draw_background_stretched_ext", F_DrawBackgroundStretchedExt},
    {"draw_background_part", F_DrawBackgroundPart},
    {"draw_background_part_ext", F_DrawBackgroundPartExt},
    {"draw_background_general", F_DrawBackgroundGeneral},
    {"draw_background_tiled", F_DrawBackgroundTiled},
    {"draw_background_tiled_ext", F_DrawBackgroundTiledExt},
    {"background_get_texture", F_BackgroundGetTexture},
    {"background_name", F_BackgroundGetName},
    {"background_exists", F_BackgroundExists},
    {"background_get_name", F_BackgroundGetName},
    {"background_get_width", F_BackgroundGetWidth},
    {"background_get_height", F_BackgroundGetHeight},
    {"background_get_transparent", F_BackgroundGetTransparent},
    {"background_get_smooth", F_BackgroundGetSmooth},
    {"background_get_preload", F_BackgroundGetPreload},
    {"background_set_alpha_from_background", F_BackgroundSetAlphaFromBackground},
    {"background_create_color", F_BackgroundCreateColor},
    {"background_replace", F_BackgroundReplace},
    {"background_create_from_screen", F_BackgroundCreateFromScreen},
    {"background_create_gradient", F_BackgroundCreateGradient},
    {"background_add", F_BackgroundAdd},
    {"background_add_background", F_BackgroundAddBackground},
    {"background_add_alpha", F_BackgroundAddAlpha},
    {"background_replace_alpha", F_BackgroundReplaceAlpha},
    {"background_delete", F_BackgroundDelete},
    {"background_duplicate", F_BackgroundDuplicate},
    {"background_assign", F_BackgroundAssign},
    {"background_save", F_BackgroundSave},
};
extern const size_t kBackgroundFunctionCount = std::size(kBackgroundFunctions);
