#pragma once
// The small pictures the program carries itself, by number. So far the start-up
// splash (16); the cursor and marker pictures (1 to 14) are not drawn yet.
#include <cstdint>
#include <vector>

constexpr int kBuiltinImageSplash = 16;

// The picture's pixels (0xAARRGGBB, rows top first); false for a number without one.
bool BuiltinImage_Pixels(int number, std::vector<uint32_t>& pixels, int& width, int& height);
// A texture of the picture, made the first time it is needed (again once the texture
// is gone); -1 without a device or for a number without a picture.
int BuiltinImage_Texture(int number);
