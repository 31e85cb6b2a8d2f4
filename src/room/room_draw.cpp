#include "room/room_draw.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <vector>

#include "data/game.h"
#include "graphics/sprite_draw.h"
#include "graphics/surface.h"
#include "object/event.h"
#include "object/instance.h"
#include "object/object.h"
#include "platform/window.h"
#include "value/value.h"
#include "vm/machine.h"

namespace {

int g_viewCurrent = 0;
int g_guiWidth = -1, g_guiHeight = -1;
int g_cursorFrame = 0;
CRoomDrawHooks g_hooks;

// A draw event may draw the room again (screen_redraw): each nesting level walks its
// own snapshot of the active list, and the buffers are kept between frames. A buffer
// that holds the same room's list at the same version is kept as it is: most frames
// draw an unchanged list, and the copy then costs no walk over the instances.
struct TSnapshotBuffer {
    std::vector<CInstance*> list;
    const CInstanceChain* source = nullptr;
    uint64_t version = 0;
};
struct TSnapshots {
    std::vector<TSnapshotBuffer> buffers;
    int depth = 0;
};

TSnapshots& Snapshots() {
    static TSnapshots snapshots;
    return snapshots;
}

class TSnapshot {
public:
    // The active list from its tail (greatest depth) to its head.
    explicit TSnapshot(const CRoom& room) {
        TSnapshots& s = Snapshots();
        if (s.buffers.size() <= size_t(s.depth)) s.buffers.resize(size_t(s.depth) + 1);
        index_ = size_t(s.depth++);
        TSnapshotBuffer& buffer = s.buffers[index_];
        const uint64_t version = Instance_ChainVersion();
        if (buffer.source == &room.active && buffer.version == version) return;
        buffer.list.clear();
        for (CInstance* i = room.active.tail; i; i = i->prev) buffer.list.push_back(i);
        buffer.source = &room.active;
        buffer.version = version;
    }
    ~TSnapshot() { --Snapshots().depth; }
    TSnapshot(const TSnapshot&) = delete;
    TSnapshot& operator=(const TSnapshot&) = delete;
    // Indexed afresh on each use: a nested redraw may grow the pool.
    std::vector<CInstance*>& List() { return Snapshots().buffers[index_].list; }

private:
    size_t index_ = 0;
};

int FloorInt(double v) { return Real_TruncToInt32(std::floor(v)); }

// A port's right or bottom edge; ports come from game code.
int Edge(int position, int size) { return int(std::clamp<int64_t>(int64_t(position) + size, INT32_MIN, INT32_MAX)); }

// The background or foreground layers over the area.
void DrawLayers(const CRoom& room, const CDrawArea& area, bool foreground) {
    for (const CRoomBackground& b : room.backgrounds) {
        if (!b.visible || b.foreground != foreground || !Background_Exists(b.index)) continue;
        if (b.tileH || b.tileV)
            Background_DrawTiled(b.index, float(b.x), float(b.y), float(b.xscale), float(b.yscale), b.tileH, b.tileV,
                                 area.left, area.top, area.right - area.left, area.bottom - area.top, b.blend, b.alpha);
        else Background_DrawExt(b.index, float(b.x), float(b.y), float(b.xscale), float(b.yscale), 0, b.blend, b.alpha);
    }
}

class TRoomDrawer : public IRoomDepthVisitor {
public:
    explicit TRoomDrawer(const CDrawArea& area) : area_(area) {}

    void Instance(CInstance* i) override {
        if (const CEventListEntry* e = Event_ListEntry(kEventDraw, 0, i->objectIndex)) {
            Event_Run(i, i, e->event, e->foundIn, kEventDraw, 0);
            return;
        }
        if (!Sprite_Exists(i->spriteIndex)) return;
        const int frame = FloorInt(i->imageIndex);
        if (i->imageXScale == 1 && i->imageYScale == 1 && i->imageAngle == 0 &&
            (i->imageBlend & 0xFFFFFF) == 0xFFFFFF && i->imageAlpha == 1)
            Sprite_Draw(i->spriteIndex, frame, i->x, i->y);
        else
            Sprite_DrawExt(i->spriteIndex, frame, i->x, i->y, i->imageXScale, i->imageYScale, i->imageAngle,
                           i->imageBlend, i->imageAlpha);
    }

