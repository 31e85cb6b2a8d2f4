#pragma once
// Drawing the running room: views following their objects, the background and
// foreground layers, instances, tiles and particle systems merged by depth, the GUI
// layer and the cursor; scrolling the background layers; the display size a room
// asks for. Room_Draw itself is declared in room/room.h.
#include "graphics/graphics.h"
#include "room/room.h"

// The z values of the layers; instances, tiles and particles use their depth, at most
// kDepthFront.
constexpr float kDepthBackgrounds = 12000;
constexpr float kDepthFront = 11000;
constexpr float kDepthForegrounds = -12000;
constexpr float kDepthAfterForegrounds = -13000;

inline float Room_DepthZ(float depth) { return depth > kDepthFront ? kDepthFront : depth; }

// view_current: the view being drawn; 0 outside the redraw.
int Room_ViewCurrent();

// Moves the visible views of a room with views enabled after the instances they follow.
void Room_UpdateViews(CRoom& room);
// Draws what of the room falls into the area (room coordinates) with the current view
// and port.
void Room_DrawArea(CRoom& room, const CDrawArea& area);
// Every background slot moves by its speeds, visible or not.
void Room_ScrollBackgrounds(CRoom& room);
// Greatest depth first, stable; only when some neighbours are out of order.
void Room_SortTiles(CRoom& room);

// The game's drawing size for a room: the room's size, or with views the right and
// bottom edges of the visible views' ports (each at least 8).
struct CRoomDisplaySize {
    int width = 0, height = 0;
};
CRoomDisplaySize Room_DisplaySize(const CRoom& room);
// Entering a room: the application surface and the window take that size (clamped to
// the desktop); the window is resized only when its size differs.
void Room_ApplyDisplaySize(const CRoom& room);

// The depth merge of instances, tiles and particle systems. The merge sets the z value
// (Room_DepthZ) before each call.
class IRoomDepthVisitor {
public:
    virtual ~IRoomDepthVisitor() = default;
    virtual void Instance(CInstance* instance) = 0;
    virtual void Tile(const CRoomTile& tile) = 0;
    virtual void Particles(int system) = 0;
};
void Room_DrawByDepth(CRoom& room, IRoomDepthVisitor& visitor);

// What the particle and input layers plug in; unset ones do nothing (no particle
// systems, the cursor follows the event input's mouse).
struct CRoomDrawHooks {
    // Particle systems to draw, in order of decreasing depth.
    int (*particleCount)() = nullptr;
    float (*particleDepth)(int n) = nullptr;
    void (*drawParticles)(int n) = nullptr;
    // The mouse in window coordinates.
    void (*windowMouse)(double& x, double& y) = nullptr;
    // Drawn over the game and its GUI layer, under the cursor (the input layer's shown
    // virtual keys); the screen size is the drawing size.
    void (*drawOverlay)(int screenW, int screenH) = nullptr;
};
// Installed as a whole (a copy to change one and put back); unset ones do nothing.
CRoomDrawHooks Room_DrawHooks();
void Room_SetDrawHooks(const CRoomDrawHooks& hooks);

// The GUI layer's size (display_set_gui_size); a side below 0 is the screen's.
void Room_SetGuiSize(int width, int height);
int Room_GuiWidth();
int Room_GuiHeight();

// Connects the view and background-slot built-in variables to the running room.
void Room_ConnectVariables();
