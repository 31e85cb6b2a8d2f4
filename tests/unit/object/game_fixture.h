#pragma once
// Builds small games (objects with assembled events, rooms, time lines), then plays
// them in this process or through the zorvex binary.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

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
#include "support/process.h"
#include "variable/variable_list.h"
#include "variable/variables.h"
#include "vm/machine.h"
#include "vm/registry.h"
#include "writer/assembler.h"
#include "writer/writer.h"

// Assembly of show_debug_message("text").
inline std::string Say(const std::string& text) {
    return "push.s \"" + text + "\"\nconv.s.v\ncall.i show_debug_message 1\npopz.v\n";
}
// show_debug_message(VAR), VAR in the assembler's SCOPE.NAME form.
inline std::string SayVar(const std::string& var) {
    return "push.v " + var + "\ncall.i show_debug_message 1\npopz.v\n";
}
// A call with real arguments, its result dropped.
inline std::string Call(const std::string& name, std::vector<double> args = {}) {
    std::string text;
    for (size_t i = args.size(); i-- > 0;) text += "push.d " + std::to_string(args[i]) + "\nconv.d.v\n";
    return text + "call.i " + name + " " + std::to_string(args.size()) + "\npopz.v\n";
}
// VAR = value.
inline std::string Set(const std::string& var, double value) {
    return "push.d " + std::to_string(value) + "\npop.v.d " + var + "\n";
}
// VAR[index] = value.
inline std::string SetAt(const std::string& var, int index, double value) {
    return "push.d " + std::to_string(value) + "\npush.i " + std::to_string(index) + "\npop.v.d " + var + "[]\n";
}

class GameTest : public ::testing::Test {
protected:
    CGameSession session;
    GameDataDesc desc;

    void SetUp() override {
        Variable_RegisterBuiltins();
        Game_ConnectVariables();
        Function_InstallNames();
        Function_RegisterAll();
        Game().error.settings.showErrors = false;
        desc.general.gameName = "game";
        desc.general.highestInstanceId = 100100;
        desc.options.words[WOptions::UnsetVariablesAreZero] = 1;
    }
    void TearDown() override {
        Room_ResetKept(0);
        Event_SetInput(nullptr);
        Runner().gameRunning = 0;
    }

    int Object(const std::string& name, int parent = -1, int depth = 0, bool persistent = false) {
        WObject o;
        o.name = name;
        o.parent = parent;
        o.depth = depth;
        o.persistent = persistent ? 1 : 0;
        o.events.resize(kEventTypeCount);
        desc.objects.push_back(o);
        return int(desc.objects.size()) - 1;
    }
    // The code of an event, added as a unit of its own (with desc.hasCode false, the
    // text is script text for the runner to compile).
    void On(int object, int type, int number, const std::string& text) {
        WEvent e;
        e.number = uint32_t(number);
        e.code =
            Code(desc.objects[size_t(object)]->name + "_" + std::to_string(type) + "_" + std::to_string(number), text);
        desc.objects[size_t(object)]->events[size_t(type)].push_back(e);
    }
    WCodeRef Code(const std::string& name, const std::string& text) {
        return desc.hasCode ? WCodeRef::Index(Unit(name, text)) : WCodeRef::Source(text);
    }
    int Room(const std::string& name, bool persistent = false, bool inOrder = true) {
        WRoom r;
        r.name = name;
        r.caption = name;
        r.persistent = persistent ? 1 : 0;
        desc.rooms.push_back(r);
        const int index = int(desc.rooms.size()) - 1;
        if (inOrder) desc.general.roomOrder.push_back(uint32_t(index));
        return index;
    }
    void Place(int room, int object, int id, int x = 0, int y = 0, const std::string& creation = "") {
        WRoomInstance i;
        i.object = object;
        i.id = uint32_t(id);
        i.x = x, i.y = y;
        if (!creation.empty()) i.creationCode = Code("inst_" + std::to_string(id), creation);
        desc.rooms[size_t(room)]->instances.push_back(i);
    }
    void RoomCode(int room, const std::string& text) {
        desc.rooms[size_t(room)]->creationCode = Code(desc.rooms[size_t(room)]->name + "_code", text);
    }
    int TimeLine(const std::string& name, const std::vector<std::pair<int, std::string>>& moments) {
        WTimeLine t;
        t.name = name;
        for (const auto& [step, text] : moments)
            t.moments.push_back(WMoment{uint32_t(step), Code(name + "_" + std::to_string(step), text)});
        desc.timeLines.push_back(t);
        return int(desc.timeLines.size()) - 1;
    }
    int Unit(const std::string& name, const std::string& text) {
        std::string error;
        EXPECT_TRUE(Asm_Assemble(desc, name, text, error)) << name << ": " << error;
        return int(desc.code.size()) - 1;
    }

    // Loads the game here and prepares it as the runner does; Start() then enters the
    // first room.
    void Load() {
        std::string error;
        data = CGameData(DataFile_Write(desc, &error));
        ASSERT_EQ(error, "");
        res = CGameResources{};
        VM_ResetPrograms();
        ASSERT_TRUE(DataFile_HeaderPass(data, res, error) && VM_LinkVariables(data, res, error) &&
                    DataFile_MainPass(data, res, error) && VM_LinkFunctions(data, res, error))
            << error;
        Variable_SetUnsetIsZero(res.options.UnsetVariablesAreZero());
        Variable_StartGlobals();
        TimeLine_PrepareAll();
        Object_ResolveParents();
        Event_RebuildLists();
        Game().world->lastId = int(res.header.highestInstanceId);
        Game_SetNoWait(true);
    }
    std::string Start() {
        testing::internal::CaptureStdout();
        Runner().gameRunning = 1;
        Game_Start();
        Game_EnterMainLoop();
        return testing::internal::GetCapturedStdout();
    }
    // Runs up to n frames (fewer when the game stops) and returns what they printed.
    std::string Frames(int n) {
        testing::internal::CaptureStdout();
        for (int i = 0; i < n && Runner().gameRunning == 1; ++i) Game_MainLoopFrame();
        return testing::internal::GetCapturedStdout();
    }
    std::string End() {
        testing::internal::CaptureStdout();
        Game_End();
        return testing::internal::GetCapturedStdout();
    }

    // Plays the game through the binary (frames < 0: until the game ends).
    ProcessResult Play(int frames, std::vector<std::string> extra = {"--no-wait"}) {
        const std::string dir = TestDirectory(::testing::UnitTest::GetInstance()->current_test_info()->name());
        const std::string file = WriteFile(dir + "/game.win", DataFile_Write(desc));
        std::vector<std::string> args = {"--headless", "-game", file};
        if (frames >= 0) args.insert(args.end(), {"--frames", std::to_string(frames)});
        args.insert(args.end(), extra.begin(), extra.end());
        return RunProgram("zorvex", args);
    }

    CGameData& data = Game().data;
    CGameResources& res = *Game().resources;
};
