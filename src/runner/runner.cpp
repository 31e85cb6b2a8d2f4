#include "runner/runner.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>

#include "data/error.h"
#include "data/game.h"
#include "extension/extension.h"
#include "extension/external.h"
#include "function/function_file.h"
#include "function/function_input.h"
#include "function/function_names.h"
#include "gl/gl_backend.h"
#include "graphics/graphics.h"
#include "graphics/text.h"
#include "io/file_paths.h"
#include "load/data_file.h"
#include "net/http_client.h"
#include "object/collision.h"
#include "object/motion.h"
#include "particle/particle.h"
#include "physics/physics.h"
#include "platform/audio_device.h"
#include "platform/clock.h"
#include "platform/console.h"
#include "platform/desktop.h"
#include "platform/file.h"
#include "platform/memory.h"
#include "platform/message_box.h"
#include "platform/message_pump.h"
#include "platform/resident_size.h"
#include "platform/window.h"
#include "room/room.h"
#include "room/room_draw.h"
#include "runner/game_loop.h"
#include "runner/prepare.h"
#include "runner/startup_pictures.h"
#include "save/game_save.h"
#include "save/highscore.h"
#include "sound/sound_system.h"
#include "value/random.h"
#include "variable/variable_list.h"
#include "variable/variables.h"
#include "vm/machine.h"
#include "vm/registry.h"

namespace fs = std::filesystem;

CRunner& Runner() {
    static CRunner runner;
    return runner;
}

void ShowError(const std::string& text) {
    CRunner& r = Runner();
    std::string caption = r.window ? r.window->Caption() : "Zorvex";
    TMessageBox_Show(text, caption, MessageBoxKind::Error);
}

