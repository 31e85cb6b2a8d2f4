// Splash screens: a text file or a picture shown over the game window for a time, or
// until a key or a mouse button ends it, while the game waits.
//
// The splash is drawn once and presented once (a screenshot of that step's pictures
// shows it), then the time is waited with the window's messages handled. A headless run
// has nobody to look at it, so it does not wait. Videos need a decoder this platform
// does not have: they are not shown and the game goes straight on.
#include "function/function_splash.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <string>
#include <vector>

#include "function/function_dialog.h"
#include "graphics/graphics.h"
#include "graphics/text.h"
#include "graphics/texture.h"
#include "io/file_paths.h"
#include "io/input.h"
#include "platform/clock.h"
#include "platform/console.h"
#include "platform/file.h"
#include "platform/message_pump.h"
#include "platform/window.h"
#include "value/args.h"

namespace {

struct CSplashSettings {
    // Kept for games that set them: the splash always uses the game window, whose
    // caption, border, size and place stay the game's.
    std::string caption;
    bool fullScreen = false, border = true, adapt = true, top = true, main = true, cursor = true;
    int width = 640, height = 480;
    double scale = 0;  // 0: fit the window when the picture is larger
    uint32_t colour = 0x000000;
    bool interrupt = true, stopKey = true, stopMouse = true;
};

CSplashSettings g_splash;

bool ReadFile(std::string_view name, std::vector<uint8_t>& bytes) {
    std::string error;
    return !name.empty() && File_ReadWhole(FilePaths_Resolve(name), bytes, error);
}

// Waits `ms` (nothing when not positive), or until a key or button when allowed.
void Wait(double ms) {
    if (Platform_IsHeadless() || !(ms > 0)) return;
    const bool byKey = g_splash.interrupt && g_splash.stopKey, byMouse = g_splash.interrupt && g_splash.stopMouse;
    if (byKey) Input().SetLastKey(0);
    if (byMouse) Input().ForgetLastButton();
    const int64_t start = Timing_Time(), end = start + int64_t(std::min(ms, 3600000.0) * 1000.0);
    for (;;) {
        if (!Platform_PumpMessages()) {
            Platform_RequestQuit();
            return;
        }
        if ((byKey && Input().Pending().lastKey != 0) || (byMouse && Input().Pending().lastButton != 0)) return;
        const int64_t now = Timing_Time();
        if (now >= end || now < start) return;
        Timing_Sleep(std::min<int64_t>(10000, end - now));
    }
}

// The game's frame is open while its events run: the splash closes it (without
// presenting), draws a frame of its own and opens the game's again afterwards; what the
// step drew before is gone, as the step's draw event paints the room anew.
bool g_reopen = false;

// Opens a picture over the whole game surface cleared to `background`; false when
// nothing can be drawn now (no device, or the game is drawing into a surface).
bool BeginSplash(uint32_t background, int& width, int& height) {
    if (!Graphics_Ready() || Graphics_SurfaceTarget()) return false;
    g_reopen = Graphics_FrameOpen();
    if (g_reopen) Graphics_EndFrame(false);
    Graphics_BeginScreenPicture(background, width, height);
    return true;
}

void EndSplash() {
    Graphics_EndFrame(true);
    if (g_reopen) Graphics_BeginFrame();
    g_reopen = false;
}

// Light text on dark backgrounds, dark text on light ones.
uint32_t TextColourOn(uint32_t bgr) {
    const uint32_t r = bgr & 0xFF, g = (bgr >> 8) & 0xFF, b = (bgr >> 16) & 0xFF;
    return r * 299 + g * 587 + b * 114 > 128000 ? 0x000000 : 0xFFFFFF;
}

void ShowText(std::string_view name, uint32_t background, double ms) {
    std::vector<uint8_t> bytes;
    if (!ReadFile(name, bytes)) {
        Console().Output("splash: cannot read the text file %s\n", std::string(name).c_str());
        return;
    }
    std::string text = Dialog_PlainText(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    // The file's "#" is a character, not the drawn text's line end.
    std::string drawn;
    for (char c : text) {
        if (c == '#') drawn += '\\';
        drawn += c;
    }
    int width = 0, height = 0;
    if (BeginSplash(background, width, height)) {
        const int font = Text_Font(), h = Text_HAlign(), v = Text_VAlign();
        const uint32_t colour = Graphics_Colour();
        const double alpha = Graphics_Alpha();
        Text_SetFont(-1);
        Text_SetHAlign(kAlignLeft);
        Text_SetVAlign(kAlignTop);
        Graphics_SetColour(TextColourOn(background));
        Graphics_SetAlpha(1);
        Text_Draw(8, 8, drawn, -1, std::max(16, width - 16));
        Text_SetFont(font);
        Text_SetHAlign(h);
        Text_SetVAlign(v);
        Graphics_SetColour(colour);
        Graphics_SetAlpha(alpha);
        EndSplash();
    }
    Wait(ms);
}

void ShowImage(std::string_view name, double ms) {
    std::vector<uint8_t> bytes;
    const int texture = ReadFile(name, bytes) ? Texture_CreateFromEncoded(bytes.data(), bytes.size()) : -1;
    if (texture < 0) {
        Console().Output("splash: cannot show the picture %s\n", std::string(name).c_str());
        return;
    }
    int width = 0, height = 0;
    if (BeginSplash(g_splash.colour, width, height)) {
        const CTextureEntry* entry = Texture_Entry(texture);
        double w = entry ? entry->usedWidth : width;
        double h = entry ? entry->usedHeight : height;
        double scale = g_splash.scale > 0 ? g_splash.scale : 1;
        if (g_splash.scale <= 0 && g_splash.adapt && (w > width || h > height)) scale = std::min(width / w, height / h);
        w *= scale;
        h *= scale;
        Texture_DrawWhole(texture, float((width - w) / 2), float((height - h) / 2), float(w), float(h), 0xFFFFFF, 1);
        EndSplash();
    }
    Texture_FreeId(texture);
    Wait(ms);
}

void ShowVideo(std::string_view name) {
    Console().Output("splash: cannot play the video %s: there is no video decoder on this platform\n",
                     std::string(name).c_str());
}

// --- settings ------------------------------------------------------------------------------

template <bool CSplashSettings::*Field>
void F_SetFlag(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    g_splash.*Field = Arg_Bool(argc, args, 0);
}
void F_SetCaption(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    g_splash.caption = Arg_TextFormCopy(argc, args, 0);
}
void F_SetSize(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    g_splash.width = Arg_Int(argc, args, 0);
    g_splash.height = Arg_Int(argc, args, 1);
}
void F_SetColour(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    g_splash.colour = Arg_Colour(argc, args, 0) & 0xFFFFFF;
}
void F_SetScale(CValue&, CInstance*, CInstance*, int argc, CValue* args) { g_splash.scale = Arg_Real(argc, args, 0); }

// --- showing -------------------------------------------------------------------------------

// splash_show_text(file, delay)
void F_SplashShowText(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    ShowText(Arg_Text(argc, args, 0), g_splash.colour, Arg_Real(argc, args, 1));
}
// splash_show_image(file, delay)
void F_SplashShowImage(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    ShowImage(Arg_Text(argc, args, 0), Arg_Real(argc, args, 1));
}
// splash_show_video(file, loop) and show_video(file, full, loop)
void F_ShowVideo(CValue&, CInstance*, CInstance*, int argc, CValue* args) { ShowVideo(Arg_Text(argc, args, 0)); }
// show_text(file, full, background, delay)
void F_ShowText(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    ShowText(Arg_Text(argc, args, 0), Arg_Colour(argc, args, 2) & 0xFFFFFF, Arg_Real(argc, args, 3));
}
// show_image(file, full, delay)
void F_ShowImage(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    ShowImage(Arg_Text(argc, args, 0), Arg_Real(argc, args, 2));
}

}  // namespace

const FunctionImpl kSplashFunctions[] = {
    {"splash_set_caption", F_SetCaption},
    {"splash_set_fullscreen", F_SetFlag<&CSplashSettings::fullScreen>},
    {"splash_set_border", F_SetFlag<&CSplashSettings::border>},
    {"splash_set_size", F_SetSize},
    {"splash_set_adapt", F_SetFlag<&CSplashSettings::adapt>},
    {"splash_set_top", F_SetFlag<&CSplashSettings::top>},
    {"splash_set_color", F_SetColour},
    {"splash_set_main", F_SetFlag<&CSplashSettings::main>},
    {"splash_set_scale", F_SetScale},
    {"splash_set_cursor", F_SetFlag<&CSplashSettings::cursor>},
    {"splash_set_interrupt", F_SetFlag<&CSplashSettings::interrupt>},
    {"splash_set_stop_key", F_SetFlag<&CSplashSettings::stopKey>},
    {"splash_set_stop_mouse", F_SetFlag<&CSplashSettings::stopMouse>},
    {"splash_show_text", F_SplashShowText},
    {"splash_show_image", F_SplashShowImage},
    {"splash_show_video", F_ShowVideo},
    {"show_text", F_ShowText},
    {"show_image", F_ShowImage},
    {"show_video", F_ShowVideo},
};
extern const size_t kSplashFunctionCount = std::size(kSplashFunctions);