    void Tile(const CRoomTile& t) override {
        const float w = float(t.width) * t.xscale, h = float(t.height) * t.yscale;
        const float left = std::min(t.x, t.x + w), right = std::max(t.x, t.x + w);
        const float top = std::min(t.y, t.y + h), bottom = std::max(t.y, t.y + h);
        if (right < area_.left || left > area_.right || bottom < area_.top || top > area_.bottom) return;
        if (!Background_Exists(t.background)) return;
        Background_DrawPart(t.background, float(t.srcX), float(t.srcY), float(t.width), float(t.height), t.x, t.y,
                            t.xscale, t.yscale, t.blend, t.alpha);
    }

    void Particles(int system) override {
        if (g_hooks.drawParticles) g_hooks.drawParticles(system);
    }

private:
    CDrawArea area_;
};

// The views that draw to the screen, by the right and bottom edges of their ports.
CRoomDisplaySize ScreenPorts(const CRoom& room) {
    CRoomDisplaySize size;
    for (const CRoomView& v : room.views) {
        if (!v.visible || (v.surface >= 0 && Surface_AnyMade())) continue;
        size.width = std::max(size.width, Edge(v.portX, v.portW));
        size.height = std::max(size.height, Edge(v.portY, v.portH));
    }
    return size;
}

uint32_t WindowColour() {
    const CGameResources* res = &*Game().resources;
    return res ? res->options.WindowColour() : 0xFF000000u;
}

void WholeScreen(int width, int height) {
    Graphics_SetPort(0, 0, width, height);
    Graphics_SetView(0, 0, float(width), float(height), 0);
    Graphics_SetDrawArea(CDrawArea{0, 0, float(width), float(height)});
}

void DrawViews(CRoom& room, int screenW, int screenH) {
    Graphics_Clear(WindowColour(), 1, 0, 3);
    // Ports are in the game's drawing size; the application surface may differ from it
    // (a room larger than the desktop), so they are scaled onto it.
    const CRoomDisplaySize ports = ScreenPorts(room);
    const double sx = ports.width > 0 ? double(screenW) / ports.width : 1.0;
    const double sy = ports.height > 0 ? double(screenH) / ports.height : 1.0;
    for (int n = 0; n < int(room.views.size()); ++n) {
        g_viewCurrent = n;
        const CRoomView v = room.views[size_t(n)];
        if (!v.visible) continue;
        const bool onSurface = v.surface >= 0 && Surface_AnyMade() && Surface_SetTarget(v.surface);
        Graphics_SetView(float(v.viewX), float(v.viewY), float(v.viewW), float(v.viewH), float(v.angle));
        if (onSurface) Graphics_SetPort(v.portX, v.portY, v.portW, v.portH);
        else
            Graphics_SetPort(int(std::lround(v.portX * sx)), int(std::lround(v.portY * sy)),
                             int(std::lround(v.portW * sx)), int(std::lround(v.portH * sy)));
        CDrawArea area{float(v.viewX), float(v.viewY), float(double(v.viewX) + v.viewW),
                       float(double(v.viewY) + v.viewH)};
        // A rotated view shows more than its rectangle.
        if (std::fabs(v.angle) >= 0.001) {
            area.left -= float(v.viewH) / 2;
            area.right += float(v.viewH) / 2;
            area.top -= float(v.viewW) / 2;
            area.bottom += float(v.viewW) / 2;
        }
        Room_DrawArea(room, area);
        if (onSurface) Surface_ResetTarget();
    }
    Graphics_SetPort(0, 0, screenW, screenH);
    Graphics_SetView(0, 0, float(screenW), float(screenH), 0);
}

void DrawGui(CRoom& room, int screenW, int screenH) {
    const int guiW = Room_GuiWidth(), guiH = Room_GuiHeight();
    Graphics_SetPort(0, 0, screenW, screenH);
    Graphics_SetView(0, 0, float(guiW), float(guiH), 0);
    Graphics_SetDrawArea(CDrawArea{0, 0, float(guiW), float(guiH)});
    if (Event_ObjectList(kEventDraw, kDrawGui).empty()) return;
    TSnapshot snapshot(room);
    std::vector<CInstance*>& order = snapshot.List();
    for (size_t k = 0; k < order.size(); ++k) {
        CInstance* i = order[k];
        if (i->marked || !i->visible) continue;
        if (const CEventListEntry* e = Event_ListEntry(kEventDraw, kDrawGui, i->objectIndex))
            Event_Run(i, i, e->event, e->foundIn, kEventDraw, kDrawGui);
    }
}

void DrawCursor(int screenW, int screenH) {
    const int sprite = Game().run.cursorSprite;
    if (!Sprite_Exists(sprite)) return;
    double mx = 0, my = 0;
    if (g_hooks.windowMouse) g_hooks.windowMouse(mx, my);
    else Event_MousePosition(mx, my);
    WholeScreen(screenW, screenH);
    Sprite_DrawExt(sprite, g_cursorFrame, float(mx), float(my), 1, 1, 0, 0xFFFFFF, 1);
}

}  // namespace