namespace {

// A data-file failure: one line on stderr, and a box when there is a screen.
void ReportLoadError(const std::string& line) {
    // A box on screen writes its text to stderr itself.
    if (!Platform_IsHeadless() && Platform_IsInitialised()) TMessageBox_Show(line, "Zorvex", MessageBoxKind::Error);
    else std::fprintf(stderr, "%s%s", line.c_str(), !line.empty() && line.back() == '\n' ? "" : "\n");
}

std::string AbsolutePath(const std::string& name) {
    std::error_code ec;
    fs::path p = fs::absolute(fs::path(name), ec);
    return ec ? name : p.lexically_normal().string();
}

// Everything up to the last "/" (else "\"), without it; npos when there is neither.
size_t LastSeparator(const std::string& s) {
    size_t slash = s.rfind('/');
    return slash != std::string::npos ? slash : s.rfind('\\');
}

void ApplyOptionsIni(CRunner& r) {
    const CIniFile& ini = *r.optionsIni;
    // IO_VIRTUAL_BUTTONS and the sound settings are read by those layers when they start.
    if (ini.KeyExists("DEFAULT", "OrientLandscape") && ini.KeyExists("DEFAULT", "OrientPortrait")) {
        r.orientLandscape = ini.ReadInt("DEFAULT", "OrientLandscape", 0) != 0;
        r.orientPortrait = ini.ReadInt("DEFAULT", "OrientPortrait", 0) != 0;
    }
    if (ini.KeyExists("DEFAULT", "Debug")) {
        bool on = ini.ReadInt("DEFAULT", "Debug", 0) != 0;
        r.options.debug = on;
        if (on) r.options.debugLevel = 2;
    }
    if (ini.KeyExists("DEFAULT", "Trace")) r.options.trace = ini.ReadInt("DEFAULT", "Trace", 0) != 0;
}

void EndScene(bool present) { Graphics_EndFrame(present); }

// Alt+Enter, for games whose options allow it (read at each press: the options come
// after the window). The switch happens in the reset before the next frame, as when
// game code asks for it; holding the keys switches once, not at the repeat rate.
bool ToggleFullScreen(bool repeat) {
    if (!Game().resources->options.AllowFullScreenSwitch()) return false;
    if (repeat) return true;
    Graphics_SetFullScreen(!Graphics_FullScreen());
    Game().run.displayResetPending = true;
    return true;
}
void ApplyDisplayReset() { Graphics_Reset(); }

// The device on the game window; the header's flags carry the device's own bits
// (full screen, vertical sync, interpolation, keeping the aspect ratio).
bool InitGraphics(CRunner& r) {
    Console().Output("GR_D3D_Init()\n");
    const CGeneralHeader& h = Game().resources->header;
    uint32_t flags = h.headerFlags;
    if (r.options.forceWindowed) flags &= ~uint32_t(kGraphicsFullScreen);
    if (!Graphics_Init(*r.window, h.windowWidth, h.windowHeight, flags)) {
        ReportLoadError(Graphics_LastError());
        return false;
    }
    Platform_SetFullScreenKeyHandler(ToggleFullScreen);
    CFrameHooks hooks = Game_Hooks();
    hooks.beginScene = Graphics_BeginFrame;
    hooks.endScene = EndScene;
    hooks.applyDisplayReset = ApplyDisplayReset;
    Game_SetHooks(hooks);
    // The page textures are made once the data file's chunks are read (the graphics
    // step of the preparation).
    Console().Output("Background_InitTextures()\n");
    Console().Output("Sprite_InitTextures()\n");
    Console().Output("Font_InitTextures()\n");
    return true;
}

void ShutdownGraphics() {
    Platform_SetFullScreenKeyHandler(nullptr);
    CFrameHooks hooks = Game_Hooks();
    hooks.beginScene = nullptr;
    hooks.endScene = nullptr;
    hooks.applyDisplayReset = nullptr;
    Game_SetHooks(hooks);
    // The fallback font's picture goes with the device.
    Text_Reset();
    Graphics_Shutdown();
}

// --screenshot N.K: the K-th picture presented while step N runs (a room transition
// presents several inside one step).
long g_presentsThisStep = 0;

void OnPresent() {
    CRunner& r = Runner();
    ++g_presentsThisStep;
    const long step = r.framesRun + 1;
    for (HostOptions::Screenshot& shot : r.host.screenshots) {
        if (shot.present != g_presentsThisStep || shot.step != step) continue;
        shot.taken = true;
        if (!Graphics_SavePresentedPng(shot.file))
            std::fprintf(stderr, "zorvex: cannot write the screenshot of step %ld.%ld to %s\n", shot.step, shot.present,
                         shot.file.c_str());
    }
}

// --screenshot N: after step N's frame, the window's picture as it was last presented.
void TakeScreenshots(CRunner& r, bool gameOver) {
    for (const HostOptions::Screenshot& shot : r.host.screenshots) {
        if (gameOver ? shot.step <= r.framesRun : shot.step != r.framesRun) continue;
        if (gameOver) {
            std::fprintf(stderr, "zorvex: the game ended after step %ld, before step %ld: %s is not written\n",
                         r.framesRun, shot.step, shot.file.c_str());
        } else if (shot.present > 0) {
            if (!shot.taken)
                std::fprintf(stderr, "zorvex: step %ld presented %ld pictures, not %ld: %s is not written\n", shot.step,
                             g_presentsThisStep, shot.present, shot.file.c_str());
        } else if (!Graphics_SavePresentedPng(shot.file)) {
            std::fprintf(stderr, "zorvex: cannot write the screenshot of step %ld to %s\n", shot.step,
                         shot.file.c_str());
        }
    }
    g_presentsThisStep = 0;
}

bool CreateWindow(CRunner& r) {
    const CGeneralHeader& h = Game().resources->header;
    r.window = std::make_unique<TWindow>();
    if (!r.window->Create(h.windowWidth, h.windowHeight, h.headerFlags)) return false;
    r.window->SetCaption("Zorvex");
    for (int i = 0; i < 10; ++i)
        if (!Platform_PumpMessages()) r.gameRunning = 0;
    r.window->ShowCursor((h.headerFlags & kHeaderShowCursor) != 0);
    return true;
}

// The calls lower layers make into the loop, installed once before anything runs.
void InstallHooks() {
    GLBackend_Install();
    Function_InstallNames();
    Motion_InstallHooks();
    Physics_InstallHooks();
    CFrameHooks frame = Game_Hooks();
    // A room with a physics world moves its instances by the simulation instead.
    frame.updateMotion = [] { return Physics_UpdateRoom() || Motion_UpdateAll(); };
    frame.runCollisionEvents = Collision_RunEvents;
    frame.updateParticles = Particles_UpdateAll;
    frame.loadGame = GameSave_LoadPending;
    frame.updateAudio = [] {
        const CRoom* room = Room_Running();
        Sound_Update(room != nullptr ? room->speed : 30);
    };
    Game_SetHooks(frame);
    CRoomDrawHooks draw = Room_DrawHooks();
    draw.particleCount = ParticleDraw_Order;
    draw.particleDepth = [](int n) { return float(ParticleDraw_Depth(n)); };
    draw.drawParticles = ParticleDraw_System;
    Room_SetDrawHooks(draw);
    CRoomHooks room = Room_Hooks();
    room.transitionWait = [](int64_t microseconds) {
        if (!Game_NoWait()) Game_Wait(microseconds);
    };
    room.clearEffects = Effect_Clear;
    Room_SetHooks(room);
    VM_SetExtensionCall(Extension_Call);
    Extension_SetReporter(ShowError);
}

// Returns false when the game must not start; `r.exitCode` says why.
bool InitGame(CRunner& r) {
    InstallHooks();
    if (!RunnerLoadGame()) return false;
    r.startTime = int64_t(std::time(nullptr));

    Console().Output("Get Resolution\n");
    std::string error;
    // The built-in variables and functions exist before any code is linked.
    Variable_RegisterBuiltins();
    Game_ConnectVariables();
    Function_RegisterAll();
    if (!DataFile_HeaderPass(Game().data, *Game().resources, error) ||
        !VM_LinkVariables(Game().data, *Game().resources, error)) {
        ReportLoadError(error);
        r.exitCode = 1;
        return false;
    }
    Console().Output("Create Window\n");
    if (!CreateWindow(r)) {
        ReportLoadError("Could not create the game window.");
        r.exitCode = 1;
        return false;
    }
    // Opening the sound device takes the sound library a good while; it goes on beside
    // making the graphics device, and Sound_Start takes it over (its messages come from
    // there, in their usual place). Not earlier: the window loads the graphics driver,
    // and two threads loading libraries wait for each other.
    if (!r.options.noAudio) AudioDevice_OpenInBackground(Platform_IsHeadless());
    Console().Output("Init Graphics\n");
    if (!InitGraphics(r)) {
        r.exitCode = 1;
        return false;
    }
    Input_Start(r.options.record, r.options.playback, r.options.recordFile.value_or(""));
    // Runs without a window mix into the loopback device, in step with the frames.
    if (!r.host.audioOut.empty()) AudioDevice_SetCaptureFile(r.host.audioOut);
    Sound_SetSearchDirectory(r.workingDirectory);
    Sound_Start(r.options.noAudio, Platform_IsHeadless());
    if (!Platform_PumpMessages()) r.gameRunning = 0;
    Startup_ShowSplash();
    Console().Output("Create Score Form\n");
    Console().Output("Create Load Form\n");
    Console().Output("Create Error Form\n");
    return LoadAndPrepare();
}

constexpr int kMemoryLogFrames = 1000;

// The process's loop: one frame per iteration while the game runs, messages pumped in
// between. `--frames` ends it like a closed window would.
void MainLoop(CRunner& r) {
    Game_SetNoWait(r.host.noWait);
    const bool screenshots = !r.host.screenshots.empty();
    if (screenshots) {
        Graphics_KeepPresented(true);
        Graphics_SetPresentHook(OnPresent);
    }
    while (r.gameRunning == 1) {
        if (r.host.frames >= 0 && r.framesRun >= r.host.frames) break;
        Game_MainLoopFrame();
        ++r.framesRun;
        // A long run's memory, for telling a leak from a working set (scripts/soak.sh).
        if (r.framesRun % kMemoryLogFrames == 0) {
            const MemoryCounters m = MemoryManager::Counters();
            Console().Output("Memory after frame %lld: %u bytes in %u blocks, resident %zu kB, heap %zu kB\n",
                             (long long)r.framesRun, m.totals[0], m.blocks, Memory_ResidentBytes() / 1024,
                             Memory_MallocInUse() / 1024);
        }
        if (screenshots) TakeScreenshots(r, false);
        if (!Platform_PumpMessages()) r.gameRunning = 0;
    }
    if (screenshots) {
        TakeScreenshots(r, true);
        Graphics_SetPresentHook(nullptr);
    }
    r.gameRunning = 0;
}

}  // namespace

