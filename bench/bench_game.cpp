#include "bench_game.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

#include "data/error.h"
#include "data/game.h"
#include "function/function_names.h"
#include "load/data_file.h"
#include "object/event.h"
#include "object/instance.h"
#include "room/room.h"
#include "runner/game_loop.h"
#include "runner/runner.h"
#include "variable/variables.h"
#include "vm/machine.h"
#include "vm/registry.h"

void Bench_RegisterEngine() {
    Variable_RegisterBuiltins();
    Game_ConnectVariables();
    Function_InstallNames();
    Function_RegisterAll();
}

bool Bench_StartGame(const GameDataDesc& desc) {
    std::string error;
    CGameData& data = Game().data;
    CGameResources& res = *Game().resources;
    data = CGameData(DataFile_Write(desc, &error));
    if (!error.empty() || !DataFile_HeaderPass(data, res, error) || !VM_LinkVariables(data, res, error) ||
        !DataFile_MainPass(data, res, error) || !VM_LinkFunctions(data, res, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return false;
    }
    Variable_SetUnsetIsZero(desc.options.words[WOptions::UnsetVariablesAreZero] != 0);
    Variable_StartGlobals();
    Object_ResolveParents();
    Event_RebuildLists();
    Game().world->lastId = int(res.header.highestInstanceId);
    Game_SetNoWait(true);
    Runner().gameRunning = 1;
    Game_Start();
    Game_EnterMainLoop();
    return true;
}

void Bench_WarmUp() {
    for (int f = 0; f < 5; ++f) Game_MainLoopFrame();
}

TFrameTimes Bench_TimeFrames(int frames) {
    TFrameTimes t;
    t.micros.reserve(size_t(frames));
    const auto all = std::chrono::steady_clock::now();
    for (int f = 0; f < frames; ++f) {
        const auto start = std::chrono::steady_clock::now();
        Game_MainLoopFrame();
        t.micros.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
    }
    t.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - all).count();
    std::sort(t.micros.begin(), t.micros.end());
    return t;
}

int Bench_EndGame() {
    Game_End();
    Room_ResetKept(0);
    return Code_EndingOnError() ? 1 : 0;
}
