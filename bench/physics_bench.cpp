// zorvex-bench-physics [BODIES] [STEPS]: times whole frames of a room with a physics
// world: BODIES dynamic 12 x 12 crates (1,000 by default) dropped in a grid into a box of
// four static walls, crates meeting crates and walls (each meeting performs a collision
// event that counts it). The world steps once per frame at the room speed, 60. Prints
// the steps per second, the median and worst step, and the collision events per step.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_game.h"
#include "data/error.h"
#include "data/game.h"
#include "function/function_names.h"
#include "load/data_file.h"
#include "object/event.h"
#include "object/instance.h"
#include "object/motion.h"
#include "physics/physics.h"
#include "room/room.h"
#include "runner/game_loop.h"
#include "runner/runner.h"
#include "variable/variables.h"
#include "vm/machine.h"
#include "vm/registry.h"
#include "writer/assembler.h"
#include "writer/writer.h"

namespace {

// score += 1 (the score counts the events)
const char* kCount = R"(
    push.v self.score
    push.d 1
    add.d.v
    pop.v.v self.score
)";

constexpr int kBox = 640;
constexpr int kWall = 16;

WObject PhysicsObject(const std::string& name, float density, float halfW, float halfH) {
    WObject o;
    o.name = name;
    o.events.resize(kEventTypeCount);
    o.usesPhysics = 1;
    o.physicsShape = 1;
    o.physicsValue1 = density;
    o.physicsValue2 = 0.1f;
    o.shapePoints = {{-halfW, -halfH}, {halfW, -halfH}, {halfW, halfH}, {-halfW, halfH}};
    return o;
}

}  // namespace

int main(int argc, char** argv) {
    const int bodies = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000;
    const int steps = argc > 2 ? std::max(1, std::atoi(argv[2])) : 300;
    Bench_RegisterEngine();
    Motion_InstallHooks();
    Physics_InstallHooks();
    CFrameHooks hooks = Game_Hooks();
    hooks.updateMotion = [] { return Physics_UpdateRoom() || Motion_UpdateAll(); };
    Game_SetHooks(hooks);

    GameDataDesc desc;
    desc.general.gameName = "physics bench";
    desc.general.highestInstanceId = uint32_t(100010 + bodies);
    desc.general.roomOrder = {0};
    desc.options.words[WOptions::UnsetVariablesAreZero] = 1;
    std::string error;
    if (!Asm_Assemble(desc, "count", kCount, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    // Crates meet crates and both walls; walls meet crates (the masks need one side only).
    WObject crate = PhysicsObject("obj_crate", 1, 6, 6);
    WObject across = PhysicsObject("obj_wall_across", 0, kBox / 2.0f, kWall / 2.0f);
    WObject down = PhysicsObject("obj_wall_down", 0, kWall / 2.0f, kBox / 2.0f);
    for (uint32_t other : {0u, 1u, 2u}) crate.events[kEventCollision].push_back(WEvent{other, WCodeRef::Index(0)});
    desc.objects = {crate, across, down};

    WRoom room;
    room.name = "rm_bench";
    room.speed = 60;
    room.width = room.height = kBox;
    room.physicsWorld = 1;
    room.gravityY = 10;
    room.physicsScale = 0.1f;
    uint32_t id = 100001;
    auto place = [&](int object, int x, int y) {
        WRoomInstance inst;
        inst.object = object;
        inst.id = id++;
        inst.x = x;
        inst.y = y;
        room.instances.push_back(inst);
    };
    place(1, kBox / 2, kWall / 2);
    place(1, kBox / 2, kBox - kWall / 2);
    place(2, kWall / 2, kBox / 2);
    place(2, kBox - kWall / 2, kBox / 2);
    // 40 to a row, 15 pixels apart, a little offset every other row so the stacks topple.
    for (int i = 0; i < bodies; ++i)
        place(0, kWall + 10 + i % 40 * 15 + (i / 40 % 2) * 3, kBox - kWall - 10 - i / 40 * 15);
    desc.rooms.push_back(room);

    if (!Bench_StartGame(desc)) return 1;

    Bench_WarmUp();
    auto count = [] { return double(Game().run.score); };
    const double before = count();
    const TFrameTimes t = Bench_TimeFrames(steps);
    std::printf(
        "%d bodies, %d steps: %.0f steps per second; median %.1f us, worst %.1f us per step; "
        "%.1f collision events per step\n",
        bodies, steps, double(steps) / t.seconds, t.Median(), t.micros.back(), (count() - before) / double(steps));
    return Bench_EndGame();
}