void Runner_ChooseGame(const std::string& executableDir, const std::string& commandLine, RunOptions& options,
                       bool& fromExecutableDir) {
    std::string beside = executableDir + "data.win";
    fromExecutableDir = File_CanRead(beside);
    if (fromExecutableDir) {
        ParseCommandLine(nullptr, options);
        options.gameFile = beside;
    } else {
        ParseCommandLine(commandLine.c_str(), options);
    }
}

bool RunnerLoadGame() {
    CRunner& r = Runner();
    if (!r.options.gameFile || r.options.gameFile->empty()) {
        std::fputs(Runner_ShortUsage(), stderr);
        r.exitCode = 1;
        return false;
    }
    std::string name = AbsolutePath(*r.options.gameFile);
    if (r.workingDirectory.empty()) {
        size_t sep = LastSeparator(name);
        r.workingDirectory = sep == std::string::npos ? "" : name.substr(0, sep);
        Console().Output("#########################################################################\n");
        Console().Output("####!!!!$$$$$$ pwd - %s\n", r.workingDirectory.c_str());
        Console().Output("#########################################################################\n");
    }
    Console().Output("RunnerLoadGame() - %s\n", name.c_str());
    r.gameFile = name;

    size_t sep = LastSeparator(name);
    if (sep != std::string::npos) {
        r.optionsIniPath = name.substr(0, sep) + "/options.ini";
        Console().Output("Checking if INIFile %s Exists\n", r.optionsIniPath.c_str());
        if (File_CanRead(r.optionsIniPath)) {
            r.optionsIni = std::make_unique<CIniFile>();
            r.optionsIni->Load(r.optionsIniPath);
            ApplyOptionsIni(r);
        } else {
            Console().Output("!!!!No INI File %s\n", r.optionsIniPath.c_str());
        }
    }

    size_t dot = name.rfind('.');
    if (dot != std::string::npos && (sep == std::string::npos || dot > sep)) {
        r.debugInfoPath = name.substr(0, dot) + ".tudebug";
        std::vector<uint8_t> bytes;
        std::string error;
        if (File_CanRead(r.debugInfoPath)) {
            if (!File_ReadWhole(r.debugInfoPath, bytes, error)) {
                ReportLoadError("Could not read the debug information " + r.debugInfoPath + ": " + error);
                r.exitCode = 1;
                return false;
            }
            r.debugData = CGameData(std::move(bytes));
            if (!DataFile_DebugInfoPass(r.debugData, *Game().resources, error)) {
                ReportLoadError(error + " (in " + r.debugInfoPath + ")");
                r.exitCode = 1;
                return false;
            }
        }
    }

    Console().Output("Reading File %s\n", name.c_str());
    std::string error;
    // Read into pages of its own, with no zeroing first. What cannot be read that way (an
    // empty file, a pipe) is read into a vector, which also gives the reason when it
    // cannot be.
    TFileMap map;
    if (map.Open(name, error)) {
        Game().data = CGameData(std::move(map));
    } else {
        error.clear();
        std::vector<uint8_t> bytes;
        if (!File_ReadWhole(name, bytes, error)) {
            ReportLoadError("Could not read the game file " + name + ": " + error);
            r.exitCode = 1;
            return false;
        }
        Game().data = CGameData(std::move(bytes));
    }
    Console().Output("Loaded File %s\n", name.c_str());
    r.dataSizePlus128 = Game().data.Size() + 128;
    if (Game().data.Size() >= 4 &&
        (std::memcmp(Game().data.Base(), "FORM", 4) == 0 || std::memcmp(Game().data.Base(), "MROF", 4) == 0))
        Console().Output("IFF wad found\n");
    return true;
}

