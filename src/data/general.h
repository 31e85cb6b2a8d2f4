#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// The general header chunk (GEN8; GEN7 and GENL read the same way).
struct CGeneralHeader {
    bool loaded = false;
    uint32_t offset = 0;  // body offset in the block
    uint8_t flagsByte = 0;
    uint8_t version = 0;  // format version byte
    std::string fileName;
    std::string configName;
    uint32_t highestInstanceId = 0;
    uint32_t highestTileId = 0;
    uint32_t gameId = 0;
    std::array<uint8_t, 16> identifier{};
    std::string gameName;
    int windowWidth = 640;
    int windowHeight = 480;
    uint32_t headerFlags = 0;
    int splashMode = 0;
    std::vector<int> roomOrder;

    bool DebugBuild() const { return (flagsByte & 1) == 0; }
};

// Header flags the runner reads itself.
enum HeaderFlag : uint32_t {
    kHeaderBorderless = 0x1,
    kHeaderShowCursor = 0x20,
    kHeaderResizable = 0x40,
    kHeaderSplash1 = 0x200,
    kHeaderSplash2 = 0x400,
    kHeaderSplash3 = 0x800,
};

// The options chunk: 35 words, then the game's constants.
struct COptions {
    static constexpr int kWordCount = 35;
    bool loaded = false;
    std::array<uint32_t, kWordCount> words{};
    std::vector<std::pair<std::string, std::string>> constants;
    int versionMajor = 0;
    int versionMinor = 0;

    uint32_t Word(uint32_t byteOffset) const { return words[byteOffset / 4]; }
    bool Flag(uint32_t byteOffset) const { return Word(byteOffset) != 0; }

    bool FullScreen() const { return Flag(0); }
    bool NewAudio() const { return Flag(8); }
    bool ShowCursor() const { return Flag(16); }
    uint32_t WindowColour() const { return 0xFF000000u | (Word(32) & 0xFFFFFF); }
    bool AllowFullScreenSwitch() const { return Flag(60); }
    bool FreezeWhenInactive() const { return Flag(88); }
    bool ProgressBar() const { return Flag(92); }
    uint32_t LoadingImage() const { return Word(104); }
    bool ShowErrors() const { return Flag(120); }
    bool AbortOnError() const { return Flag(128); }
    bool UnsetVariablesAreZero() const { return Flag(132); }
    bool CreateEventFirst() const { return Flag(136); }
};

// Parses decimal text like the C library's atoi: leading digits, else 0.
int ParseDecimal(const std::string& text);
