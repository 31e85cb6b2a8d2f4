#pragma once
// Game data file writer: lays out a whole data file (and the optional debug-info
// file) from a plain description. Used by the packer and by tests that need files
// with exact, known bytes.
//
// Layout rules the writer keeps:
// - little-endian; every offset is absolute from the "F" of "FORM"; 0 = none;
// - every string lives once in STRG (u32 length, characters, zero byte) and string
//   fields hold the offset of the first character (STRG entry + 4);
// - records start on 4-byte boundaries (padding is part of the chunk body), except
//   where the format packs data directly (masks follow each other, glyph records);
// - a record's sub-lists and sub-records are written right behind it, in field order.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// A code field: a code index when the file has a CODE chunk, source text when not.
struct WCodeRef {
    int32_t index = -1;                 // code mode: index into CODE, -1 = none (0xFFFFFFFF)
    std::optional<std::string> source;  // source mode: the text (kept in STRG), none = offset 0

    static WCodeRef Index(int32_t i) {
        WCodeRef c;
        c.index = i;
        return c;
    }
    static WCodeRef Source(std::string text) {
        WCodeRef c;
        c.source = std::move(text);
        return c;
    }
};

struct WGeneral {
    std::string tag = "GEN8";  // "GEN8", "GEN7" or "GENL" (any four characters are written)
    uint8_t flags = 1;         // bit 0 clear = built for debugging
    uint8_t version = 8;       // format version byte; below 8 the room order moves to 36/40
    std::string fileName;
    std::string configName = "Default";
    uint32_t highestInstanceId = 100000;
    uint32_t highestTileId = 10000000;
    uint32_t gameId = 0;
    std::array<uint8_t, 16> identifier{};  // below version 8 only the first 12 bytes fit
    std::string gameName;                  // below version 8 it is written only when the room order is empty
    uint32_t windowWidth = 640;            // version 8 only
    uint32_t windowHeight = 480;           // version 8 only
    uint32_t headerFlags = 0;              // version 8 only
    std::vector<uint32_t> roomOrder;
};

struct WOptions {
    // Word indices (byte offset / 4) of the option words the runner reads.
    enum Word : int {
        FullScreen = 0,
        NewAudio = 2,
        ShowCursor = 4,
        WindowColour = 8,
        AltEnterSwitch = 15,
        FreezeOnLostFocus = 22,
        ProgressBar = 23,
        LoadingImage = 26,  // written from loadingImage below
        ShowErrors = 30,
        AbortOnError = 32,
        UnsetVariablesAreZero = 33,
        CreationOrder = 34,  // read only when the version byte is 5 or more
    };
    std::array<uint32_t, 35> words{};
    int32_t loadingImage = -1;                                   // texture-page entry index, -1 = none
    std::vector<std::pair<std::string, std::string>> constants;  // name, value
};

struct WExtensionFunction {
    std::string name;
    uint32_t id = 0;
    uint32_t kind = 0;
    uint32_t resultType = 0;
    std::string externalName;
    std::vector<uint32_t> argTypes;
};

struct WExtensionFile {
    std::string name;
    std::string initFunction;
    std::string finalFunction;
    uint32_t kind = 1;
    std::vector<std::optional<WExtensionFunction>> functions;
};

struct WExtensionPackage {
    std::string name;
    std::string secondString;
    std::vector<std::optional<WExtensionFile>> files;
};

struct WTexturePageEntry {
    int16_t srcX = 0, srcY = 0, srcW = 0, srcH = 0;
    int16_t dstX = 0, dstY = 0, dstW = 0, dstH = 0;
    int16_t fullW = 0, fullH = 0;
    int16_t page = 0;
};

struct WTexture {
    uint32_t word0 = 0;  // not read by the loader
    std::vector<uint8_t> png;
};

struct WSprite {
    std::string name;
    int32_t width = 0, height = 0;
    int32_t bboxLeft = 0, bboxRight = 0, bboxBottom = 0, bboxTop = 0;
    uint32_t transparent = 1, smooth = 0, preload = 1;
    int32_t bboxMode = 0;
    uint32_t precise = 0;
    int32_t originX = 0, originY = 0;
    std::vector<int32_t> frames;              // texture-page entry indices, -1 = offset 0
    std::vector<std::vector<uint8_t>> masks;  // width*height bytes each, 0 or 1, row by row
};

