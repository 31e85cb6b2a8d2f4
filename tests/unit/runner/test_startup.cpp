// Start-up steps in process: options.ini beside the game.
#include <gtest/gtest.h>

#include <fstream>

#include "data/game.h"
#include "platform/window.h"
#include "runner/runner.h"
#include "support/process.h"
#include "writer/writer.h"

namespace {

TEST(RunnerLoadGame, AppliesOptionsIniBesideTheGame) {
    struct Case {
        const char* ini;
        bool debug, trace, landscape, portrait;
    } cases[] = {
        {"[DEFAULT]\nDebug=1\nTrace=1\nOrientLandscape=0\nOrientPortrait=1\n", true, true, false, true},
        {"[DEFAULT]\nDebug=0\nOrientLandscape=0\n", false, false, true, true},  // one orientation alone is ignored
        {"[OTHER]\nDebug=1\n", false, false, true, true},
        {nullptr, false, false, true, true},
    };
    for (const Case& c : cases) {
        std::string dir = TestDirectory("options_ini");
        std::string game = WriteFile(dir + "/game.win", DataFile_Write(DataFile_SampleGame()));
        if (c.ini) std::ofstream(dir + "/options.ini") << c.ini;
        CRunner& r = Runner();
        r = CRunner{};
        r.options.gameFile = game;
        ASSERT_TRUE(RunnerLoadGame());
        EXPECT_EQ(r.options.debug, c.debug) << (c.ini ? c.ini : "no file");
        EXPECT_EQ(r.options.debugLevel, c.debug ? 2 : 0);
        EXPECT_EQ(r.options.trace, c.trace);
        EXPECT_EQ(r.orientLandscape, c.landscape);
        EXPECT_EQ(r.orientPortrait, c.portrait);
        EXPECT_EQ(r.optionsIni != nullptr, c.ini != nullptr);
        EXPECT_EQ(r.workingDirectory, dir);
        EXPECT_EQ(r.dataSizePlus128, Game().data.Size() + 128);
    }
    Runner() = CRunner{};
}

}  // namespace
