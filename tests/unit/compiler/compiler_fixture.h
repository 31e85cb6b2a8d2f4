#pragma once
// A game without a data file for compiled text: scripts compiled from text in its
// resource table, instances in the world, and both execution paths at hand.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "compiler/compiler.h"
#include "compiler/constants.h"
#include "data/error.h"
#include "data/game.h"
#include "data/game_resources.h"
#include "function/function_names.h"
#include "object/instance.h"
#include "object/object.h"
#include "room/room.h"
#include "variable/variable_list.h"
#include "variable/variables.h"
#include "vm/code.h"
#include "vm/machine.h"
#include "vm/registry.h"
#include "vm/script.h"

class CompilerTest : public ::testing::Test {
protected:
    CGameSession session;
    CGameData& data = Game().data;
    CGameResources& res = *Game().resources;
    CRoom room;  // the running room: owns the instances Make places

    void SetUp() override {
        Variable_RegisterBuiltins();
        Function_InstallNames();
        Function_RegisterAll();
        Constant_RegisterAll();
        constantCount = Constant_Count();
        Variable_SetUnsetIsZero(true);
        Variable_StartGlobals();
        Game().error.settings.showErrors = false;
        VM_Settings() = VMSettings{};
        // Objects 0, 1 and 2 exist.
        for (int i = 0; i < 3; ++i) {
            res.objects.push_back(std::make_unique<CObject>());
            res.objects.back()->name = "object" + std::to_string(i);
        }
        Game().world->room = &room;
    }
    void TearDown() override {
        ClearInstances();
        Game().world->Reset();
        VM_Settings() = VMSettings{};
        Constant_Truncate(constantCount);
    }

    // Adds scripts by name first (so their bodies may call each other), then compiles them.
    void Scripts(const std::vector<std::pair<std::string, std::string>>& scripts) {
        res.scripts.clear();
        for (const auto& [name, text] : scripts) {
            auto s = std::make_unique<CScript>();
            s->name = name;
            s->code = std::make_unique<CCode>();
            res.scripts.push_back(std::move(s));
        }
        for (size_t i = 0; i < scripts.size(); ++i) {
            std::string error;
            EXPECT_TRUE(
                Code_Compile(scripts[i].second, scripts[i].first, CCode::kProgram, *res.scripts[i]->code, error))
                << error;
        }
    }

    std::unique_ptr<CCode> Compile(const std::string& text, int kind = CCode::kProgram, const char* name = "test") {
        auto code = std::make_unique<CCode>();
        std::string error;
        EXPECT_TRUE(Code_Compile(text, name, kind, *code, error)) << error;
        return code;
    }

    // The compile error of a text ("" when it compiles).
    std::string CompileError(const std::string& text, int kind = CCode::kProgram) {
        CCode code;
        std::string error;
        return Code_Compile(text, "test", kind, code, error) ? std::string() : error;
    }

    // Places an instance in the room (all at one depth, so in the order placed).
    CInstance* Make(int id, int object, const char* tag) {
        CInstance* inst = Instance_Place(room, 0, 0, object, id);
        inst->variables->Set(Variable_Find("tag"), 0, CValue(std::string_view(tag)));
        return inst;
    }
    void ClearInstances() {
        room.active.Clear();
        Game().world->ids.clear();
    }

    // Runs a unit and returns what it printed.
    std::string Output(const CCode& code, CInstance* self = nullptr, CInstance* other = nullptr,
                       CValue* result = nullptr) {
        testing::internal::CaptureStdout();
        Code_Execute(self, other, &code, result);
        return testing::internal::GetCapturedStdout();
    }

    int constantCount = 0;
};
