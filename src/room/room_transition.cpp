// Room transitions.
//
// The geometry of the built-in kinds (W x H the surfaces' size, f the fraction from 0
// to 1, d = round(W f) or round(H f) along the moving axis; A is drawn first at (0, 0)
// unless a kind moves it):
//   1 / 2   the left / right d columns of B at their own place (B grows from that edge)
//   3 / 4   the top / bottom d rows of B at their own place
//   5       the centre round(W f) x round(H f) of B at its own place
//   6 .. 9  shift: the whole of B slides in over A from the left, right, top, bottom
//           (B at d - W, W - d, d - H, H - d along its axis)
//   10, 11  interlace: B cut into rows 8 pixels high; in kind 10 the even rows slide in
//           from the left and the odd rows from the right, kind 11 the other way round,
//           so B is built up strip by strip over the steps
//   12, 13  the same with columns 8 pixels wide, even ones from the top in kind 12 and
//           from the bottom in kind 13
//   14 ..17 push: B comes in from the left, right, top, bottom and pushes A out by the
//           same amount (A at d, -d along the axis, B beside it)
//   18, 19  B rotated about the centre of the picture by sqrt(f) x 360 degrees
//           (counter-clockwise for 18, clockwise for 19) and scaled by f, so it spins in
//           from nothing to the full picture
//   20      B over A with alpha f
//   21      black; A fades out (alpha 1 - 2f) while f <= 0.5, then B fades in (alpha
//           2f - 1)
// A kind defined by transition_define runs its script instead with the arguments
// (surface A, surface B, width, height, fraction), the application surface the target.
#include "room/room_transition.h"
#include "data/game.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "graphics/graphics.h"
#include "graphics/surface.h"
#include "object/instance.h"
#include "platform/console.h"
#include "room/room.h"
#include "value/value.h"
#include "vm/machine.h"
#include "vm/script.h"

namespace {

constexpr int kStrip = 8;
constexpr size_t kDefinedBlock = 1000;

struct TTransitionState {
    int kind = 0;
    int a = -1, b = -1;
    bool active = false;
    // Defined kinds: the script index by kind, -1 for none; grown in blocks.
    std::vector<int> scripts;
};

TTransitionState& State() {
    static TTransitionState s;
    return s;
}

int DefinedScript(int kind) {
    const std::vector<int>& s = State().scripts;
    if (kind < 1 || size_t(kind) >= s.size()) return -1;
    return s[size_t(kind)];
}

int Round(double v) { return int(std::lround(v)); }

void Whole(int id, float x, float y, double alpha = 1) { Surface_DrawExt(id, x, y, 1, 1, 0, 0xFFFFFF, alpha); }

void Part(int id, float left, float top, float w, float h, float x, float y) {
    if (w > 0 && h > 0) Surface_DrawPart(id, left, top, w, h, x, y, 1, 1, 0xFFFFFF, 1);
}

void Interlace(int a, int b, int w, int h, double f, bool rows, bool evenFromStart) {
    Whole(a, 0, 0);
    const int along = rows ? w : h;
    const int d = Round(along * f);
    const int across = rows ? h : w;
    for (int s = 0, k = 0; s < across; s += kStrip, ++k) {
        const bool fromStart = (k % 2 == 0) == evenFromStart;
        const float offset = float(fromStart ? d - along : along - d);
        const float size = float(std::min(kStrip, across - s));
        if (rows) Part(b, 0, float(s), float(w), size, offset, float(s));
        else Part(b, float(s), 0, size, float(h), float(s), offset);
    }
}

void RunScript(int script, int a, int b, int w, int h, double f) {
    CInstance temp(0, 0);
    CValue args[5];
    args[0].SetReal(a);
    args[1].SetReal(b);
    args[2].SetReal(w);
    args[3].SetReal(h);
    args[4].SetReal(f);
    CValue result;
    VM_ExecuteScript(script, &temp, &temp, 5, args, result);
}

void FreeSurfaces() {
    TTransitionState& s = State();
    if (s.a >= 0) Surface_Free(s.a);
    if (s.b >= 0) Surface_Free(s.b);
    s.a = s.b = -1;
}

}  // namespace

bool Transition_Exists(int kind) { return (kind >= 1 && kind <= kTransitionBuiltinCount) || DefinedScript(kind) >= 0; }

bool Transition_Define(int kind, int scriptIndex) {
    if (kind < 1 || kind >= kTransitionDefinedLimit || scriptIndex < 0) return false;
    std::vector<int>& s = State().scripts;
    if (size_t(kind) >= s.size()) s.resize((size_t(kind) / kDefinedBlock + 1) * kDefinedBlock, -1);
    s[size_t(kind)] = scriptIndex;
    return true;
}

int Transition_FindScript(const std::string& name) {
    const CGameResources* res = &*Game().resources;
    if (res == nullptr || name.empty()) return -1;
    for (size_t i = 0; i < res->scripts.size(); ++i)
        if (res->scripts[i] && res->scripts[i]->name == name) return int(i);
    return -1;
}

bool Transition_Active() { return State().active; }

