#pragma once
// The system clipboard's text. A headless run has no desktop to share it with, so it
// keeps a clipboard of its own for the length of the run.
#include <string>
#include <string_view>

bool Clipboard_HasText();
// The empty text when the clipboard holds none.
std::string Clipboard_GetText();
// False when the system refused the text.
bool Clipboard_SetText(std::string_view text);