int Room_ViewCurrent() { return g_viewCurrent; }
CRoomDrawHooks Room_DrawHooks() { return g_hooks; }
void Room_SetDrawHooks(const CRoomDrawHooks& hooks) { g_hooks = hooks; }

void Room_SetGuiSize(int width, int height) {
    g_guiWidth = width;
    g_guiHeight = height;
}
int Room_GuiWidth() { return g_guiWidth < 0 ? Graphics_ScreenWidth() : g_guiWidth; }
int Room_GuiHeight() { return g_guiHeight < 0 ? Graphics_ScreenHeight() : g_guiHeight; }

// --- the redraw ------------------------------------------------------------------------------

void Room_Draw() {
    CRoom* room = Room_Running();
    if (!room) return;
    // The drawing on entering a room comes between two frames: it gets a frame of its
    // own, so that it lands on the application surface (and reads back from there) like
    // any other. Drawing into a surface (a transition's new room) stays where it is.
    const bool ownFrame = Graphics_Ready() && !Graphics_FrameOpen() && !Graphics_SurfaceTarget();
    if (ownFrame) Graphics_BeginFrame();
    const int savedView = g_viewCurrent;
    Room_UpdateViews(*room);
    Room_SortTiles(*room);
    const int screenW = Graphics_ScreenWidth(), screenH = Graphics_ScreenHeight();
    const CRoomView& first = room->views[0];
    if (room->viewsEnabled && first.visible) Graphics_SetHalfPixelSize(first.portW, first.portH);
    else Graphics_SetHalfPixelSize(room->width, room->height);

    if (room->viewsEnabled) {
        DrawViews(*room, screenW, screenH);
    } else {
        g_viewCurrent = 0;
        Graphics_SetPort(0, 0, screenW, screenH);
        Graphics_SetView(0, 0, float(room->width), float(room->height), 0);
        Room_DrawArea(*room, CDrawArea{0, 0, float(room->width), float(room->height)});
    }
    DrawGui(*room, screenW, screenH);
    if (g_hooks.drawOverlay) {
        WholeScreen(screenW, screenH);
        g_hooks.drawOverlay(screenW, screenH);
    }
    DrawCursor(screenW, screenH);
    if (Snapshots().depth == 0) ++g_cursorFrame;
    g_viewCurrent = savedView;
    if (ownFrame) Graphics_EndFrame(false);
}

void Room_DrawArea(CRoom& room, const CDrawArea& area) {
    Graphics_SetDrawArea(area);
    // Only the port: the views drawn before keep their pictures.
    if (room.showColour) Graphics_ClearPort(0xFF000000u | (room.colour & 0xFFFFFF), 1, 3);
    Graphics_SetDepth(kDepthBackgrounds);
    DrawLayers(room, area, false);
    TRoomDrawer drawer(area);
    Room_DrawByDepth(room, drawer);
    Graphics_SetDepth(kDepthForegrounds);
    DrawLayers(room, area, true);
    Graphics_SetDepth(kDepthAfterForegrounds);
}

void Room_DrawByDepth(CRoom& room, IRoomDepthVisitor& visitor) {
    TSnapshot snapshot(room);
    const int particleCount = g_hooks.particleCount && g_hooks.particleDepth ? g_hooks.particleCount() : 0;
    size_t ii = 0, ti = 0;
    int pi = 0;
    // Instances and tiles are looked at afresh on each turn: the draw event before may
    // have destroyed or hidden an instance, or added and deleted tiles.
    for (;;) {
        std::vector<CInstance*>& order = snapshot.List();
        while (ii < order.size() && (order[ii]->marked || !order[ii]->visible)) ++ii;
        while (ti < room.tileArray.size() && !room.tileArray[ti].visible) ++ti;
        CInstance* instance = ii < order.size() ? order[ii] : nullptr;
        const CRoomTile* tile = ti < room.tileArray.size() ? &room.tileArray[ti] : nullptr;
        if (pi < particleCount) {
            // Particles win a tie against a tile and lose one against an instance.
            const float p = g_hooks.particleDepth(pi);
            if ((!instance || p > instance->depth) && (!tile || p >= tile->depth)) {
                Graphics_SetDepth(Room_DepthZ(p));
                visitor.Particles(pi++);
                continue;
            }
        }
        if (tile && (!instance || tile->depth > instance->depth)) {
            ++ti;
            Graphics_SetDepth(Room_DepthZ(tile->depth));
            visitor.Tile(*tile);
            continue;
        }
        if (!instance) break;
        ++ii;
        Graphics_SetDepth(Room_DepthZ(instance->depth));
        visitor.Instance(instance);
    }
}