struct WBackground {
    std::string name;
    uint32_t transparent = 0, smooth = 0, preload = 1;
    int32_t texture = -1;  // texture-page entry index
};

struct WGlyph {
    int16_t code = 0, x = 0, y = 0, w = 0, h = 0, shift = 0, offset = 0;
};

struct WFont {
    std::string name;
    std::string face;
    uint32_t size = 12, bold = 0, italic = 0;
    uint16_t first = 32;    // packed word bits 0-15
    uint8_t charset = 0;    // bits 16-23, 0 = default
    uint8_t antiAlias = 0;  // bits 24-31: level + 1, 0 = default
    uint32_t last = 127;
    int32_t texture = -1;  // texture-page entry of the glyph sheet
    float scaleX = 1.0f, scaleY = 1.0f;
    std::vector<WGlyph> glyphs;
};

struct WSound {
    std::string name;
    int32_t kind = 0;
    std::string fileType = ".wav";
    std::string fileName;
    uint32_t effects = 0;
    float volume = 1.0f, pan = 0.0f;
    uint32_t preload = 1;
    int32_t audioIndex = -1;
};

struct WAudio {
    std::vector<uint8_t> bytes;
};

struct WPathPoint {
    float x = 0, y = 0, speed = 100;
};

struct WPath {
    std::string name;
    uint32_t kind = 0;  // 1 = smooth
    uint32_t closed = 0;
    uint32_t precision = 4;
    std::vector<WPathPoint> points;
};

struct WScript {
    std::string name;
    WCodeRef code;
};

struct WEvent {
    uint32_t number = 0;
    WCodeRef code;
};

struct WPoint {
    float x = 0, y = 0;
};

struct WObject {
    std::string name;
    int32_t sprite = -1;
    uint32_t visible = 1, solid = 0;
    int32_t depth = 0;
    uint32_t persistent = 0;
    int32_t parent = -100;
    int32_t mask = -1;
    // Version 6 and later only.
    uint32_t usesPhysics = 0, physicsSensor = 0;
    int32_t physicsShape = 0;
    float physicsValue1 = 0, physicsValue2 = 0;
    int32_t physicsGroup = 0;
    float physicsValue3 = 0, physicsValue4 = 0;
    std::vector<WPoint> shapePoints;
    // events[t] is the list of event type t; the record's type count is events.size().
    std::vector<std::vector<WEvent>> events;
};

struct WMoment {
    uint32_t step = 0;
    WCodeRef code;
};

struct WTimeLine {
    std::string name;
    std::vector<WMoment> moments;
};

struct WRoomBackground {
    uint32_t visible = 0, foreground = 0;
    int32_t index = -1, x = 0, y = 0;
    uint32_t tileH = 1, tileV = 1;
    int32_t speedH = 0, speedV = 0;
    uint32_t stretch = 0;
};

struct WRoomView {
    uint32_t visible = 0;
    int32_t viewX = 0, viewY = 0, viewW = 640, viewH = 480;
    int32_t portX = 0, portY = 0, portW = 640, portH = 480;
    int32_t borderH = 32, borderV = 32, speedH = -1, speedV = -1;
    int32_t follow = -1;
};

struct WRoomInstance {
    int32_t x = 0, y = 0, object = 0;
    uint32_t id = 0;
    WCodeRef creationCode;
    float scaleX = 1, scaleY = 1;
    uint32_t colour = 0xFFFFFFFF;  // alpha in the top byte
    float rotation = 0;
};

struct WRoomTile {
    int32_t x = 0, y = 0, background = 0, srcX = 0, srcY = 0, width = 0, height = 0, depth = 0;
    uint32_t id = 0;
    float scaleX = 1, scaleY = 1;
    uint32_t colour = 0xFFFFFFFF;
};

struct WRoom {
    std::string name;
    std::string caption;
    int32_t width = 640, height = 480, speed = 30;
    uint32_t persistent = 0;
    uint32_t colour = 0xC0C0C0;
    uint32_t drawColour = 1;
    WCodeRef creationCode;
    uint32_t viewsEnabled = 0;
    std::vector<WRoomBackground> backgrounds;
    std::vector<WRoomView> views;
    std::vector<WRoomInstance> instances;
    std::vector<WRoomTile> tiles;
    // Version 6 and later only.
    uint32_t physicsWorld = 0;
    std::array<uint32_t, 4> physicsUnread{};
    float gravityX = 0, gravityY = 10, physicsScale = 0.1f;
};

