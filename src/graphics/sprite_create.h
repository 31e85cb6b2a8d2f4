#pragma once
// Sprites and backgrounds made and changed at run time.
//
// Run-time resources keep their pictures (CBitmap32) and a texture per picture. The
// operations that change a data-file sprite's pixels (merging, alpha from another
// sprite, adding frames) first turn it into a run-time one, its frames cut out of the
// decoded texture pages. New entries are appended to the tables and named
// "__newsprite" / "__newbackground" followed by their index.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "graphics/bitmap.h"

class CSprite;
class CBackground;

// How a picture becomes a resource.
struct CPictureOptions {
    // The bottom-left pixel's colour becomes transparent (each frame's own corner).
    bool removeBackground = false;
    // Edges next to transparent pixels are softened (CBitmap32::SmoothEdges).
    bool smooth = false;
    bool precise = true;
    bool transparent = true;
    bool preload = true;
};

// Background removal, then smoothing, as the options ask.
void Picture_Apply(CBitmap32& picture, const CPictureOptions& options);

// --- pictures of existing resources --------------------------------------------------------

// A frame as a full picture (width x height): a run-time frame's own, or a data-file
// frame cut out of its decoded texture page with the entry's trim placed back. False
// when the frame has no pixels to give.
bool Sprite_FramePicture(CSprite& sprite, int frame, CBitmap32& out);
bool Background_Picture(CBackground& background, CBitmap32& out);

// --- sprites -------------------------------------------------------------------------------

// Loads an image file (found through the game's file names) into frames: an animated
// picture gives one frame per picture, otherwise it is cut into `frames` side by side.
bool Sprite_LoadFrames(const std::string& name, int frames, const CPictureOptions& options,
                       std::vector<CBitmap32>& out);
// The same from an image file's bytes (a download's body).
bool Sprite_DecodeFrames(const uint8_t* data, size_t size, int frames, const CPictureOptions& options,
                         std::vector<CBitmap32>& out);
// A new sprite from frames of one size; its index, or -1 (table unchanged).
int Sprite_AddPictures(std::vector<CBitmap32> frames, const CPictureOptions& options, int xorigin, int yorigin);
// A new sprite without frames (filled in later, as by a download); its index or -1.
int Sprite_AddBlank();
// Gives an existing sprite these frames (it keeps its name); false leaves it as it was.
bool Sprite_ReplacePictures(int id, std::vector<CBitmap32> frames, const CPictureOptions& options, int xorigin,
                            int yorigin);
// Appends a frame, scaled to the sprite's size (a sprite without frames takes its size).
bool Sprite_AddFrame(int id, const CBitmap32& frame);

// Frees a sprite's textures, pictures and masks; the slot becomes empty.
bool Sprite_Delete(int id);
int Sprite_Duplicate(int id);
bool Sprite_Assign(int id, int source);
// Appends the source's frames, scaled to the sprite's size.
bool Sprite_Merge(int id, int source);
// Every frame's alpha multiplied by the intensity ((r + g + b) / 3) of the source's
// frame of the same number (wrapped), scaled to fit.
bool Sprite_SetAlphaFrom(int id, int source);

// The bounding box of a run-time sprite from its pictures ("Compute Bounding Box"), or
// of a data-file sprite from its masks or trimmed entries.
void Sprite_ComputeBoundingBox(CSprite& sprite);
// Per-frame masks from the pictures when precise and transparent ("Create Mask").
void Sprite_CreateMasks(CSprite& sprite);
// Stores a mode 0..2 (others are ignored) and recomputes the box.
void Sprite_SetBoundingBoxMode(CSprite& sprite, int mode);
// Masks of a kind (0 precise, 1 rectangle, 2 ellipse, 3 diamond) inside a box of a
// mode (0 automatic, 1 full, 2 the given one), one per frame or one for all.
bool Sprite_CollisionMask(int id, bool separate, int bboxMode, int left, int right, int top, int bottom, int kind,
                          int tolerance);

// One frame (frame >= 0, wrapped) or, with frame -1, every frame side by side, as a
// picture.
bool Sprite_SavePicture(CSprite& sprite, int frame, CBitmap32& out);

// --- backgrounds ---------------------------------------------------------------------------

int Background_AddPicture(CBitmap32 picture, const CPictureOptions& options);
// A new background without a picture (filled in later, as by a download); its index or -1.
int Background_AddBlank();
bool Background_ReplacePicture(int id, CBitmap32 picture, const CPictureOptions& options);
// The first picture of an image file.
bool Background_LoadPicture(const std::string& name, const CPictureOptions& options, CBitmap32& out);
bool Background_DecodePicture(const uint8_t* data, size_t size, const CPictureOptions& options, CBitmap32& out);
bool Background_Delete(int id);
int Background_Duplicate(int id);
bool Background_Assign(int id, int source);
bool Background_SetAlphaFrom(int id, int source);

// Gradients from colour 1 to colour 2 (script colours), kinds: 0 horizontal (left to
// right), 1 vertical (top to bottom), 2 rectangle and 3 ellipse (colour 1 on the
// border, colour 2 in the centre), 4 double horizontal and 5 double vertical (colour 1
// at both ends, colour 2 in the middle). Other kinds give an empty picture.
CBitmap32 Bitmap_Gradient(int width, int height, uint32_t bgr1, uint32_t bgr2, int kind);
