#pragma once
// Builds a game from assembled code units, loads and links it, and runs its units.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "data/error.h"
#include "data/game.h"
#include "function/function_names.h"
#include "load/data_file.h"
#include "object/instance.h"
#include "room/room.h"
#include "variable/variable_list.h"
#include "variable/variables.h"
#include "vm/machine.h"
#include "vm/registry.h"
#include "writer/assembler.h"
#include "writer/writer.h"

// The loaded game is the session's own.
struct AssembledGame {
    CGameData& data = Game().data;
    CGameResources& res = *Game().resources;
    std::string error;
    bool ok = false;
};

class MachineTest : public ::testing::Test {
protected:
    CGameSession session;
    GameDataDesc desc;

    void SetUp() override {
        Variable_RegisterBuiltins();
        Function_InstallNames();
        Function_RegisterAll();
        Variable_SetUnsetIsZero(true);
        Variable_StartGlobals();
        Game().error.settings.showErrors = false;
        desc.general.gameName = "machine";
    }

    // Adds a code unit; returns its code index.
    int Unit(const std::string& name, const std::string& text) {
        std::string error;
        EXPECT_TRUE(Asm_Assemble(desc, name, text, error)) << error;
        return int(desc.code.size()) - 1;
    }
    // Adds a script whose code is a new unit; returns the script index.
    int Script(const std::string& name, const std::string& text) {
        int code = Unit(name, text);
        WScript s;
        s.name = name;
        s.code = WCodeRef::Index(code);
        desc.scripts.push_back(s);
        return int(desc.scripts.size()) - 1;
    }

    // Writes, loads and links the game; the machine then runs it.
    AssembledGame& Load() {
        game = std::make_unique<AssembledGame>();
        std::string error;
        game->res = CGameResources{};
        VM_ResetPrograms();
        game->data = CGameData(DataFile_Write(desc, &error));
        EXPECT_EQ(error, "");
        game->ok = DataFile_HeaderPass(game->data, game->res, game->error) &&
                   VM_LinkVariables(game->data, game->res, game->error) &&
                   DataFile_MainPass(game->data, game->res, game->error) &&
                   VM_LinkFunctions(game->data, game->res, game->error);
        return *game;
    }

    // Runs a unit by name; returns its result.
    CValue Run(const std::string& name, CInstance* self = nullptr, CInstance* other = nullptr) {
        CValue result;
        for (size_t i = 0; i < game->res.code.entries.size(); ++i)
            if (game->res.code.entries[i].offset && name == game->data.Text(game->res.code.entries[i].nameOffset)) {
                VM_RunIndex(int(i), self, other, &result);
                return result;
            }
        ADD_FAILURE() << "no unit " << name;
        return result;
    }

    std::string RunOutput(const std::string& name, CInstance* self = nullptr, CInstance* other = nullptr) {
        testing::internal::CaptureStdout();
        Run(name, self, other);
        return testing::internal::GetCapturedStdout();
    }

    double Global(const char* name) {
        CValue v;
        Variable_GlobalGet(Variable_Find(name), 0, v);
        return v.val;
    }

    std::unique_ptr<AssembledGame> game;
};