struct WCodeEntry {
    std::string name;
    std::vector<uint8_t> bytecode;
};

// One instruction that uses a variable or function: the code entry and the byte
// offset of the instruction word inside that entry's bytecode.
struct WCodeLocation {
    uint32_t code = 0;
    uint32_t offset = 0;
};

// VARI record. The chain is written in list order: each reference word's low 29
// bits get the signed distance to the next reference in the list (negative when
// the list goes backwards), the last one 0. The top three bits are kept.
struct WVariableRef {
    std::string name;
    std::vector<WCodeLocation> refs;
};

// FUNC record. The call operand holds an unsigned distance, so the writer links the
// references in ascending file order whatever the list order; the last one gets 0.
struct WFunctionRef {
    std::string name;
    std::vector<WCodeLocation> refs;
};

// DAFL entry: the loader reads only the list, so the record is just name and data.
struct WIncludedFile {
    std::string name;
    std::vector<uint8_t> data;
};

enum class WChunk : uint8_t {
    General,
    Options,
    Extensions,
    Sounds,
    Audio,
    Sprites,
    Backgrounds,
    Paths,
    Scripts,
    Fonts,
    TimeLines,
    Objects,
    Rooms,
    IncludedFiles,
    TexturePages,
    Textures,
    Code,
    Variables,
    Functions,
    Strings,
    Count
};
constexpr size_t kWChunkCount = size_t(WChunk::Count);

// GEN8/GEN7/GENL, OPTN, EXTN, SOND, AUDO, SPRT, BGND, PATH, SCPT, FONT, TMLN, OBJT,
// ROOM, DAFL, TPAG, TXTR, CODE, VARI, FUNC, STRG.
std::vector<WChunk> DataFile_DefaultChunkOrder();
// The tag a chunk kind is written with (the general header's comes from WGeneral).
const char* DataFile_ChunkTag(WChunk chunk);

// A chunk written as given, before chunkOrder[position] (position >= the order's
// size: after the last chunk). The tag must be four characters.
struct WRawChunk {
    std::string tag;
    std::vector<uint8_t> body;
    size_t position = 0;
};

struct GameDataDesc {
    // true: a CODE chunk is written and code fields are code indices;
    // false: CODE, VARI and FUNC are not written and code fields are source texts.
    bool hasCode = true;

    WGeneral general;
    WOptions options;
    std::vector<std::optional<WExtensionPackage>> extensions;
    std::vector<std::optional<WSound>> sounds;
    std::vector<std::optional<WAudio>> audio;
    std::vector<std::optional<WSprite>> sprites;
    std::vector<std::optional<WBackground>> backgrounds;
    std::vector<std::optional<WPath>> paths;
    std::vector<std::optional<WScript>> scripts;
    std::vector<std::optional<WFont>> fonts;
    std::array<uint16_t, 256> fontCodeTable = DefaultFontCodeTable();  // the last 512 bytes of FONT
    std::vector<std::optional<WTimeLine>> timeLines;
    std::vector<std::optional<WObject>> objects;
    std::vector<std::optional<WRoom>> rooms;
    std::vector<std::optional<WIncludedFile>> includedFiles;
    std::vector<std::optional<WTexturePageEntry>> texturePages;
    std::vector<std::optional<WTexture>> textures;
    std::vector<std::optional<WCodeEntry>> code;
    std::vector<WVariableRef> variables;
    std::vector<WFunctionRef> functions;

    // STRG entries with fixed indices, written first: string operands in bytecode
    // index this list. Every other string is appended behind them, once each.
    std::vector<std::string> strings;

    std::vector<WChunk> chunkOrder = DataFile_DefaultChunkOrder();
    std::array<bool, kWChunkCount> omit{};  // omit[size_t(WChunk::X)] leaves chunk X out
    std::vector<WRawChunk> extraChunks;

    // Index of text in `strings`, appending it when new.
    uint32_t AddString(const std::string& text);
    void Omit(WChunk chunk) { omit[size_t(chunk)] = true; }

    static std::array<uint16_t, 256> DefaultFontCodeTable();
};

struct WDebugPosition {
    uint32_t bytecodeOffset = 0;
    uint32_t sourcePosition = 0;
};

// Per code index: the (bytecode offset, source position) pairs, ascending, and the source text.
struct WDebugEntry {
    std::vector<WDebugPosition> positions;
    std::string source;
};

