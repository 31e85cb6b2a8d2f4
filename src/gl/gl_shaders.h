#pragma once
// The shader pair that stands in for the fixed-function stage the drawing layer was
// designed around. `flat` selects flat shading (the first vertex's colour).
// `plainTextureMode` below 0 gives the general program; 0 (no texture), 1 (texture x
// vertex colour) or 2 (the texture alone) give a program without lighting, fog and
// alpha test, with that texture mode built in.
#include <string>

std::string GLShaders_Vertex(bool flat, int plainTextureMode = -1);
std::string GLShaders_Fragment(bool flat, int plainTextureMode = -1);
