#include "function/function_surface.h"

#include <cmath>
#include <iterator>
#include <string>
#include <vector>

#include "data/error.h"
#include "function/picture_options.h"
#include "graphics/bitmap.h"
#include "graphics/graphics.h"
#include "graphics/sprite_create.h"
#include "graphics/sprite_draw.h"
#include "graphics/surface.h"
#include "io/file_paths.h"
#include "room/room.h"
#include "room/room_transition.h"
#include "value/args.h"

namespace {

constexpr const char* kNoSurface = "Trying to use non-existing surface.";

// The surface id of argument `i`, or -1 after the error.
int Surface(int argc, const CValue* args, int i = 0) {
    const int id = Arg_Index(argc, args, i);
    if (Surface_Exists(id)) return id;
    Code_ShowError(kNoSurface, false);
    return -1;
}

// --- the table ------------------------------------------------------------------------------

void F_SurfaceCreate(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    result.SetReal(Surface_Create(Arg_IntTrunc(argc, args, 0), Arg_IntTrunc(argc, args, 1)));
}

void F_SurfaceFree(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    const int id = Surface(argc, args);
    if (id >= 0) Surface_Free(id);
}

void F_SurfaceExists(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    result.SetReal(Surface_Exists(Arg_Index(argc, args, 0)) ? 1 : 0);
}

void F_SurfaceGetWidth(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    const int id = Surface(argc, args);
    result.SetReal(id >= 0 ? Surface_Width(id) : -1);
}

void F_SurfaceGetHeight(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    const int id = Surface(argc, args);
    result.SetReal(id >= 0 ? Surface_Height(id) : -1);
}

void F_SurfaceGetTexture(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    const int id = Surface(argc, args);
    result.SetReal(id >= 0 ? Surface_Texture(id) : -1);
}

void F_SurfaceSetTarget(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    const int id = Surface(argc, args);
    result.SetReal(id >= 0 && Surface_SetTarget(id) ? 1 : 0);
}

void F_SurfaceResetTarget(CValue& result, CInstance*, CInstance*, int, CValue*) {
    result.SetReal(Surface_ResetTarget() ? 1 : 0);
}

// --- reading back ---------------------------------------------------------------------------

void F_SurfaceGetPixel(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    const int id = Surface(argc, args);
    result.SetReal(id >= 0 ? double(Surface_GetPixel(id, Arg_IntTrunc(argc, args, 1), Arg_IntTrunc(argc, args, 2)))
                           : 0.0);
}

void SaveSurface(int argc, const CValue* args, int x, int y, int w, int h) {
    const int id = Surface(argc, args);
    if (id < 0) return;
    const std::string name = std::string(Arg_Text(argc, args, 1));
    if (name.empty()) return Code_ShowError("Trying to save surface to empty image file name.", false);
    std::string path;
    if (!FilePaths_ForWriting(name, path)) return;
    Surface_SaveBmp(id, path, x, y, w, h);
}

void F_SurfaceSave(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    SaveSurface(argc, args, 0, 0, 1 << 30, 1 << 30);
}

// surface_save_part(id, fname, x, y, w, h).
void F_SurfaceSavePart(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    SaveSurface(argc, args, Arg_IntTrunc(argc, args, 2), Arg_IntTrunc(argc, args, 3), Arg_IntTrunc(argc, args, 4),
                Arg_IntTrunc(argc, args, 5));
}

// surface_copy(destination, x, y, source).
void F_SurfaceCopy(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    const int destination = Surface(argc, args, 0);
    if (destination < 0) return;
    const int source = Surface(argc, args, 3);
    if (source < 0) return;
    Surface_Copy(destination, Arg_IntTrunc(argc, args, 1), Arg_IntTrunc(argc, args, 2), source, 0, 0,
                 Surface_Width(source), Surface_Height(source));
}

// surface_copy_part(destination, x, y, source, xs, ys, ws, hs).
void F_SurfaceCopyPart(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    const int destination = Surface(argc, args, 0);
    if (destination < 0) return;
    const int source = Surface(argc, args, 3);
    if (source < 0) return;
    Surface_Copy(destination, Arg_IntTrunc(argc, args, 1), Arg_IntTrunc(argc, args, 2), source,
                 Arg_IntTrunc(argc, args, 4), Arg_IntTrunc(argc, args, 5), Arg_IntTrunc(argc, args, 6),
                 Arg_IntTrunc(argc, args, 7));
}

// --- drawing --------------------------------------------------------------------------------

void F_DrawSurface(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    const int id = Surface(argc, args);
    if (id >= 0) Surface_Draw(id, Arg_Float(argc, args, 1), Arg_Float(argc, args, 2));
}

// draw_surface_ext(id, x, y, xscale, yscale, rot, colour, alpha).
void F_DrawSurfaceExt(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    const int id = Surface(argc, args);
    if (id >= 0)
        Surface_DrawExt(id, Arg_Float(argc, args, 1), Arg_Float(argc, args, 2), Arg_Float(argc, args, 3),
                        Arg_Float(argc, args, 4), Arg_Float(argc, args, 5), Arg_Colour(argc, args, 6),
                        Arg_Real(argc, args, 7));
}

void F_DrawSurfaceStretched(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    const int id = Surface(argc, args);
    if (id >= 0)
        Surface_DrawStretched(id, Arg_Float(argc, args, 1), Arg_Float(argc, args, 2), Arg_Float(argc, args, 3),
                              Arg_Float(argc, args, 4), 0xFFFFFF, Graphics_Alpha());
}

void F_DrawSurfaceStretchedExt(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    const int id = Surface(argc, args);
    if (id >= 0)
        Surface_DrawStretched(id, Arg_Float(argc, args, 1), Arg_Float(argc, args, 2), Arg_Float(argc, args, 3),
                              Arg_Float(argc, args, 4), Arg_Colour(argc, args, 5), Arg_Real(argc, args, 6));
}

// draw_surface_part(id, left, top, w, h, x, y).
void F_DrawSurfacePart(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    const int id = Surface(argc, args);
    if (id >= 0)
        Surface_DrawPart(id, Arg_Float(argc, args, 1), Arg_Float(argc, args, 2), Arg_Float(argc, args, 3),
                         Arg_Float(argc, args, 4), Arg_Float(argc, args, 5), Arg_Float(argc, args, 6), 1, 1, 0xFFFFFF,
                         Graphics_Alpha());
}

// draw_surface_part_ext(id, left, top, w, h, x, y, xscale, yscale, colour, alpha).
void F_DrawSurfacePartExt(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    const int id = Surface(argc, args);
    if (id >= 0)
        Surface_DrawPart(id, Arg_Float(argc, args, 1), Arg_Float(argc, args, 2), Arg_Float(argc, args, 3),
                         Arg_Float(argc, args, 4), Arg_Float(argc, args, 5), Arg_Float(argc, args, 6),
                         Arg_Float(argc, args, 7), Arg_Float(argc, args, 8), Arg_Colour(argc, args, 9),
                         Arg_Real(argc, args, 10));
}

// The area tiling covers: the target surface, or the room.
void TileRegion(float& w, float& h) {
    const int target = Surface_Current();
    if (target >= 0) {
        w = float(Surface_Width(target));
        h = float(Surface_Height(target));
        return;
    }
    const CRoom* room = Room_Running();
    w = room ? float(room->width) : 640.0f;
    h = room ? float(room->height) : 480.0f;
}

void F_DrawSurfaceTiled(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    const int id = Surface(argc, args);
    if (id < 0) return;
    float w, h;
    TileRegion(w, h);
    Surface_DrawTiled(id, Arg_Float(argc, args, 1), Arg_Float(argc, args, 2), 1, 1, 0, 0, w, h, 0xFFFFFF,
                      Graphics_Alpha());
}

// draw_surface_tiled_ext(id, x, y, xscale, yscale, colour, alpha).
void F_DrawSurfaceTiledExt(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    const int id = Surface(argc, args);
    if (id < 0) return;
    float w, h;
    TileRegion(w, h);
    Surface_DrawTiled(id, Arg_Float(argc, args, 1), Arg_Float(argc, args, 2), Arg_Float(argc, args, 3),
                      Arg_Float(argc, args, 4), 0, 0, w, h, Arg_Colour(argc, args, 5), Arg_Real(argc, args, 6));
}

// draw_surface_general(id, left, top, w, h, x, y, xscale, yscale, rot, c1, c2, c3, c4, alpha).
void F_DrawSurfaceGeneral(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    const int id = Surface(argc, args);
    if (id < 0) return;
    Surface_DrawGeneral(id, Arg_Float(argc, args, 1), Arg_Float(argc, args, 2), Arg_Float(argc, args, 3),
                        Arg_Float(argc, args, 4), Arg_Float(argc, args, 5), Arg_Float(argc, args, 6),
                        Arg_Float(argc, args, 7), Arg_Float(argc, args, 8), Arg_Float(argc, args, 9),
                        Arg_Colour(argc, args, 10), Arg_Colour(argc, args, 11), Arg_Colour(argc, args, 12),
                        Arg_Colour(argc, args, 13), Arg_Real(argc, args, 14));
}

// --- sprites and backgrounds from surfaces --------------------------------------------------

// The rectangle (arguments at..at+3) of a surface as a picture;
// the pixels keep the alpha drawing left in them.
CBitmap32 SurfacePicture(int id, int argc, const CValue* args, int at, const CPictureOptions& o) {
    std::vector<uint32_t> pixels;
    int w = 0, h = 0;
    Surface_ReadPixels(id, Arg_IntTrunc(argc, args, at), Arg_IntTrunc(argc, args, at + 1),
                       Arg_IntTrunc(argc, args, at + 2), Arg_IntTrunc(argc, args, at + 3), pixels, w, h);
    CBitmap32 picture = CBitmap32::FromPixels(w, h, std::move(pixels));
    Picture_Apply(picture, o);
    return picture;
}

// sprite_create_from_surface(id, x, y, w, h, removeback, smooth, xorig, yorig) or, with
// eleven arguments, (id, x, y, w, h, precise, transparent, smooth, preload, xorig, yorig).
void F_SpriteCreateFromSurface(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    result.SetReal(-1);
    const int id = Surface(argc, args);
    if (id < 0) return;
    const bool longForm = argc >= 11;
    const CPictureOptions o = longForm ? PictureOptions_Long(argc, args, 5) : PictureOptions_Short(argc, args, 5);
    const int origin = longForm ? 9 : 7;
    CBitmap32 picture = SurfacePicture(id, argc, args, 1, o);
    if (picture.Empty()) return;
    std::vector<CBitmap32> frames;
    frames.push_back(std::move(picture));
    result.SetReal(Sprite_AddPictures(std::move(frames), o, Arg_IntTrunc(argc, args, origin),
                                      Arg_IntTrunc(argc, args, origin + 1)));
}

// sprite_add_from_surface(ind, id, x, y, w, h, removeback, smooth), or the six-argument
// form without the options.
void F_SpriteAddFromSurface(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    const int sprite = Arg_Index(argc, args, 0);
    if (!Sprite_Exists(sprite)) return;
    const int id = Surface(argc, args, 1);
    if (id < 0) return;
    const CPictureOptions o = argc >= 8 ? PictureOptions_Short(argc, args, 6) : CPictureOptions{};
    const CBitmap32 picture = SurfacePicture(id, argc, args, 2, o);
    if (!picture.Empty()) Sprite_AddFrame(sprite, picture);
}

// background_create_from_surface(id, x, y, w, h, transparent, smooth[, preload]).
void F_BackgroundCreateFromSurface(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    result.SetReal(-1);
    const int id = Surface(argc, args);
    if (id < 0) return;
    CPictureOptions o;
    o.transparent = o.removeBackground = Arg_Bool(argc, args, 5);
    o.smooth = Arg_Bool(argc, args, 6);
    o.preload = argc > 7 ? Arg_Bool(argc, args, 7) : true;
    CBitmap32 picture = SurfacePicture(id, argc, args, 1, o);
    if (picture.Empty()) return;
    result.SetReal(Background_AddPicture(std::move(picture), o));
}

// --- room transitions -----------------------------------------------------------------------

// transition_define(kind, name): the script draws the kind from now on.
void F_TransitionDefine(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    const std::string name = std::string(Arg_Text(argc, args, 1));
    const int script = Transition_FindScript(name);
    if (script < 0) return Code_ShowError("Script with name " + name + " does not exist.", false);
    Transition_Define(Arg_IntTrunc(argc, args, 0), script);
}

void F_TransitionExists(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    result.SetReal(Transition_Exists(Arg_IntTrunc(argc, args, 0)) ? 1 : 0);
}

}  // namespace

