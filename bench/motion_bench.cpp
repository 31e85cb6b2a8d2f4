// zorvex-bench-motion [INSTANCES] [STEPS] [--all-pairs]: times whole frames of a room
// of instances with 16 x 16 box sprites that move in all directions, meet each other
// (a collision event turns each one around) and wrap at the room's edges. Prints the
// steps per second and the collision events per step; --all-pairs switches the broad
// phase off so every search walks the lists.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "bench_game.h"
#include "data/error.h"
#include "data/game.h"
#include "function/function_names.h"
#include "graphics/png.h"
#include "load/data_file.h"
#include "object/collision.h"
#include "object/event.h"
#include "object/instance.h"
#include "object/motion.h"
#include "room/room.h"
#include "runner/game_loop.h"
#include "runner/runner.h"
#include "variable/variables.h"
#include "vm/machine.h"
#include "vm/registry.h"
#include "writer/assembler.h"
#include "writer/writer.h"

namespace {

// direction += 180; score += 1 (the score counts the events)
const char* kTurn = R"(
    push.v self.direction
    push.d 180
    add.d.v
    pop.v.v self.direction
    push.v self.score
    push.d 1
    add.d.v
    pop.v.v self.score
)";

// move_wrap(true, true, 0)
const char* kWrap = R"(
    push.d 0
    conv.d.v
    push.d 1
    conv.d.v
    push.d 1
    conv.d.v
    call.i move_wrap 3
    popz.v
)";

}  // namespace

int main(int argc, char** argv) {
    int instances = 2000, steps = 300;
    bool allPairs = false;
    int positional = 0;
    for (int a = 1; a < argc; ++a) {
        if (std::strcmp(argv[a], "--all-pairs") == 0) allPairs = true;
        else if (positional++ == 0) instances = std::max(1, std::atoi(argv[a]));
        else steps = std::max(1, std::atoi(argv[a]));
    }
    Bench_RegisterEngine();
    Motion_InstallHooks();
    CFrameHooks hooks = Game_Hooks();
    hooks.updateMotion = Motion_UpdateAll;
    hooks.runCollisionEvents = Collision_RunEvents;
    Game_SetHooks(hooks);
    Collision_SetBroadPhase(!allPairs);

    GameDataDesc desc;
    desc.general.gameName = "motion bench";
    desc.general.highestInstanceId = uint32_t(100000 + instances);
    desc.general.roomOrder = {0};
    desc.options.words[WOptions::UnsetVariablesAreZero] = 1;
    std::string error;
    if (!Asm_Assemble(desc, "obj_ball_turn", kTurn, error) || !Asm_Assemble(desc, "obj_ball_wrap", kWrap, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    WSprite box;
    box.name = "spr_box";
    box.width = box.height = 16;
    box.bboxRight = box.bboxBottom = 15;
    box.originX = box.originY = 8;
    box.frames = {0};
    desc.texturePages = {WTexturePageEntry{0, 0, 16, 16, 0, 0, 16, 16, 16, 16, 0}};
    const std::vector<uint8_t> white(16 * 16 * 4, 255);
    desc.textures = {WTexture{0, Png_EncodeRGBA(16, 16, white.data())}};
    desc.sprites.push_back(box);
    WObject o;
    o.name = "obj_ball";
    o.sprite = 0;
    o.events.resize(kEventTypeCount);
    o.events[kEventCollision].push_back(WEvent{0, WCodeRef::Index(0)});
    o.events[kEventStep].push_back(WEvent{kStepEnd, WCodeRef::Index(1)});
    desc.objects.push_back(o);
    // Instances 24 pixels apart, 50 to a row.
    WRoom room;
    room.name = "rm_bench";
    room.speed = 60;
    room.width = 50 * 24;
    room.height = (instances + 49) / 50 * 24;
    for (int i = 0; i < instances; ++i) {
        WRoomInstance inst;
        inst.object = 0;
        inst.id = uint32_t(100001 + i);
        inst.x = 12 + i % 50 * 24;
        inst.y = 12 + i / 50 * 24;
        room.instances.push_back(inst);
    }
    desc.rooms.push_back(room);

    if (!Bench_StartGame(desc)) return 1;
    std::mt19937 random(12345);
    for (CInstance* i = Game().world->ActiveHead(); i; i = i->next) {
        Motion_SetDirection(*i, double(random() % 360));
        Motion_SetSpeed(*i, 2);
    }

    Bench_WarmUp();
    auto count = [] { return double(Game().run.score); };
    const double before = count();
    const TFrameTimes t = Bench_TimeFrames(steps);
    std::printf(
        "%d instances, %d steps%s: %.0f steps per second; median %.1f us, worst %.1f us per step; "
        "%.1f collision events per step\n",
        instances, steps, allPairs ? " (all pairs)" : "", double(steps) / t.seconds, t.Median(), t.micros.back(),
        (count() - before) / double(steps));
    return Bench_EndGame();
}
