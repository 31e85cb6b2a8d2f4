#pragma once
// Start-up, preparation of the game and the orderly end.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "data/game_data.h"
#include "data/game_resources.h"
#include "io/ini_file.h"
#include "runner/command_line.h"

class TWindow;

// Process-wide start-up state.
struct CRunner {
    RunOptions options;
    HostOptions host;
    std::string commandLine;
    std::string gameFile;
    std::string workingDirectory;
    bool gameFileFromExecutableDir = false;

    uint32_t dataSizePlus128 = 0;
    std::string optionsIniPath;
    std::unique_ptr<CIniFile> optionsIni;
    std::string debugInfoPath;
    CGameData debugData;
    int64_t startTime = 0;

    bool orientLandscape = true;
    bool orientPortrait = true;

    std::unique_ptr<TWindow> window;
    uint8_t gameRunning = 0;
    long framesRun = 0;
    int exitCode = 0;
};

CRunner& Runner();

// The whole life of the process; returns its exit code.
int Runner_Main(const std::vector<std::string>& args);

// Decides the game file: "data.win" beside the executable wins over the command line,
// whose options are then not read at all.
void Runner_ChooseGame(const std::string& executableDir, const std::string& commandLine, RunOptions& options,
                       bool& fromExecutableDir);

// Steps of the start-up, exposed for tests.
bool RunnerLoadGame();
bool LoadAndPrepare();
bool PrepareGame();
bool Run_Start();

// Shows a start-up error (a box on screen; stderr when headless).
void ShowError(const std::string& text);