const FunctionImpl kSurfaceFunctions[] = {
    {"surface_create", F_SurfaceCreate},
    {"surface_free", F_SurfaceFree},
    {"surface_exists", F_SurfaceExists},
    {"surface_get_width", F_SurfaceGetWidth},
    {"surface_get_height", F_SurfaceGetHeight},
    {"surface_get_texture", F_SurfaceGetTexture},
    {"surface_set_target", F_SurfaceSetTarget},
    {"surface_reset_target", F_SurfaceResetTarget},
    {"surface_getpixel", F_SurfaceGetPixel},
    {"surface_save", F_SurfaceSave},
    {"surface_save_part", F_SurfaceSavePart},
    {"surface_copy", F_SurfaceCopy},
    {"surface_copy_part", F_SurfaceCopyPart},
    {"draw_surface", F_DrawSurface},
    {"draw_surface_ext", F_DrawSurfaceExt},
    {"draw_surface_stretched", F_DrawSurfaceStretched},
    {"draw_surface_stretched_ext", F_DrawSurfaceStretchedExt},
    {"draw_surface_part", F_DrawSurfacePart},
    {"draw_surface_part_ext", F_DrawSurfacePartExt},
    {"draw_surface_tiled", F_DrawSurfaceTiled},
    {"draw_surface_tiled_ext", F_DrawSurfaceTiledExt},
    {"draw_surface_general", F_DrawSurfaceGeneral},
    {"sprite_create_from_surface", F_SpriteCreateFromSurface},
    {"sprite_add_from_surface", F_SpriteAddFromSurface},
    {"background_create_from_surface", F_BackgroundCreateFromSurface},
    {"transition_define", F_TransitionDefine},
    {"transition_exists", F_TransitionExists},
};
const size_t kSurfaceFunctionCount = std::size(kSurfaceFunctions);
