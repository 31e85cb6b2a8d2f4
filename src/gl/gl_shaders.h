#pragma once
// The shader pair that stands in for the fixed-function stage the drawing layer was
// designed around. `flat` selects flat shading (the first vertex's colour).
#include <string>

std::string GLShaders_Vertex(bool flat);
std::string GLShaders_Fragment(bool flat);
