// An HTTP reply's body where the engine reads it: the picture that sprite_add or
// background_add downloads, decoded and cut into frames. (libcurl reads the status line
// and headers; the body of an http_get reply reaches the game as text, unread.) The
// first byte chooses the kind of resource, the frame count and the options.
#include <cstdint>
#include <vector>

#include "graphics/bitmap.h"
#include "graphics/sprite_create.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    if (size == 0) return 0;
    const uint8_t choice = bytes[0];
    CPictureOptions options;
    options.removeBackground = (choice & 1) != 0;
    options.smooth = (choice & 2) != 0;
    if (choice & 4) {
        CBitmap32 picture;
        (void)Background_DecodePicture(bytes + 1, size - 1, options, picture);
    } else {
        std::vector<CBitmap32> frames;
        (void)Sprite_DecodeFrames(bytes + 1, size - 1, 1 + (choice >> 3), options, frames);
    }
    return 0;
}