struct DebugInfoDesc {
    std::vector<std::optional<WDebugEntry>> entries;  // index = code index; empty slot = offset 0
};

// The whole file, or an empty vector with *error set (when given) to one line.
std::vector<uint8_t> DataFile_Write(const GameDataDesc& desc, std::string* error = nullptr);
// Chunks STRG, DBGI, SCPT.
std::vector<uint8_t> DebugInfo_Write(const DebugInfoDesc& desc, std::string* error = nullptr);

// A small game with every chunk kind (see writer.cpp for what it holds).
GameDataDesc DataFile_SampleGame();
DebugInfoDesc DataFile_SampleDebugInfo();

// ---- Bytecode building -------------------------------------------------------

enum class WType : uint8_t { Double = 0, Float = 1, Int = 2, Long = 3, Bool = 4, Variable = 5, String = 6, Error = 15 };

enum class WOp : uint8_t {
    Conv = 0x03,
    Mul = 0x04,
    Div = 0x05,
    Rem = 0x06,
    Mod = 0x07,
    Add = 0x08,
    Sub = 0x09,
    And = 0x0A,
    Or = 0x0B,
    Xor = 0x0C,
    Neg = 0x0D,
    Not = 0x0E,
    Shl = 0x0F,
    Shr = 0x10,
    Slt = 0x11,
    Sle = 0x12,
    Seq = 0x13,
    Sne = 0x14,
    Sge = 0x15,
    Sgt = 0x16,
    Pop = 0x41,
    Dup = 0x82,
    Ret = 0x9D,
    Exit = 0x9E,
    Popz = 0x9F,
    B = 0xB7,
    Bt = 0xB8,
    Bf = 0xB9,
    PushEnv = 0xBB,
    PopEnv = 0xBC,
    Push = 0xC0,
    Call = 0xDA,
    Break = 0xFF,
};

// Variable reference word bits; the low 29 bits are the chain distance the writer fills in.
constexpr uint32_t kVarRefNoIndex = 0x80000000u;
constexpr uint32_t kVarRefInstanceBias = 0x40000000u;
constexpr uint32_t kVarRefImmediateScope = 0x20000000u;
constexpr uint32_t kVarRefSimple = kVarRefNoIndex | kVarRefImmediateScope;

// Bytes of an instruction's operand: 8 for double/long, 4 for float/int/bool/
// variable/string, 0 otherwise; only opcodes with bit 6 set carry one.
uint32_t WBytecode_OperandSize(uint8_t opcode, uint8_t typeByte);

// Emits instructions; every emitter returns the byte offset of its instruction word,
// which is what WVariableRef / WFunctionRef want.
class WBytecode {
public:
    uint32_t PushDouble(double v);
    uint32_t PushFloat(float v);
    uint32_t PushInt(int32_t v);
    uint32_t PushLong(int64_t v);
    uint32_t PushBool(bool v);
    uint32_t PushString(uint32_t strgIndex);
    uint32_t PushShort(int16_t v);  // push of type error: the value is the immediate
    uint32_t PushVariable(int16_t scope, uint32_t refBits = kVarRefSimple);
    // Stores the top item (of valueType) into a variable.
    uint32_t Pop(WType valueType, int16_t scope, uint32_t refBits = kVarRefSimple);
    // The function id operand is left 0: the FUNC chain goes there.
    uint32_t Call(uint16_t argc);
    uint32_t Conv(WType from, WType to);
    // top = type of the top item (right operand), below = the item under it.
    uint32_t Binary(WOp op, WType top, WType below);
    uint32_t Unary(WOp op, WType type);  // neg, not, dup, ret, exit, popz
    uint32_t Popz(WType type) { return Unary(WOp::Popz, type); }
    uint32_t Exit() { return Unary(WOp::Exit, WType::Int); }
    uint32_t Ret(WType type) { return Unary(WOp::Ret, type); }
    // b, bt, bf, pushenv, popenv: signed word count relative to this instruction.
    uint32_t Branch(WOp op, int32_t words);

    uint32_t Here() const { return uint32_t(bytes_.size()); }
    const std::vector<uint8_t>& Bytes() const { return bytes_; }

private:
    uint32_t Word(WOp op, uint8_t typeByte, uint16_t imm);
    void Put32(uint32_t v);
    void Put64(uint64_t v);

    std::vector<uint8_t> bytes_;
};
