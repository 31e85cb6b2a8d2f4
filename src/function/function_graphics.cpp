#include "function/function_graphics.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <iterator>
#include <string>

#include "data/error.h"
#include "data/game.h"
#include "graphics/graphics.h"
#include "graphics/texture.h"
#include "io/file_paths.h"
#include "io/input.h"
#include "platform/display.h"
#include "platform/window.h"
#include "room/room.h"
#include "room/room_draw.h"
#include "value/args.h"

namespace {

TWindow* Window() {
    TWindow* w = Platform_MainWindow();
    return w && w->IsOpen() ? w : nullptr;
}

void ResetBeforeNextFrame() { Game().run.displayResetPending = true; }

// --- drawing state ----------------------------------------------------------------------------

void F_DrawSetColor(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    Graphics_SetColour(Arg_Colour(argc, args, 0));
}
void F_DrawGetColor(CValue& r, CInstance*, CInstance*, int, CValue*) { r.SetReal(Graphics_Colour()); }
void F_DrawSetAlpha(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    Graphics_SetAlpha(Arg_Real(argc, args, 0));
}
void F_DrawGetAlpha(CValue& r, CInstance*, CInstance*, int, CValue*) { r.SetReal(Graphics_Alpha()); }
void F_DrawSetBlendMode(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    Graphics_SetBlendMode(Arg_Int(argc, args, 0));
}
void F_DrawSetBlendModeExt(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    Graphics_SetBlendFactors(Arg_Int(argc, args, 0), Arg_Int(argc, args, 1));
}

void F_DrawClear(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    Graphics_Clear(0xFF000000u | Arg_Colour(argc, args, 0), 1, 0, 7);
}

void F_DrawClearAlpha(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    const uint32_t alpha = uint32_t(std::lround(Arg_Alpha(argc, args, 1) * 255.0));
    Graphics_Clear(alpha << 24 | Arg_Colour(argc, args, 0), 1, 0, 7);
}

void F_DrawEnableAlphaBlend(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    if (argc != 1) return Code_ShowError("Illegal argument count", false);
    if (!args[0].IsReal()) return Code_ShowError("Illegal argument type: true/false expected", false);
    Graphics_Flush();
    Graphics_SetAlphaBlend(Arg_Bool(argc, args, 0));
}

void F_DrawTextureFlush(CValue&, CInstance*, CInstance*, int, CValue*) { Graphics_Flush(); }

void F_DrawGetPixel(CValue& r, CInstance*, CInstance*, int argc, CValue* args) {
    r.SetReal(Graphics_GetPixel(Arg_Real(argc, args, 0), Arg_Real(argc, args, 1)));
}

void F_DrawPoint(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    Graphics_DrawPoint(Arg_Float(argc, args, 0), Arg_Float(argc, args, 1));
}
void F_DrawLine(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    Graphics_DrawLine(Arg_Float(argc, args, 0), Arg_Float(argc, args, 1), Arg_Float(argc, args, 2),
                      Arg_Float(argc, args, 3));
}
void F_DrawLineWidth(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    Graphics_DrawLineWidth(Arg_Float(argc, args, 0), Arg_Float(argc, args, 1), Arg_Float(argc, args, 2),
                           Arg_Float(argc, args, 3), Arg_Float(argc, args, 4));
}
void F_DrawTriangle(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    Graphics_DrawTriangle(Arg_Float(argc, args, 0), Arg_Float(argc, args, 1), Arg_Float(argc, args, 2),
                          Arg_Float(argc, args, 3), Arg_Float(argc, args, 4), Arg_Float(argc, args, 5),
                          Arg_Bool(argc, args, 6));
}

// --- screen_save ------------------------------------------------------------------------------

void SaveScreen(std::string_view name, int x, int y, int w, int h) {
    if (name.empty()) return Code_ShowError("Trying to save screen to empty image file name.", false);
    std::string path;
    if (!FilePaths_ForWriting(name, path)) return;
    Graphics_SaveBmp(path, x, y, w, h);
}

void F_ScreenSave(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    SaveScreen(Arg_Text(argc, args, 0), 0, 0, INT_MAX / 2, INT_MAX / 2);
}

void F_ScreenSavePart(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    SaveScreen(Arg_Text(argc, args, 0), Arg_Int(argc, args, 1), Arg_Int(argc, args, 2), Arg_Int(argc, args, 3),
               Arg_Int(argc, args, 4));
}

// --- textures ---------------------------------------------------------------------------------

void F_TextureExists(CValue& r, CInstance*, CInstance*, int argc, CValue* args) {
    r.SetReal(Texture_Exists(Arg_Int(argc, args, 0)) ? 1 : 0);
}
void F_TextureGetWidth(CValue& r, CInstance*, CInstance*, int argc, CValue* args) {
    r.SetReal(Texture_UsedWidth(Arg_Int(argc, args, 0)));
}
void F_TextureGetHeight(CValue& r, CInstance*, CInstance*, int argc, CValue* args) {
    r.SetReal(Texture_UsedHeight(Arg_Int(argc, args, 0)));
}
// The GL keeps every texture resident: preloading and priorities have nothing to do.
void F_TexturePreload(CValue&, CInstance*, CInstance*, int, CValue*) {}
void F_TextureSetPriority(CValue&, CInstance*, CInstance*, int, CValue*) {}
void F_TextureSetInterpolation(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    Graphics_SetInterpolation(Arg_Flag(argc, args, 0));
}
void F_TextureSetBlending(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    Graphics_SetTextureBlending(Arg_Flag(argc, args, 0));
}
void F_TextureSetRepeat(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    Graphics_SetTextureRepeat(Arg_Flag(argc, args, 0));
}

// --- the display ------------------------------------------------------------------------------

void F_DisplayGetWidth(CValue& r, CInstance*, CInstance*, int, CValue*) { r.SetReal(Display_Width()); }
void F_DisplayGetHeight(CValue& r, CInstance*, CInstance*, int, CValue*) { r.SetReal(Display_Height()); }
void F_DisplayGetColordepth(CValue& r, CInstance*, CInstance*, int, CValue*) { r.SetReal(Display_ColourDepth()); }
void F_DisplayGetFrequency(CValue& r, CInstance*, CInstance*, int, CValue*) { r.SetReal(Display_Frequency()); }
void F_DisplayGetOrientation(CValue& r, CInstance*, CInstance*, int, CValue*) { r.SetReal(Display_Orientation()); }
void F_DisplayGetDpiX(CValue& r, CInstance*, CInstance*, int, CValue*) { r.SetReal(Display_DpiX()); }
void F_DisplayGetDpiY(CValue& r, CInstance*, CInstance*, int, CValue*) { r.SetReal(Display_DpiY()); }

void SetMode(CValue& r, int w, int h, int frequency, int depth) {
    const bool ok = Display_SetMode(w, h, frequency, depth);
    r.SetReal(ok ? 1 : 0);
    if (ok) ResetBeforeNextFrame();
}
void F_DisplaySetSize(CValue& r, CInstance*, CInstance*, int argc, CValue* args) {
    SetMode(r, Arg_Int(argc, args, 0), Arg_Int(argc, args, 1), 0, 0);
}
void F_DisplaySetColordepth(CValue& r, CInstance*, CInstance*, int argc, CValue* args) {
    SetMode(r, 0, 0, 0, Arg_Int(argc, args, 0));
}
void F_DisplaySetFrequency(CValue& r, CInstance*, CInstance*, int argc, CValue* args) {
    SetMode(r, 0, 0, Arg_Int(argc, args, 0), 0);
}
void F_DisplaySetAll(CValue& r, CInstance*, CInstance*, int argc, CValue* args) {
    SetMode(r, Arg_Int(argc, args, 0), Arg_Int(argc, args, 1), Arg_Int(argc, args, 2), Arg_Int(argc, args, 3));
}
void F_DisplayTestAll(CValue& r, CInstance*, CInstance*, int argc, CValue* args) {
    r.SetReal(
        Display_TestMode(Arg_Int(argc, args, 0), Arg_Int(argc, args, 1), Arg_Int(argc, args, 2), Arg_Int(argc, args, 3))
            ? 1
            : 0);
}

// display_reset(aa, vsync): recorded now, the Reset runs before the next frame.
void F_DisplayReset(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    Graphics_RequestDisplayReset(Arg_Int(argc, args, 0), Arg_Bool(argc, args, 1));
    ResetBeforeNextFrame();
}

void F_DisplayMouseGetX(CValue& r, CInstance*, CInstance*, int, CValue*) {
    int x = 0, y = 0;
    Display_MousePosition(x, y);
    r.SetReal(x);
}
void F_DisplayMouseGetY(CValue& r, CInstance*, CInstance*, int, CValue*) {
    int x = 0, y = 0;
    Display_MousePosition(x, y);
    r.SetReal(y);
}
void F_DisplayMouseSet(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    Display_SetMousePosition(Arg_Int(argc, args, 0), Arg_Int(argc, args, 1));
}

void F_DisplaySetGuiSize(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    Room_SetGuiSize(Arg_Int(argc, args, 0), Arg_Int(argc, args, 1));
}
void F_DisplayGetGuiWidth(CValue& r, CInstance*, CInstance*, int, CValue*) { r.SetReal(Room_GuiWidth()); }
void F_DisplayGetGuiHeight(CValue& r, CInstance*, CInstance*, int, CValue*) { r.SetReal(Room_GuiHeight()); }

// --- the window -------------------------------------------------------------------------------

struct TWindowFlags {
    bool showIcons = true;
    int cursor = 0;
};
TWindowFlags& Flags() {
    static TWindowFlags f;
    return f;
}

#define WINDOW_FLAG(GET, SET, QUERY, APPLY)                             \
    void GET(CValue& r, CInstance*, CInstance*, int, CValue*) {         \
        TWindow* w = Window();                                          \
        r.SetReal(w&& QUERY(*w) ? 1 : 0);                               \
    }                                                                   \
    void SET(CValue&, CInstance*, CInstance*, int argc, CValue* args) { \
        if (TWindow* w = Window()) APPLY(*w, Arg_Bool(argc, args, 0));  \
    }
WINDOW_FLAG(F_WindowGetVisible, F_WindowSetVisible, Window_Visible, Window_SetVisible)
WINDOW_FLAG(F_WindowGetShowborder, F_WindowSetShowborder, Window_Bordered, Window_SetBordered)
WINDOW_FLAG(F_WindowGetStayontop, F_WindowSetStayontop, Window_OnTop, Window_SetOnTop)
WINDOW_FLAG(F_WindowGetSizeable, F_WindowSetSizeable, Window_Sizeable, Window_SetSizeable)
#undef WINDOW_FLAG

// The system menu's icons are the window manager's; the wish is only kept.
void F_WindowSetShowicons(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    Flags().showIcons = Arg_Bool(argc, args, 0);
}
void F_WindowGetShowicons(CValue& r, CInstance*, CInstance*, int, CValue*) { r.SetReal(Flags().showIcons ? 1 : 0); }

void F_WindowSetFullscreen(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    const bool on = Arg_Bool(argc, args, 0);
    if (on == Graphics_FullScreen()) return;
    Graphics_SetFullScreen(on);
    ResetBeforeNextFrame();
}
void F_WindowGetFullscreen(CValue& r, CInstance*, CInstance*, int, CValue*) {
    r.SetReal(Graphics_FullScreen() ? 1 : 0);
}

void F_WindowSetCaption(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    if (TWindow* w = Window()) w->SetCaption(std::string(Arg_Text(argc, args, 0)));
}
void F_WindowGetCaption(CValue& r, CInstance*, CInstance*, int, CValue*) {
    TWindow* w = Window();
    r.SetString(w ? w->Caption() : std::string());
}

void F_WindowSetCursor(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    Flags().cursor = Arg_Int(argc, args, 0);
    if (TWindow* w = Window()) Window_SetCursor(*w, Flags().cursor);
}
void F_WindowGetCursor(CValue& r, CInstance*, CInstance*, int, CValue*) { r.SetReal(Flags().cursor); }

void F_WindowSetColor(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    Graphics_SetWindowColour(Arg_Colour(argc, args, 0));
}
void F_WindowGetColor(CValue& r, CInstance*, CInstance*, int, CValue*) { r.SetReal(Graphics_WindowColour()); }

void F_WindowSetPosition(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    if (TWindow* w = Window()) Window_SetPosition(*w, Arg_Int(argc, args, 0), Arg_Int(argc, args, 1));
}

// A new size reaches the window and the application surface through the Reset before
// the next frame.
void F_WindowSetSize(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    const int w = Arg_Int(argc, args, 0), h = Arg_Int(argc, args, 1);
    if (w <= 0 || h <= 0) return;
    Graphics_SetWindowSize(w, h);
    ResetBeforeNextFrame();
}

void F_WindowSetRectangle(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    if (TWindow* w = Window()) Window_SetPosition(*w, Arg_Int(argc, args, 0), Arg_Int(argc, args, 1));
    const int w = Arg_Int(argc, args, 2), h = Arg_Int(argc, args, 3);
    if (w <= 0 || h <= 0) return;
    Graphics_SetWindowSize(w, h);
    ResetBeforeNextFrame();
}

void F_WindowCenter(CValue&, CInstance*, CInstance*, int, CValue*) {
    if (TWindow* w = Window()) Display_CentreWindow(*w);
}

// The size the running room asks for, centred.
void F_WindowDefault(CValue&, CInstance*, CInstance*, int, CValue*) {
    if (const CRoom* room = Room_Running()) {
        const CRoomDisplaySize size = Room_DisplaySize(*room);
        if (size.width > 0 && size.height > 0) {
            Graphics_SetWindowSize(size.width, size.height);
            ResetBeforeNextFrame();
        }
    }
    if (TWindow* w = Window()) Display_CentreWindow(*w);
}

int WindowField(int which) {
    TWindow* w = Window();
    if (!w) return 0;
    const CWindowRect r = Window_Rect(*w);
    return which == 0 ? r.x : which == 1 ? r.y : which == 2 ? r.width : r.height;
}
void F_WindowGetX(CValue& r, CInstance*, CInstance*, int, CValue*) { r.SetReal(WindowField(0)); }
void F_WindowGetY(CValue& r, CInstance*, CInstance*, int, CValue*) { r.SetReal(WindowField(1)); }
void F_WindowGetWidth(CValue& r, CInstance*, CInstance*, int, CValue*) { r.SetReal(WindowField(2)); }
void F_WindowGetHeight(CValue& r, CInstance*, CInstance*, int, CValue*) { r.SetReal(WindowField(3)); }

// The mouse as the frame latched it (or played it back), so that a frame reads one
// position throughout.
void WindowMouse(int& x, int& y) {
    x = Input().State().rawX[0];
    y = Input().State().rawY[0];
}
void F_WindowMouseGetX(CValue& r, CInstance*, CInstance*, int, CValue*) {
    int x, y;
    WindowMouse(x, y);
    r.SetReal(x);
}
void F_WindowMouseGetY(CValue& r, CInstance*, CInstance*, int, CValue*) {
    int x, y;
    WindowMouse(x, y);
    r.SetReal(y);
}
void F_WindowMouseSet(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    if (TWindow* w = Window()) Window_SetMousePosition(*w, Arg_Int(argc, args, 0), Arg_Int(argc, args, 1));
}

// Views as the mouse meets them: the visible views of a room with views, else the
// whole room on the whole screen.
struct TViewMap {
    double viewX, viewY, viewW, viewH;
    double portX, portY, portW, portH;
};

bool ViewMap(int index, TViewMap& m) {
    const CRoom* room = Room_Running();
    if (!room) return false;
    if (!room->viewsEnabled) {
        if (index != 0 && index != -1) return false;
        m = {0,
             0,
             double(room->width),
             double(room->height),
             0,
             0,
             double(Graphics_ScreenWidth()),
             double(Graphics_ScreenHeight())};
        return true;
    }
    if (index < 0 || size_t(index) >= room->views.size() || !room->views[size_t(index)].visible) return false;
    const CRoomView& v = room->views[size_t(index)];
    m = {double(v.viewX), double(v.viewY), double(v.viewW), double(v.viewH),
         double(v.portX), double(v.portY), double(v.portW), double(v.portH)};
    return m.portW > 0 && m.portH > 0;
}

// A window point on the application surface.
void SurfaceFromWindow(double wx, double wy, double& x, double& y) {
    const CBlitRect b = Graphics_BlitRect();
    x = b.width > 0 ? (wx - b.x) * double(Graphics_ScreenWidth()) / b.width : wx;
    y = b.height > 0 ? (wy - b.y) * double(Graphics_ScreenHeight()) / b.height : wy;
}

// The mouse on the application surface.
void SurfaceMouse(double& x, double& y) {
    int wx = 0, wy = 0;
    WindowMouse(wx, wy);
    SurfaceFromWindow(wx, wy, x, y);
}

double ViewPoint(int index, bool vertical, double x, double y) {
    TViewMap m{};
    if (!ViewMap(index, m)) return 0;
    return vertical ? m.viewY + (y - m.portY) * m.viewH / m.portH : m.viewX + (x - m.portX) * m.viewW / m.portW;
}

double ViewMouse(int index, bool vertical) {
    TViewMap m{};
    if (!ViewMap(index, m)) return 0;
    double x = 0, y = 0;
    SurfaceMouse(x, y);
    return vertical ? m.viewY + (y - m.portY) * m.viewH / m.portH : m.viewX + (x - m.portX) * m.viewW / m.portW;
}

void SetViewMouse(int index, double rx, double ry) {
    TViewMap m{};
    TWindow* w = Window();
    if (!w || !ViewMap(index, m) || m.viewW == 0 || m.viewH == 0) return;
    const double sx = m.portX + (rx - m.viewX) * m.portW / m.viewW;
    const double sy = m.portY + (ry - m.viewY) * m.portH / m.viewH;
    const CBlitRect b = Graphics_BlitRect();
    const double wx = b.x + sx * (Graphics_ScreenWidth() > 0 ? double(b.width) / Graphics_ScreenWidth() : 1);
    const double wy = b.y + sy * (Graphics_ScreenHeight() > 0 ? double(b.height) / Graphics_ScreenHeight() : 1);
    if (std::fabs(wx) < 1e6 && std::fabs(wy) < 1e6)
        Window_SetMousePosition(*w, int(std::lround(wx)), int(std::lround(wy)));
}

// The first view (in view order) whose port holds the mouse; the first visible one else.
int ViewUnder(double x, double y) {
    const CRoom* room = Room_Running();
    if (!room || !room->viewsEnabled) return 0;
    int first = -1;
    for (size_t i = 0; i < room->views.size(); ++i) {
        const CRoomView& v = room->views[i];
        if (!v.visible) continue;
        if (first < 0) first = int(i);
        if (x >= v.portX && x < v.portX + v.portW && y >= v.portY && y < v.portY + v.portH) return int(i);
    }
    return first < 0 ? 0 : first;
}

int ViewUnderMouse() {
    double x = 0, y = 0;
    SurfaceMouse(x, y);
    return ViewUnder(x, y);
}

void F_WindowViewMouseGetX(CValue& r, CInstance*, CInstance*, int argc, CValue* args) {
    r.SetReal(ViewMouse(Arg_Int(argc, args, 0), false));
}
void F_WindowViewMouseGetY(CValue& r, CInstance*, CInstance*, int argc, CValue* args) {
    r.SetReal(ViewMouse(Arg_Int(argc, args, 0), true));
}
void F_WindowViewMouseSet(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    SetViewMouse(Arg_Int(argc, args, 0), Arg_Real(argc, args, 1), Arg_Real(argc, args, 2));
}
void F_WindowViewsMouseGetX(CValue& r, CInstance*, CInstance*, int, CValue*) {
    r.SetReal(ViewMouse(ViewUnderMouse(), false));
}
void F_WindowViewsMouseGetY(CValue& r, CInstance*, CInstance*, int, CValue*) {
    r.SetReal(ViewMouse(ViewUnderMouse(), true));
}
void F_WindowViewsMouseSet(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    const CRoom* room = Room_Running();
    int index = 0;
    if (room && room->viewsEnabled)
        for (size_t i = 0; i < room->views.size(); ++i)
            if (room->views[i].visible) {
                index = int(i);
                break;
            }
    SetViewMouse(index, Arg_Real(argc, args, 0), Arg_Real(argc, args, 1));
}

}  // namespace

