#include "function/function_sprite.h"

#include <cmath>
#include <iterator>
#include <string>

#include "data/error.h"
#include "data/game.h"
#include "data/game_data.h"
#include "function/function_http.h"
#include "function/picture_options.h"
#include "graphics/graphics.h"
#include "graphics/resource_file.h"
#include "graphics/sprite.h"
#include "graphics/sprite_create.h"
#include "graphics/sprite_draw.h"
#include "io/file_paths.h"
#include "net/http_client.h"
#include "object/instance.h"
#include "platform/console.h"
#include "room/room.h"
#include "value/args.h"
#include "vm/machine.h"

namespace {

constexpr const char* kNoSprite = "Trying to draw non-existing sprite.";

// A negative sub-image means the calling instance's current one.
int Frame(CInstance* self, int argc, const CValue* args, int i) {
    const double v = Arg_Real(argc, args, i);
    if (v < 0) return self ? Real_TruncToInt32(std::floor(self->imageIndex)) : 0;
    return Real_TruncToInt32(std::floor(v));
}

// The sprite of argument 0, or null after the drawing error.
CSprite* DrawTarget(int argc, const CValue* args) {
    CSprite* s = Sprite_Get(Arg_Index(argc, args, 0));
    if (s == nullptr) Code_ShowError(kNoSprite, false);
    return s;
}

void RoomArea(float& w, float& h) {
    const CRoom* room = Room_Running();
    w = room ? float(room->width) : 640.0f;
    h = room ? float(room->height) : 480.0f;
}

int FrameCount(const CSprite& s) { return s.FromDataFile() ? int(s.frameCount) : int(s.bitmaps.size()); }

// --- drawing --------------------------------------------------------------------------------

void F_DrawSelf(CValue&, CInstance* self, CInstance*, int, CValue*) {
    if (self == nullptr) return;
    if (!Sprite_Exists(self->spriteIndex)) return Code_ShowError(kNoSprite, false);
    Sprite_DrawExt(self->spriteIndex, Real_TruncToInt32(std::floor(self->imageIndex)), self->x, self->y,
                   self->imageXScale, self->imageYScale, self->imageAngle, self->imageBlend, self->imageAlpha);
}

void F_DrawSprite(CValue&, CInstance* self, CInstance*, int argc, CValue* args) {
    if (!DrawTarget(argc, args)) return;
    Sprite_Draw(Arg_Index(argc, args, 0), Frame(self, argc, args, 1), Arg_Float(argc, args, 2),
                Arg_Float(argc, args, 3));
}

void F_DrawSpriteExt(CValue&, CInstance* self, CInstance*, int argc, CValue* args) {
    if (!DrawTarget(argc, args)) return;
    Sprite_DrawExt(Arg_Index(argc, args, 0), Frame(self, argc, args, 1), Arg_Float(argc, args, 2),
                   Arg_Float(argc, args, 3), Arg_Float(argc, args, 4), Arg_Float(argc, args, 5),
                   Arg_Float(argc, args, 6), Arg_Colour(argc, args, 7), Arg_Real(argc, args, 8));
}

void F_DrawSpriteStretched(CValue&, CInstance* self, CInstance*, int argc, CValue* args) {
    if (!DrawTarget(argc, args)) return;
    Sprite_DrawStretched(Arg_Index(argc, args, 0), Frame(self, argc, args, 1), Arg_Float(argc, args, 2),
                         Arg_Float(argc, args, 3), Arg_Float(argc, args, 4), Arg_Float(argc, args, 5), 0xFFFFFF,
                         Graphics_Alpha());
}

void F_DrawSpriteStretchedExt(CValue&, CInstance* self, CInstance*, int argc, CValue* args) {
    if (!DrawTarget(argc, args)) return;
    Sprite_DrawStretched(Arg_Index(argc, args, 0), Frame(self, argc, args, 1), Arg_Float(argc, args, 2),
                         Arg_Float(argc, args, 3), Arg_Float(argc, args, 4), Arg_Float(argc, args, 5),
                         Arg_Colour(argc, args, 6), Arg_Real(argc, args, 7));
}

void F_DrawSpritePart(CValue&, CInstance* self, CInstance*, int argc, CValue* args) {
    if (!DrawTarget(argc, args)) return;
    Sprite_DrawPart(Arg_Index(argc, args, 0), Frame(self, argc, args, 1), Arg_Float(argc, args, 2),
                    Arg_Float(argc, args, 3), Arg_Float(argc, args, 4), Arg_Float(argc, args, 5),
                    Arg_Float(argc, args, 6), Arg_Float(argc, args, 7), 1, 1, 0xFFFFFF, Graphics_Alpha());
}

void F_DrawSpritePartExt(CValue&, CInstance* self, CInstance*, int argc, CValue* args) {
    if (!DrawTarget(argc, args)) return;
    Sprite_DrawPart(Arg_Index(argc, args, 0), Frame(self, argc, args, 1), Arg_Float(argc, args, 2),
                    Arg_Float(argc, args, 3), Arg_Float(argc, args, 4), Arg_Float(argc, args, 5),
                    Arg_Float(argc, args, 6), Arg_Float(argc, args, 7), Arg_Float(argc, args, 8),
                    Arg_Float(argc, args, 9), Arg_Colour(argc, args, 10), Arg_Real(argc, args, 11));
}

void F_DrawSpriteTiled(CValue&, CInstance* self, CInstance*, int argc, CValue* args) {
    if (!DrawTarget(argc, args)) return;
    float w, h;
    RoomArea(w, h);
    Sprite_DrawTiled(Arg_Index(argc, args, 0), Frame(self, argc, args, 1), Arg_Float(argc, args, 2),
                     Arg_Float(argc, args, 3), 1, 1, true, true, 0, 0, w, h, 0xFFFFFF, Graphics_Alpha());
}

void F_DrawSpriteTiledExt(CValue&, CInstance* self, CInstance*, int argc, CValue* args) {
    if (!DrawTarget(argc, args)) return;
    float w, h;
    RoomArea(w, h);
    Sprite_DrawTiled(Arg_Index(argc, args, 0), Frame(self, argc, args, 1), Arg_Float(argc, args, 2),
                     Arg_Float(argc, args, 3), Arg_Float(argc, args, 4), Arg_Float(argc, args, 5), true, true, 0, 0, w,
                     h, Arg_Colour(argc, args, 6), Arg_Real(argc, args, 7));
}

void F_DrawSpriteGeneral(CValue&, CInstance* self, CInstance*, int argc, CValue* args) {
    if (!DrawTarget(argc, args)) return;
    Sprite_DrawGeneral(
        Arg_Index(argc, args, 0), Frame(self, argc, args, 1), Arg_Float(argc, args, 2), Arg_Float(argc, args, 3),
        Arg_Float(argc, args, 4), Arg_Float(argc, args, 5), Arg_Float(argc, args, 6), Arg_Float(argc, args, 7),
        Arg_Float(argc, args, 8), Arg_Float(argc, args, 9), Arg_Float(argc, args, 10), Arg_Colour(argc, args, 11),
        Arg_Colour(argc, args, 12), Arg_Colour(argc, args, 13), Arg_Colour(argc, args, 14), Arg_Real(argc, args, 15));
}

void F_DrawSpritePos(CValue&, CInstance* self, CInstance*, int argc, CValue* args) {
    if (!DrawTarget(argc, args)) return;
    const float xs[4] = {Arg_Float(argc, args, 2), Arg_Float(argc, args, 4), Arg_Float(argc, args, 6),
                         Arg_Float(argc, args, 8)};
    const float ys[4] = {Arg_Float(argc, args, 3), Arg_Float(argc, args, 5), Arg_Float(argc, args, 7),
                         Arg_Float(argc, args, 9)};
    Sprite_DrawPos(Arg_Index(argc, args, 0), Frame(self, argc, args, 1), xs, ys, Arg_Real(argc, args, 10));
}

// --- reading --------------------------------------------------------------------------------

void F_SpriteExists(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    result.SetReal(Sprite_Exists(Arg_Index(argc, args, 0)) ? 1 : 0);
}

void F_SpriteGetName(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    const CSprite* s = Sprite_Get(Arg_Index(argc, args, 0));
    result.SetString(s ? s->name : "<undefined>");
}

// A field of the sprite of argument 0, -1 when it does not exist.
#define SPRITE_GET(NAME, EXPR)                                                  \
    void NAME(CValue& result, CInstance*, CInstance*, int argc, CValue* args) { \
        const CSprite* s = Sprite_Get(Arg_Index(argc, args, 0));                \
        result.SetReal(s ? double(EXPR) : -1.0);                                \
    }
SPRITE_GET(F_SpriteGetNumber, FrameCount(*s))
SPRITE_GET(F_SpriteGetWidth, s->width)
SPRITE_GET(F_SpriteGetHeight, s->height)
SPRITE_GET(F_SpriteGetTransparent, s->transparent ? 1 : 0)
SPRITE_GET(F_SpriteGetSmooth, s->smooth ? 1 : 0)
SPRITE_GET(F_SpriteGetPreload, s->preload ? 1 : 0)
SPRITE_GET(F_SpriteGetPrecise, s->precise ? 1 : 0)
SPRITE_GET(F_SpriteGetXOffset, s->xorigin)
SPRITE_GET(F_SpriteGetYOffset, s->yorigin)
SPRITE_GET(F_SpriteGetBBoxMode, s->bboxMode)
SPRITE_GET(F_SpriteGetBBoxLeft, s->bboxLeft)
SPRITE_GET(F_SpriteGetBBoxRight, s->bboxRight)
SPRITE_GET(F_SpriteGetBBoxTop, s->bboxTop)
SPRITE_GET(F_SpriteGetBBoxBottom, s->bboxBottom)
#undef SPRITE_GET

// sprite_get_tpe(spr, subimg): the texture-page entry of a frame from the data file (the
// number draw_primitive_begin_texture takes as an entry); -1 for frames made at run time.
void F_SpriteGetTpe(CValue& result, CInstance* self, CInstance*, int argc, CValue* args) {
    CSprite* s = Sprite_Get(Arg_Index(argc, args, 0));
    if (s == nullptr) {
        Code_ShowError("Trying to get texture from non-existing sprite.", false);
        return result.SetReal(-1);
    }
    const int f = Sprite_WrapFrame(*s, Frame(self, argc, args, 1));
    const CGameData* data = &Game().data;
    const uint64_t at = uint64_t(s->framesOffset) + 4 * uint64_t(f < 0 ? 0 : f);
    if (!s->FromDataFile() || f < 0 || data == nullptr || !data->InRange(at, 4)) return result.SetReal(-1);
    result.SetReal(double(data->U32(uint32_t(at))));
}

// Frames are whole textures that stay resident: there is no cache to size.
void F_SpriteSetCacheSize(CValue&, CInstance*, CInstance*, int, CValue*) {}

void F_SpriteGetTexture(CValue& result, CInstance* self, CInstance*, int argc, CValue* args) {
    CSprite* s = Sprite_Get(Arg_Index(argc, args, 0));
    if (s == nullptr) {
        Code_ShowError("Trying to get texture from non-existing sprite.", false);
        return result.SetReal(-1);
    }
    result.SetReal(Sprite_FrameTexture(*s, Frame(self, argc, args, 1)));
}

// --- changing -------------------------------------------------------------------------------

void F_SpriteSetOffset(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    CSprite* s = Sprite_Get(Arg_Index(argc, args, 0));
    if (s == nullptr) return;
    s->xorigin = Arg_IntTrunc(argc, args, 1);
    s->yorigin = Arg_IntTrunc(argc, args, 2);
    s->ComputeRadius();
}

void F_SpriteSetBBoxMode(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    if (CSprite* s = Sprite_Get(Arg_Index(argc, args, 0))) Sprite_SetBoundingBoxMode(*s, Arg_IntTrunc(argc, args, 1));
}

// The box a game sets is the manual one; in the other modes the box follows the pixels.
void F_SpriteSetBBox(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    CSprite* s = Sprite_Get(Arg_Index(argc, args, 0));
    if (s == nullptr || s->bboxMode != 2) return;
    s->bboxLeft = Arg_IntTrunc(argc, args, 1);
    s->bboxTop = Arg_IntTrunc(argc, args, 2);
    s->bboxRight = Arg_IntTrunc(argc, args, 3);
    s->bboxBottom = Arg_IntTrunc(argc, args, 4);
}

void F_SpriteSetPrecise(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    CSprite* s = Sprite_Get(Arg_Index(argc, args, 0));
    if (s == nullptr) return;
    s->precise = Arg_Bool(argc, args, 1);
    Sprite_CreateMasks(*s);
}

void F_SpriteCollisionMask(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    Sprite_CollisionMask(Arg_Index(argc, args, 0), Arg_Bool(argc, args, 1), Arg_IntTrunc(argc, args, 2),
                         Arg_IntTrunc(argc, args, 3), Arg_IntTrunc(argc, args, 4), Arg_IntTrunc(argc, args, 5),
                         Arg_IntTrunc(argc, args, 6), Arg_IntTrunc(argc, args, 7), Arg_IntTrunc(argc, args, 8));
}

void F_SpriteSetAlphaFromSprite(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    Sprite_SetAlphaFrom(Arg_Index(argc, args, 0), Arg_Index(argc, args, 1));
}

// --- making ---------------------------------------------------------------------------------

// Only sprite_add downloads; the other file forms take local files.
bool RefuseUrl(const std::string& name, const char* function) {
    if (name.rfind("http://", 0) != 0 && name.rfind("https://", 0) != 0) return false;
    Code_ShowError(std::string(function) + "(): downloading \"" + name + "\" is not available.", false);
    return true;
}

// The alpha forms keep the file's own transparency: (precise, preload).
CPictureOptions AlphaOptions(int argc, const CValue* args, int at) {
    CPictureOptions o;
    o.precise = Arg_Bool(argc, args, at);
    o.preload = Arg_Bool(argc, args, at + 1);
    return o;
}

int AddFromFile(const std::string& name, int frames, const CPictureOptions& o, int xo, int yo, const char* function) {
    if (RefuseUrl(name, function)) return -1;
    std::vector<CBitmap32> pictures;
    if (!Sprite_LoadFrames(name, frames, o, pictures)) return -1;
    return Sprite_AddPictures(std::move(pictures), o, xo, yo);
}

bool ReplaceFromFile(int id, const std::string& name, int frames, const CPictureOptions& o, int xo, int yo,
                     const char* function) {
    if (!Sprite_Exists(id) || RefuseUrl(name, function)) return false;
    std::vector<CBitmap32> pictures;
    return Sprite_LoadFrames(name, frames, o, pictures) && Sprite_ReplacePictures(id, std::move(pictures), o, xo, yo);
}

// sprite_add(fname, imgnumb, removeback, smooth, xorig, yorig) or, with eight arguments,
// sprite_add(fname, imgnumb, precise, transparent, smooth, preload, xorig, yorig).
void F_SpriteAdd(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    const bool longForm = argc >= 8;
    const CPictureOptions o = longForm ? PictureOptions_Long(argc, args, 2) : PictureOptions_Short(argc, args, 2);
    const int origin = longForm ? 6 : 4;
    const std::string name(Arg_Text(argc, args, 0));
    const int frames = Arg_IntTrunc(argc, args, 1);
    const int xo = Arg_IntTrunc(argc, args, origin), yo = Arg_IntTrunc(argc, args, origin + 1);
    result.SetReal(Http_IsUrl(name) ? Http_DownloadSprite(name, frames, o, xo, yo)
                                    : AddFromFile(name, frames, o, xo, yo, "sprite_add"));
}

void F_SpriteReplace(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    const bool longForm = argc >= 9;
    const CPictureOptions o = longForm ? PictureOptions_Long(argc, args, 3) : PictureOptions_Short(argc, args, 3);
    const int origin = longForm ? 7 : 5;
    result.SetReal(ReplaceFromFile(Arg_Index(argc, args, 0), std::string(Arg_Text(argc, args, 1)),
                                   Arg_IntTrunc(argc, args, 2), o, Arg_IntTrunc(argc, args, origin),
                                   Arg_IntTrunc(argc, args, origin + 1), "sprite_replace")
                       ? 1
                       : 0);
}

void F_SpriteAddAlpha(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    result.SetReal(AddFromFile(std::string(Arg_Text(argc, args, 0)), Arg_IntTrunc(argc, args, 1),
                               AlphaOptions(argc, args, 2), Arg_IntTrunc(argc, args, 4), Arg_IntTrunc(argc, args, 5),
                               "sprite_add_alpha"));
}

void F_SpriteReplaceAlpha(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    result.SetReal(ReplaceFromFile(Arg_Index(argc, args, 0), std::string(Arg_Text(argc, args, 1)),
                                   Arg_IntTrunc(argc, args, 2), AlphaOptions(argc, args, 3),
                                   Arg_IntTrunc(argc, args, 5), Arg_IntTrunc(argc, args, 6), "sprite_replace_alpha")
                       ? 1
                       : 0);
}

// The screen's pixels are opaque whatever alpha drawing left in them.
CBitmap32 ScreenPicture(int argc, const CValue* args, int at, const CPictureOptions& o) {
    int w = 0, h = 0;
    std::vector<uint32_t> pixels =
        Graphics_ReadScreen(Arg_IntTrunc(argc, args, at), Arg_IntTrunc(argc, args, at + 1),
                            Arg_IntTrunc(argc, args, at + 2), Arg_IntTrunc(argc, args, at + 3), w, h);
    for (uint32_t& p : pixels) p |= 0xFF000000u;
    CBitmap32 picture = CBitmap32::FromPixels(w, h, std::move(pixels));
    Picture_Apply(picture, o);
    return picture;
}

// sprite_create_from_screen(x, y, w, h, removeback, smooth, xorig, yorig) or, with ten
// arguments, (x, y, w, h, precise, transparent, smooth, preload, xorig, yorig).
void F_SpriteCreateFromScreen(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    const bool longForm = argc >= 10;
    const CPictureOptions o = longForm ? PictureOptions_Long(argc, args, 4) : PictureOptions_Short(argc, args, 4);
    const int origin = longForm ? 8 : 6;
    CBitmap32 picture = ScreenPicture(argc, args, 0, o);
    if (picture.Empty()) return result.SetReal(-1);
    std::vector<CBitmap32> frames;
    frames.push_back(std::move(picture));
    result.SetReal(Sprite_AddPictures(std::move(frames), o, Arg_IntTrunc(argc, args, origin),
                                      Arg_IntTrunc(argc, args, origin + 1)));
}

// sprite_add_from_screen(ind, x, y, w, h, removeback, smooth), or the five-argument form
// without the options.
void F_SpriteAddFromScreen(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    const int id = Arg_Index(argc, args, 0);
    if (!Sprite_Exists(id)) return;
    const CPictureOptions o = argc >= 7 ? PictureOptions_Short(argc, args, 5) : CPictureOptions{};
    const CBitmap32 picture = ScreenPicture(argc, args, 1, o);
    if (!picture.Empty()) Sprite_AddFrame(id, picture);
}

// sprite_add_sprite(fname) / sprite_replace_sprite(ind, fname): a sprite file.
void F_SpriteAddSprite(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    std::string error;
    const int index = Sprite_FromDescription(std::string(Arg_Text(argc, args, 0)), -1, error);
    if (index < 0) Code_ShowError("sprite_add_sprite(): " + error, false);
    result.SetReal(index);
}

void F_SpriteReplaceSprite(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    const int id = Arg_Index(argc, args, 0);
    if (!Sprite_Exists(id)) return;
    std::string error;
    const bool ok = Sprite_FromDescription(std::string(Arg_Text(argc, args, 1)), id, error) >= 0;
    if (!ok) Code_ShowError("sprite_replace_sprite(): " + error, false);
    result.SetReal(ok ? 1 : 0);
}

void F_SpriteDelete(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    Sprite_Delete(Arg_Index(argc, args, 0));
}

void F_SpriteDuplicate(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    result.SetReal(Sprite_Duplicate(Arg_Index(argc, args, 0)));
}

void F_SpriteAssign(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    Sprite_Assign(Arg_Index(argc, args, 0), Arg_Index(argc, args, 1));
}

void F_SpriteMerge(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    Sprite_Merge(Arg_Index(argc, args, 0), Arg_Index(argc, args, 1));
}

// --- saving ---------------------------------------------------------------------------------

void SavePicture(int id, int frame, const std::string& name) {
    CSprite* s = Sprite_Get(id);
    if (s == nullptr) return Code_ShowError("Trying to save non-existing sprite bitmap.", false);
    if (name.empty()) return;
    // Data-file frames are cut out of their texture page, so they save like any other.
    CBitmap32 picture;
    if (!Sprite_SavePicture(*s, frame, picture)) {
        Console().Output("sprite_save() failed - no bitmap data available\n");
        return;
    }
    std::string path;
    if (FilePaths_ForWriting(name, path)) Bitmap_SavePng(picture, path);
}

void F_SpriteSave(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    const int frame = Real_TruncToInt32(std::floor(Arg_Real(argc, args, 1)));
    const CSprite* s = Sprite_Get(Arg_Index(argc, args, 0));
    // A frame number is wrapped like a drawn one (so -1 is the last frame, not the strip).
    SavePicture(Arg_Index(argc, args, 0), s ? std::max(0, Sprite_WrapFrame(*s, frame)) : 0,
                std::string(Arg_Text(argc, args, 2)));
}

void F_SpriteSaveStrip(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    SavePicture(Arg_Index(argc, args, 0), -1, std::string(Arg_Text(argc, args, 1)));
}

}  // namespace