bool LoadAndPrepare() {
    CRunner& r = Runner();
    // The engine's generator stands in for the runtime's rand: the same seed.
    Random_SetState(kRandomStartSeed);
    Console().Output("LoadGameData()\n");
    std::string error;
    if (!DataFile_MainPass(Game().data, *Game().resources, error)) {
        Console().Output("Failed to load the game\n");
        ReportLoadError(
            error.empty() ? "Failed to load the game: the data file holds a chunk this runner does not know." : error);
        r.exitCode = 1;
        return false;
    }
    if (!VM_LinkFunctions(Game().data, *Game().resources, error)) {
        ReportLoadError(error);
        r.exitCode = 1;
        return false;
    }
    const COptions& options = Game().resources->options;
    Variable_SetUnsetIsZero(options.UnsetVariablesAreZero());
    Variable_SetDebugMode(Game().resources->header.DebugBuild());
    CodeErrorSettings& errors = Game().error.settings;
    errors.showErrors = options.ShowErrors();
    errors.abortOnError = options.AbortOnError();
    errors.interactive = !Platform_IsHeadless();
    VM_Settings().callTrace = r.options.trace;
    External_SetTrace(r.options.extensionTrace);
    // "-oldexec": code compiled from text runs on the tree interpreter.
    VM_Settings().treeInterpreter = !r.options.useBytecode;
    Variable_StartGlobals();
    FilePaths_SetGame(Game().resources->header.gameName, r.workingDirectory);
    FilePaths_AllowWritesAnywhere(r.host.allowWritesAnywhere);
    Highscore_StartRun(FilePaths_SaveAreaPath(kHighscoreFileName));
    FileFunctions_Reset();
    {
        std::vector<std::string> tokens;
        std::string token;
        for (size_t p = 0; p < r.commandLine.size();) {
            p = NextToken(r.commandLine.c_str(), p, token);
            if (!token.empty()) tokens.push_back(token);
        }
        FileFunctions_SetParameters(std::move(tokens));
    }
    Console().Output("PrepareGame()\n");
    if (!PrepareGame()) {
        r.exitCode = 1;
        return false;
    }
    if (r.optionsIni) Input_ConfigureVirtualKeys(*r.optionsIni);
    Console().Output("Run_Start\n");
    return Run_Start();
}

