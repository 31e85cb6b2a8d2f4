#include "platform/clipboard.h"

#include <SDL.h>

#include "platform/window.h"

namespace {

std::string& LocalClipboard() {
    static std::string text;
    return text;
}

bool UsesSystem() { return !Platform_IsHeadless() && SDL_WasInit(SDL_INIT_VIDEO) != 0; }

}  // namespace

bool Clipboard_HasText() { return UsesSystem() ? SDL_HasClipboardText() == SDL_TRUE : !LocalClipboard().empty(); }

std::string Clipboard_GetText() {
    if (!UsesSystem()) return LocalClipboard();
    char* text = SDL_GetClipboardText();  // "" (never null) when there is none
    std::string out = text != nullptr ? text : "";
    SDL_free(text);
    return out;
}

bool Clipboard_SetText(std::string_view text) {
    if (!UsesSystem()) {
        LocalClipboard().assign(text);
        return true;
    }
    const std::string copy(text);  // SDL wants a terminated text
    return SDL_SetClipboardText(copy.c_str()) == 0;
}