void Transition_Compose(int kind, int a, int b, int w, int h, double f) {
    f = std::clamp(f, 0.0, 1.0);
    const float W = float(w), H = float(h);
    const int dx = Round(w * f), dy = Round(h * f);
    switch (kind) {
    case 1:
        Whole(a, 0, 0);
        Part(b, 0, 0, float(dx), H, 0, 0);
        break;
    case 2:
        Whole(a, 0, 0);
        Part(b, W - float(dx), 0, float(dx), H, W - float(dx), 0);
        break;
    case 3:
        Whole(a, 0, 0);
        Part(b, 0, 0, W, float(dy), 0, 0);
        break;
    case 4:
        Whole(a, 0, 0);
        Part(b, 0, H - float(dy), W, float(dy), 0, H - float(dy));
        break;
    case 5: {
        Whole(a, 0, 0);
        const float x = float(Round((w - w * f) / 2)), y = float(Round((h - h * f) / 2));
        Part(b, x, y, float(dx), float(dy), x, y);
        break;
    }
    case 6:
        Whole(a, 0, 0);
        Whole(b, float(dx) - W, 0);
        break;
    case 7:
        Whole(a, 0, 0);
        Whole(b, W - float(dx), 0);
        break;
    case 8:
        Whole(a, 0, 0);
        Whole(b, 0, float(dy) - H);
        break;
    case 9:
        Whole(a, 0, 0);
        Whole(b, 0, H - float(dy));
        break;
    case 10: Interlace(a, b, w, h, f, true, true); break;
    case 11: Interlace(a, b, w, h, f, true, false); break;
    case 12: Interlace(a, b, w, h, f, false, true); break;
    case 13: Interlace(a, b, w, h, f, false, false); break;
    case 14:
        Whole(a, float(dx), 0);
        Whole(b, float(dx) - W, 0);
        break;
    case 15:
        Whole(a, -float(dx), 0);
        Whole(b, W - float(dx), 0);
        break;
    case 16:
        Whole(a, 0, float(dy));
        Whole(b, 0, float(dy) - H);
        break;
    case 17:
        Whole(a, 0, -float(dy));
        Whole(b, 0, H - float(dy));
        break;
    case 18:
    case 19: {
        Whole(a, 0, 0);
        const double radians = std::sqrt(f) * 2 * 3.14159265358979 * (kind == 19 ? -1 : 1);
        const float degrees = float(radians * 180 / 3.14159265358979);
        const float s = float(f);
        if (s <= 0) break;
        // Scaled and rotated about its own top-left corner, placed so that the
        // picture's centre stays at the screen's centre.
        const float rad = degrees * 0.017453292f;
        const float cx = W / 2 * s, cy = H / 2 * s;
        const float ox = W / 2 - (std::cos(rad) * cx + std::sin(rad) * cy);
        const float oy = H / 2 - (-std::sin(rad) * cx + std::cos(rad) * cy);
        Surface_DrawExt(b, ox, oy, s, s, degrees, 0xFFFFFF, 1);
        break;
    }
    case 20:
        Whole(a, 0, 0);
        Whole(b, 0, 0, f);
        break;
    case 21:
        Graphics_Clear(0xFF000000u, 1, 0, 3);
        if (f <= 0.5) Whole(a, 0, 0, 1 - 2 * f);
        else Whole(b, 0, 0, 2 * f - 1);
        break;
    default: Whole(a, 0, 0); break;
    }
}

void Transition_Start() {
    TTransitionState& s = State();
    s.active = false;
    s.kind = Game().run.transitionKind;
    if (!Transition_Exists(s.kind)) {
        Console().Output("TransFunctionExists()\n");
        return;
    }
    const int w = Graphics_ScreenWidth(), h = Graphics_ScreenHeight();
    s.a = Surface_Create(w, h);
    if (s.a < 0 || !Surface_SetTarget(s.a)) {
        FreeSurfaces();
        Game().run.transitionKind = -1;
        return;
    }
    Graphics_Clear(0xFF000000u, 1, 0, 3);
    Room_Draw();
    Surface_ResetTarget();
    s.b = Surface_Create(w, h);
    if (s.b < 0 || !Surface_SetTarget(s.b)) {
        FreeSurfaces();
        Game().run.transitionKind = -1;
        return;
    }
    Graphics_Clear(0xFF000000u, 1, 0, 3);
    s.active = true;
}

void Transition_Finish() {
    TTransitionState& s = State();
    CRunState& run = Game().run;
    if (!s.active) {
        Console().Output("FALSE: GR_D3D_Finish_Frame\n");
        run.transitionKind = 0;
        return;
    }
    s.active = false;
    Console().Output("TF: 1\n");
    // The new room's first drawing is in B (unless its code took the target away).
    if (Surface_Current() == s.b) Surface_ResetTarget();
    Console().Output("TF: 2\n");
    const int w = Surface_Width(s.a), h = Surface_Height(s.a);
    const int steps = std::max(1, run.transitionSteps);
    const int script = DefinedScript(s.kind);
    const CRoom* room = Room_Running();
    const int speed = room && room->speed > 0 ? room->speed : 30;
    const float savedDepth = Graphics_Depth();
    for (int i = 0; i <= steps; ++i) {
        if (!Surface_Exists(s.a) || !Surface_Exists(s.b)) break;
        Graphics_BeginFrame();
        Graphics_SetPort(0, 0, Graphics_ScreenWidth(), Graphics_ScreenHeight());
        Graphics_SetView(0, 0, float(w), float(h), 0);
        Graphics_SetDrawArea(CDrawArea{0, 0, float(w), float(h)});
        Graphics_Clear(0xFF000000u, 1, 0, 3);
        Graphics_SetDepth(0);
        const double f = double(i) / double(steps);
        if (script >= 0) RunScript(script, s.a, s.b, w, h, f);
        else Transition_Compose(s.kind, s.a, s.b, w, h, f);
        Graphics_EndFrame(true);
        const CRoomHooks hooks = Room_Hooks();
        if (i < steps && hooks.transitionWait) hooks.transitionWait(1000000 / speed);
    }
    Graphics_SetDepth(savedDepth);
    Console().Output("TF: 3\n");
    FreeSurfaces();
    Console().Output("TF: 4\n");
    run.transitionKind = 0;
    Console().Output("TF: 5\n");
}
