#pragma once
// The GL backend: an OpenGL 3.3 core context on the game window.
#include <memory>
#include <string>

#include "graphics/render_backend.h"

class TWindow;

// Null with `error` set when the context cannot be made or is older than 3.3.
std::unique_ptr<IRenderBackend> GLBackend_Create(TWindow& window, std::string& error);
// Makes GLBackend_Create the factory Graphics_Init uses.
void GLBackend_Install();