void Graphics_WindowToRoom(double windowX, double windowY, double& roomX, double& roomY) {
    double x = 0, y = 0;
    SurfaceFromWindow(windowX, windowY, x, y);
    const int view = ViewUnder(x, y);
    roomX = ViewPoint(view, false, x, y);
    roomY = ViewPoint(view, true, x, y);
}

extern const FunctionImpl kGraphicsFunctions[] = {
    {"draw_set_color", F_DrawSetColor},
    {"draw_get_color", F_DrawGetColor},
    {"draw_set_alpha", F_DrawSetAlpha},
    {"draw_get_alpha", F_DrawGetAlpha},
    {"draw_set_blend_mode", F_DrawSetBlendMode},
    {"draw_set_blend_mode_ext", F_DrawSetBlendModeExt},
    {"draw_clear", F_DrawClear},
    {"draw_clear_alpha", F_DrawClearAlpha},
    {"draw_enable_alphablend", F_DrawEnableAlphaBlend},
    {"Tamu_EnableAlphaBlend", F_DrawEnableAlphaBlend},
    {"draw_texture_flush", F_DrawTextureFlush},
    {"draw_getpixel", F_DrawGetPixel},
    {"draw_point", F_DrawPoint},
    {"draw_line", F_DrawLine},
    {"draw_line_width", F_DrawLineWidth},
    {"draw_triangle", F_DrawTriangle},
    {"screen_save", F_ScreenSave},
    {"screen_save_part", F_ScreenSavePart},
    {"texture_exists", F_TextureExists},
    {"texture_get_width", F_TextureGetWidth},
    {"texture_get_height", F_TextureGetHeight},
    {"texture_preload", F_TexturePreload},
    {"texture_set_priority", F_TextureSetPriority},
    {"texture_set_interpolation", F_TextureSetInterpolation},
    {"texture_set_blending", F_TextureSetBlending},
    {"texture_set_repeat", F_TextureSetRepeat},
    {"display_get_width", F_DisplayGetWidth},
    {"display_get_height", F_DisplayGetHeight},
    {"display_get_colordepth", F_DisplayGetColordepth},
    {"display_get_frequency", F_DisplayGetFrequency},
    {"display_get_orientation", F_DisplayGetOrientation},
    {"display_get_dpi_x", F_DisplayGetDpiX},
    {"display_get_dpi_y", F_DisplayGetDpiY},
    {"display_set_size", F_DisplaySetSize},
    {"display_set_colordepth", F_DisplaySetColordepth},
    {"display_set_frequency", F_DisplaySetFrequency},
    {"display_set_all", F_DisplaySetAll},
    {"display_test_all", F_DisplayTestAll},
    {"display_reset", F_DisplayReset},
    {"display_mouse_get_x", F_DisplayMouseGetX},
    {"display_mouse_get_y", F_DisplayMouseGetY},
    {"display_mouse_set", F_DisplayMouseSet},
    {"display_set_gui_size", F_DisplaySetGuiSize},
    {"display_get_gui_width", F_DisplayGetGuiWidth},
    {"display_get_gui_height", F_DisplayGetGuiHeight},
    {"window_set_visible", F_WindowSetVisible},
    {"window_get_visible", F_WindowGetVisible},
    {"window_set_fullscreen", F_WindowSetFullscreen},
    {"window_get_fullscreen", F_WindowGetFullscreen},
    {"window_set_showborder", F_WindowSetShowborder},
    {"window_get_showborder", F_WindowGetShowborder},
    {"window_set_showicons", F_WindowSetShowicons},
    {"window_get_showicons", F_WindowGetShowicons},
    {"window_set_stayontop", F_WindowSetStayontop},
    {"window_get_stayontop", F_WindowGetStayontop},
    {"window_set_sizeable", F_WindowSetSizeable},
    {"window_get_sizeable", F_WindowGetSizeable},
    {"window_set_caption", F_WindowSetCaption},
    {"window_get_caption", F_WindowGetCaption},
    {"window_set_cursor", F_WindowSetCursor},
    {"window_get_cursor", F_WindowGetCursor},
    {"window_set_color", F_WindowSetColor},
    {"window_get_color", F_WindowGetColor},
    {"window_set_position", F_WindowSetPosition},
    {"window_set_size", F_WindowSetSize},
    {"window_set_rectangle", F_WindowSetRectangle},
    {"window_center", F_WindowCenter},
    {"window_default", F_WindowDefault},
    {"window_get_x", F_WindowGetX},
    {"window_get_y", F_WindowGetY},
    {"window_get_width", F_WindowGetWidth},
    {"window_get_height", F_WindowGetHeight},
    {"window_mouse_get_x", F_WindowMouseGetX},
    {"window_mouse_get_y", F_WindowMouseGetY},
    {"window_mouse_set", F_WindowMouseSet},
    {"window_view_mouse_get_x", F_WindowViewMouseGetX},
    {"window_view_mouse_get_y", F_WindowViewMouseGetY},
    {"window_view_mouse_set", F_WindowViewMouseSet},
    {"window_views_mouse_get_x", F_WindowViewsMouseGetX},
    {"window_views_mouse_get_y", F_WindowViewsMouseGetY},
    {"window_views_mouse_set", F_WindowViewsMouseSet},
};
extern const size_t kGraphicsFunctionCount = std::size(kGraphicsFunctions);
