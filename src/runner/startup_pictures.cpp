#include "runner/startup_pictures.h"

#include <algorithm>

#include "data/game.h"
#include "graphics/builtin_images.h"
#include "graphics/graphics.h"
#include "graphics/texture.h"
#include "platform/clock.h"
#include "platform/message_pump.h"
#include "runner/runner.h"

namespace {

void Pump() {
    if (!Platform_PumpMessages()) Runner().gameRunning = 0;
}

// A frame over the whole application surface, cleared to opaque black.
void BeginPicture(int& width, int& height) { Graphics_BeginScreenPicture(0, width, height); }

void FillRect(float x1, float y1, float x2, float y2) {
    Graphics_DrawTriangle(x1, y1, x2, y1, x2, y2, false);
    Graphics_DrawTriangle(x1, y1, x2, y2, x1, y2, false);
}

void DrawProgressBar(int percent, int width, int height, float below) {
    const float w = std::clamp(width * 0.6f, 16.0f, 480.0f), h = 10;
    const float x = (width - w) / 2, y = std::min(below + 16, height - h - 24.0f);
    const uint32_t colour = Graphics_Colour();
    const double alpha = Graphics_Alpha();
    Graphics_SetAlpha(1);
    Graphics_SetColour(0x404040);
    FillRect(x, y, x + w, y + h);
    Graphics_SetColour(0xE0E0E0);
    FillRect(x, y, x + w * float(std::clamp(percent, 0, 100)) / 100, y + h);
    Graphics_SetColour(colour);
    Graphics_SetAlpha(alpha);
}

}  // namespace

void Startup_ShowSplash() {
    CRunner& r = Runner();
    if (!Graphics_Ready()) return;
    const bool picture = Game().resources->header.splashMode == 1;
    for (int n = 0; n < 5; ++n) {
        int width = 0, height = 0;
        BeginPicture(width, height);
        if (picture) {
            const int id = BuiltinImage_Texture(kBuiltinImageSplash);
            if (id >= 0) Texture_DrawWhole(id, 0, 0, float(width), float(height), 0xFFFFFF, 1);
        }
        Graphics_EndFrame(true);
        Pump();
        if (picture && n > 0 && !r.host.noWait) Timing_Sleep(500000);
    }
}

void Startup_ShowProgress(int percent) {
    if (!Graphics_Ready()) return;
    const COptions& options = Game().resources->options;
    CTexturePageEntry entry{};
    const bool image = options.LoadingImage() != 0 && TexturePage_Entry(options.LoadingImage(), entry);
    if (!image && !options.ProgressBar()) return;
    int width = 0, height = 0;
    BeginPicture(width, height);
    float below = height / 2.0f;
    if (image) {
        const float x = float((width - entry.fullWidth) / 2), y = float((height - entry.fullHeight) / 2);
        Texture_DrawEntry(entry, x, y);
        below = y + entry.fullHeight;
    }
    if (options.ProgressBar()) DrawProgressBar(percent, width, height, below);
    Graphics_EndFrame(true);
    Pump();
}