extern const FunctionImpl kSpriteFunctions[] = {
    {"draw_self", F_DrawSelf},
    {"draw_sprite", F_DrawSprite},
    {"draw_sprite_ext", F_DrawSpriteExt},
    {"draw_sprite_pos", F_DrawSpritePos},
    {"draw_sprite_stretched", F_DrawSpriteStretched},
    {"draw_sprite_stretched_ext", F_DrawSpriteStretchedExt},
    {"draw_sprite_part", F_DrawSpritePart},
    {"draw_sprite_part_ext", F_DrawSpritePartExt},
    {"draw_sprite_general", F_DrawSpriteGeneral},
    {"draw_sprite_tiled", F_DrawSpriteTiled},
    {"draw_sprite_tiled_ext", F_DrawSpriteTiledExt},
    {"sprite_get_texture", F_SpriteGetTexture},
    {"sprite_get_tpe", F_SpriteGetTpe},
    {"sprite_set_cache_size", F_SpriteSetCacheSize},
    {"sprite_set_cache_size_ext", F_SpriteSetCacheSize},
    {"sprite_name", F_SpriteGetName},
    {"sprite_exists", F_SpriteExists},
    {"sprite_get_name", F_SpriteGetName},
    {"sprite_get_number", F_SpriteGetNumber},
    {"sprite_get_width", F_SpriteGetWidth},
    {"sprite_get_height", F_SpriteGetHeight},
    {"sprite_get_transparent", F_SpriteGetTransparent},
    {"sprite_get_smooth", F_SpriteGetSmooth},
    {"sprite_get_preload", F_SpriteGetPreload},
    {"sprite_get_xoffset", F_SpriteGetXOffset},
    {"sprite_get_yoffset", F_SpriteGetYOffset},
    {"sprite_get_bbox_mode", F_SpriteGetBBoxMode},
    {"sprite_get_bbox_left", F_SpriteGetBBoxLeft},
    {"sprite_get_bbox_right", F_SpriteGetBBoxRight},
    {"sprite_get_bbox_top", F_SpriteGetBBoxTop},
    {"sprite_get_bbox_bottom", F_SpriteGetBBoxBottom},
    {"sprite_get_precise", F_SpriteGetPrecise},
    {"sprite_collision_mask", F_SpriteCollisionMask},
    {"sprite_set_offset", F_SpriteSetOffset},
    {"sprite_set_bbox_mode", F_SpriteSetBBoxMode},
    {"sprite_set_bbox", F_SpriteSetBBox},
    {"sprite_set_precise", F_SpriteSetPrecise},
    {"sprite_set_alpha_from_sprite", F_SpriteSetAlphaFromSprite},
    {"sprite_add", F_SpriteAdd},
    {"sprite_create_from_screen", F_SpriteCreateFromScreen},
    {"sprite_add_from_screen", F_SpriteAddFromScreen},
    {"sprite_replace", F_SpriteReplace},
    {"sprite_add_sprite", F_SpriteAddSprite},
    {"sprite_replace_sprite", F_SpriteReplaceSprite},
    {"sprite_add_alpha", F_SpriteAddAlpha},
    {"sprite_replace_alpha", F_SpriteReplaceAlpha},
    {"sprite_delete", F_SpriteDelete},
    {"sprite_duplicate", F_SpriteDuplicate},
    {"sprite_assign", F_SpriteAssign},
    {"sprite_merge", F_SpriteMerge},
    {"sprite_save", F_SpriteSave},
    {"sprite_save_strip", F_SpriteSaveStrip},
};
extern const size_t kSpriteFunctionCount = std::size(kSpriteFunctions);
