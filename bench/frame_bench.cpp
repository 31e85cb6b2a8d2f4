// zorvex-bench-frame [INSTANCES] [FRAMES]: times whole frames of a room full of
// instances whose step event does a little arithmetic, with no wait between frames,
// and prints the mean, best and worst frame time.
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
#include "object/timeline.h"
#include "room/room.h"
#include "runner/game_loop.h"
#include "runner/runner.h"
#include "variable/variables.h"
#include "vm/machine.h"
#include "vm/registry.h"
#include "writer/assembler.h"
#include "writer/writer.h"

namespace {

// x += hspeed; count = count + 1; the sum of both kept in a user variable.
const char* kStep = R"(
    push.v self.x
    push.v self.hspeed
    add.v.v
    pop.v.v self.x
    push.v self.count
    push.d 1
    add.d.v
    pop.v.v self.count
    push.v self.x
    push.v self.count
    add.v.v
    pop.v.v self.total
)";

}  // namespace

int main(int argc, char** argv) {
    const int instances = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10000;
    const int frames = argc > 2 ? std::max(1, std::atoi(argv[2])) : 200;
    Bench_RegisterEngine();

    GameDataDesc desc;
    desc.general.gameName = "frame bench";
    desc.general.highestInstanceId = 100000;
    desc.general.roomOrder = {0};
    desc.options.words[WOptions::UnsetVariablesAreZero] = 1;
    std::string error;
    if (!Asm_Assemble(desc, "obj_step", kStep, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    WObject o;
    o.name = "obj_mover";
    o.events.resize(kEventTypeCount);
    o.events[kEventStep].push_back(WEvent{0, WCodeRef::Index(0)});
    desc.objects.push_back(o);
    WRoom room;
    room.name = "rm_bench";
    room.speed = 60;
    for (int i = 0; i < instances; ++i) {
        WRoomInstance inst;
        inst.object = 0;
        inst.id = uint32_t(100001 + i);
        inst.x = i % 640;
        inst.y = i / 640;
        room.instances.push_back(inst);
    }
    desc.rooms.push_back(room);

    if (!Bench_StartGame(desc)) return 1;
    for (CInstance* i = Game().world->ActiveHead(); i; i = i->next) i->hspeed = 1;

    Bench_WarmUp();
    const TFrameTimes t = Bench_TimeFrames(frames);
    const std::vector<double>& times = t.micros;
    double sum = 0;
    for (double v : times) sum += v;
    std::printf("%d instances, %d frames: mean %.1f us, median %.1f us, best %.1f us, worst %.1f us per frame\n",
                instances, frames, sum / double(frames), t.Median(), times.front(), times.back());
    std::printf("%.1f ns per instance per frame (median)\n", 1000.0 * t.Median() / double(instances));
    return Bench_EndGame();
}