bool PrepareGame() {
    for (const PrepareStep& step : Prepare_Steps()) {
        if (step.captionFirst) Prepare_Progress(step.progress, step.caption);
        if (step.log) Console().Output("%s", step.log);
        if (!step.captionFirst) Prepare_Progress(step.progress, step.caption);
        if (step.run && !step.run()) {
            if (step.failure) ShowError(step.failure);
            return false;
        }
    }
    Console().Output("Finished PrepareGame() \n");
    return true;
}

bool Run_Start() {
    CRunner& r = Runner();
    // A fatal error in the first room's create events still leaves a game to end.
    if (r.gameRunning == 0) {
        r.gameRunning = 1;
        Game_Start();
    }
    r.gameRunning = Code_EndingOnError() ? 0 : 1;
    Game().run.paused = false;
    Game_EnterMainLoop();
    return true;
}

int Runner_Main(const std::vector<std::string>& args) {
    CRunner& r = Runner();
    std::vector<std::string> rest;
    std::string error;
    std::vector<std::string> tail(args.begin() + (args.empty() ? 0 : 1), args.end());
    if (!ParseHostSwitches(tail, r.host, rest, error) || !TakeLoneGamePath(rest, error)) {
        std::fprintf(stderr, "zorvex: %s\n%s", error.c_str(), Runner_ShortUsage());
        return 1;
    }
    if (r.host.help) {
        std::fputs(Runner_Usage(), stdout);
        return 0;
    }
    if (r.host.listFunctions) {
        Variable_RegisterBuiltins();
        Function_InstallNames();
        Function_RegisterAll();
        Function_List(stdout);
        return 0;
    }
    if (r.host.version) {
        std::printf("zorvex %s\n", ZORVEX_VERSION);
        return 0;
    }
    if (!Console().SetTarget(r.host.logTarget)) {
        std::fprintf(stderr, "zorvex: cannot open the log file %s\n", r.host.logTarget.c_str());
        return 1;
    }

    // The command line as one text, program path first, as the game's switches expect it.
    rest.insert(rest.begin(), args.empty() ? std::string("zorvex") : args[0]);
    r.commandLine = BuildCommandLine(rest);
    Runner_ChooseGame(File_ExecutableDirectory(), r.commandLine, r.options, r.gameFileFromExecutableDir);
    if (!r.options.gameFile || r.options.gameFile->empty()) {
        // There is no file dialog to fall back on.
        std::fputs(Runner_ShortUsage(), stderr);
        return 1;
    }

    Platform_InstallQuitSignals();
    // Without a display nothing asks for a runtime folder.
    if (!r.host.headless) Platform_PrepareEnvironment(r.host.logTarget.empty());
    if (!Platform_Init(r.host.headless)) {
        std::fprintf(stderr, "zorvex: could not start the video system\n");
        Platform_CleanEnvironment();
        return 1;
    }
    bool started = InitGame(r);
    if (started) MainLoop(r);
    Game_End();
    Highscore_EndRun();
    Http_Shutdown();
    // Game end, then clean-up: the input files, the device, then the window, then the
    // platform.
    Input_Stop();
    Sound_Quit();
    ShutdownGraphics();
    r.window.reset();
    Platform_Shutdown();
    Platform_CleanEnvironment();
    // A game that could not be prepared ends with 1 even when the reason was a fatal
    // code error (a compile error); a fatal error while it ran ends with 255.
    if (!started) return r.exitCode ? r.exitCode : 1;
    return Code_EndingOnError() ? 255 : 0;
}
