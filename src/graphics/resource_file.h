#pragma once
// Sprite and background files for sprite_add_sprite, sprite_replace_sprite and
// background_add_background: one JSON object with the fields of a sprite or background
// entry of the project manifest (docs/project-format.md), picture file names taken
// relative to the file's own folder.
//
//   sprite:     "frames": [files] or "strip": {"file", "frames"}, "origin": [x, y] or
//               "centre", "bbox": "automatic" / "full" / [l, t, r, b], "precise",
//               "masks": "per_frame" / "shared", "alpha_tolerance", "transparent",
//               "smooth", "preload" ("trim" is accepted and means nothing here)
//   background: "file", "transparent", "smooth", "preload"
#include <string>

// Adds (id < 0) or replaces sprite id from the file. The new or replaced index, or -1
// with `error` set to "file:line: message" when the file cannot be used.
int Sprite_FromDescription(const std::string& name, int id, std::string& error);
int Background_FromDescription(const std::string& name, int id, std::string& error);