// --- views, scrolling, tiles ---------------------------------------------------------------

void Room_UpdateViews(CRoom& room) {
    if (!room.viewsEnabled) return;
    const CInstanceWorld& world = *Game().world;
    for (CRoomView& v : room.views) {
        if (!v.visible || v.follow < 0) continue;
        const CInstance* target = nullptr;
        if (v.follow >= kFirstInstanceId) {
            target = world.Find(v.follow);
            if (target && target->marked) target = nullptr;
        } else {
            target = world.FirstOfObject(v.follow);
        }
        if (!target) continue;
        const int x = Real_TruncToInt32(std::nearbyint(double(target->x)));
        const int y = Real_TruncToInt32(std::nearbyint(double(target->y)));
        // One axis: follow inside the border (or keep centred when the border takes half
        // the view or more), clamp to the room, then the speed limit. In 64 bits: the
        // sizes and borders come from game code.
        auto follow = [](int64_t pos, int64_t view, int64_t size, int64_t border, int64_t roomSize, int64_t speed) {
            int64_t to = view;
            if (2 * border < size) {
                if (pos - border < to) to = pos - border;
                else if (pos + border > to + size) to = pos + border - size;
            } else {
                to = pos - size / 2;
            }
            if (to < 0) to = 0;
            if (to + size > roomSize) to = roomSize - size;
            if (speed >= 0) to = std::clamp(to, view - speed, view + speed);
            return int(std::clamp<int64_t>(to, INT32_MIN, INT32_MAX));
        };
        v.viewX = follow(x, v.viewX, v.viewW, v.hborder, room.width, v.hspeed);
        v.viewY = follow(y, v.viewY, v.viewH, v.vborder, room.height, v.vspeed);
    }
}

void Room_ScrollBackgrounds(CRoom& room) {
    for (CRoomBackground& b : room.backgrounds) {
        // The slots are 32-bit floats in the room's own records.
        b.x = float(b.x + b.hspeed);
        b.y = float(b.y + b.vspeed);
    }
}

void Room_SortTiles(CRoom& room) {
    std::vector<CRoomTile>& tiles = room.tileArray;
    bool ordered = true;
    for (size_t k = 1; k < tiles.size() && ordered; ++k) ordered = tiles[k].depth <= tiles[k - 1].depth;
    if (ordered) return;
    // Insertion sort: stable, and nearly sorted arrays (one tile moved) cost little.
    for (size_t k = 1; k < tiles.size(); ++k) {
        if (tiles[k].depth <= tiles[k - 1].depth) continue;
        CRoomTile moving = tiles[k];
        size_t at = k;
        while (at > 0 && tiles[at - 1].depth < moving.depth) {
            tiles[at] = tiles[at - 1];
            --at;
        }
        tiles[at] = moving;
    }
}

// --- the display size ------------------------------------------------------------------------

CRoomDisplaySize Room_DisplaySize(const CRoom& room) {
    if (!room.viewsEnabled) return {room.width, room.height};
    CRoomDisplaySize size{8, 8};
    for (const CRoomView& v : room.views) {
        if (!v.visible) continue;
        size.width = std::max(size.width, Edge(v.portX, v.portW));
        size.height = std::max(size.height, Edge(v.portY, v.portH));
    }
    return size;
}

void Room_ApplyDisplaySize(const CRoom& room) {
    const CRoomDisplaySize wanted = Room_DisplaySize(room);
    const WindowSize size = ClampToDesktop(wanted.width, wanted.height, 0, 0);
    if (size.width != Graphics_ScreenWidth() || size.height != Graphics_ScreenHeight())
        Graphics_SetScreenSize(size.width, size.height);
    TWindow* window = Platform_MainWindow();
    if (!window || !window->IsOpen()) return;
    if (size.width != window->Width() || size.height != window->Height()) window->SetSize(size.width, size.height);
}
