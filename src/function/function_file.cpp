// Files, ini files, the registry, the command line and starting programs.
#include "function/function_file.h"

#include <spawn.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <memory>
#include <set>
#include <system_error>

#include "data/error.h"
#include "io/file_paths.h"
#include "io/ini_file.h"
#include "io/stream.h"
#include "platform/console.h"
#include "value/args.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

constexpr int kFileSlots = 32;  // slots 1..31; 0 is never handed out
constexpr size_t kReadStringMax = 32768;
constexpr size_t kReadLineMax = 32767;
constexpr size_t kNumberScanMax = 1024;  // bytes of one line looked at for a number
constexpr const char* kTableFull = "Cannot open another file (maximum exceeded).";
constexpr const char* kRegistryFile = "zorvex-registry.ini";
constexpr const char* kRegistryGameKey = "Game";

// Files are opened with "e" (close-on-exec), so programs the game starts do not
// inherit them.
struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<FILE, FileCloser>;

enum class TLastOp { kNone, kRead, kWrite };

struct BinaryFile {
    bool used = false;
    std::string name;  // as the game gave it, for file_bin_rewrite
    std::string path;
    int mode = 0;    // 0 read (in memory), 1 write, 2 read-write
    CStream memory;  // mode 0
    FilePtr file;    // modes 1 and 2
    TLastOp last = TLastOp::kNone;
};

enum TTextKind { kTextFree = 0, kTextReading = 1, kTextWriting = 2 };

struct TextFile {
    int kind = kTextFree;
    std::string path;
    CStream memory;  // reading
    FilePtr file;    // writing
};

struct FileState {
    BinaryFile binary[kFileSlots];
    TextFile text[kFileSlots];
    TextFile single;  // the implicit file of file_open_read and friends

    CIniFile ini;
    bool iniOpen = false;
    std::string iniName;

    std::vector<std::string> found;
    size_t foundNext = 0;

    std::vector<std::string> parameters;

    CIniFile registry;
    std::string registryPath;  // the file `registry` was loaded from; "" none yet
    int registryRoot = 0;

    std::vector<pid_t> children;  // started without waiting, reaped later
};

FileState& S() {
    static FileState state;
    return state;
}

std::string Format(const char* format, double v) {
    char buffer[512];  // "%f" of the largest double is about 320 characters
    std::snprintf(buffer, sizeof buffer, format, v);
    return buffer;
}

// ---- plain file helpers

bool IsRegularFile(const std::string& path) {
    std::error_code ec;
    return fs::is_regular_file(fs::path(path), ec);
}

bool IsDirectory(const std::string& path) {
    std::error_code ec;
    return fs::is_directory(fs::path(path), ec);
}

// Text files are written as they would be in a text-mode file elsewhere: every line
// feed becomes CR LF, so games see the same bytes when they read their files back.
bool WriteText(FILE* file, std::string_view text) {
    size_t start = 0;
    while (start < text.size()) {
        const size_t lf = text.find('\n', start);
        const size_t end = lf == std::string_view::npos ? text.size() : lf;
        if (end > start && std::fwrite(text.data() + start, 1, end - start, file) != end - start) return false;
        if (lf == std::string_view::npos) break;
        if (std::fwrite("\r\n", 1, 2, file) != 2) return false;
        start = lf + 1;
    }
    return true;
}

// Loads a file for reading by the text and binary tables. Pending writes of our own
// files are flushed first so a game can read what it just wrote.
bool LoadForReading(const std::string& path, CStream& out) {
    std::fflush(nullptr);
    return out.LoadFile(path);
}

// ---- the reading rules of text files

uint8_t PeekAt(const CStream& m, int64_t i) { return m.Data()[i]; }

std::string Bytes(const CStream& m, int64_t start, int64_t count) {
    if (count <= 0) return {};
    return std::string(reinterpret_cast<const char*>(m.Data() + start), static_cast<size_t>(count));
}

std::string ReadTextString(CStream& m) {
    const int64_t start = m.Position();
    int64_t end = start;
    while (end < m.Size() && PeekAt(m, end) != '\r' && PeekAt(m, end) != '\n') ++end;
    const int64_t kept = std::min<int64_t>(end - start, static_cast<int64_t>(kReadStringMax));
    m.Seek(end);  // the line end stays for readln
    return Bytes(m, start, kept);
}

double ReadTextReal(CStream& m) {
    int64_t pos = m.Position();
    while (pos < m.Size() && (PeekAt(m, pos) == ' ' || PeekAt(m, pos) == '\t')) ++pos;
    m.Seek(pos);
    // The number cannot run past the line, so hand the conversion only that much.
    char buffer[kNumberScanMax + 1];
    size_t n = 0;
    while (n < kNumberScanMax && pos + static_cast<int64_t>(n) < m.Size()) {
        const uint8_t c = PeekAt(m, pos + static_cast<int64_t>(n));
        if (c == '\r' || c == '\n' || c == 0) break;
        buffer[n++] = static_cast<char>(c);
    }
    buffer[n] = '\0';
    // strtod would skip other white space (vertical tab, form feed); those end the number here.
    if (n == 0 || std::isspace(static_cast<unsigned char>(buffer[0]))) return 0.0;
    char* end = nullptr;
    const double v = std::strtod(buffer, &end);
    m.Seek(pos + (end - buffer));
    return end == buffer ? 0.0 : v;
}

std::string ReadTextLine(CStream& m) {
    const int64_t start = m.Position();
    int64_t end = start;
    while (end < m.Size() && PeekAt(m, end) != '\n') ++end;
    if (end < m.Size()) ++end;  // the line feed is part of the line
    const int64_t kept = std::min<int64_t>(end - start, static_cast<int64_t>(kReadLineMax));
    m.Seek(end);
    return Bytes(m, start, kept);
}

void CloseText(TextFile& t) {
    t.file.reset();
    t.memory.Reset();
    t.path.clear();
    t.kind = kTextFree;
}

void CloseBinary(BinaryFile& b) {
    b.file.reset();
    b.memory.Reset();
    b.path.clear();
    b.name.clear();
    b.mode = 0;
    b.last = TLastOp::kNone;
    b.used = false;
}

// ---- binary files

BinaryFile* OpenBinary(int id) {
    if (id < 1 || id >= kFileSlots || !S().binary[id].used) return nullptr;
    return &S().binary[id];
}

// C streams need a seek between a write and a read (either way round).
void SwitchTo(BinaryFile& b, TLastOp op) {
    if (b.file && b.last != TLastOp::kNone && b.last != op) fseeko(b.file.get(), 0, SEEK_CUR);
    b.last = op;
}

int64_t BinaryPosition(BinaryFile& b) {
    if (b.mode == 0) return b.memory.Position();
    const off_t p = ftello(b.file.get());
    return p < 0 ? 0 : static_cast<int64_t>(p);
}

int64_t BinarySize(BinaryFile& b) {
    if (b.mode == 0) return b.memory.Size();
    FILE* f = b.file.get();
    const off_t here = ftello(f);
    if (here < 0 || fseeko(f, 0, SEEK_END) != 0) return 0;
    const off_t end = ftello(f);
    fseeko(f, here, SEEK_SET);
    b.last = TLastOp::kNone;
    return end < 0 ? 0 : static_cast<int64_t>(end);
}

FilePtr OpenBinaryStream(const std::string& name, int mode, std::string& path) {
    if (!FilePaths_ForWriting(name, path)) return nullptr;
    if (mode == 1) return FilePtr(std::fopen(path.c_str(), "wbe"));
    // Updating a file the game ships: work on a copy in the save area, since the
    // game directory is not ours to change.
    if (!IsRegularFile(path)) {
        const std::string shipped = FilePaths_Resolve(name);
        if (shipped != path && IsRegularFile(shipped)) {
            std::error_code ec;
            fs::copy_file(shipped, path, ec);
        }
    }
    FilePtr probe(std::fopen(path.c_str(), "rb"));
    const bool exists = probe != nullptr;
    probe.reset();
    return FilePtr(std::fopen(path.c_str(), exists ? "r+be" : "w+be"));
}

void F_FileBinOpen(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    const std::string name = Arg_TextFormCopy(argc, args, 0);
    const int mode = Arg_Int(argc, args, 1);
    int id = 1;
    while (id < kFileSlots && S().binary[id].used) ++id;
    if (id == kFileSlots) {
        Code_ShowError(kTableFull, false);
        result.SetReal(-1);
        return;
    }
    BinaryFile& b = S().binary[id];
    bool ok = false;
    std::string path;
    if (mode == 0) {
        path = FilePaths_Resolve(name);
        ok = LoadForReading(path, b.memory);
    } else if (mode == 1 || mode == 2) {
        b.file = OpenBinaryStream(name, mode, path);
        ok = b.file != nullptr;
    }
    if (!ok) {
        Console().Output("Error opening binary file %s\n", path.empty() ? name.c_str() : path.c_str());
        CloseBinary(b);
        result.SetReal(-1);
        return;
    }
    b.used = true;
    b.name = name;
    b.path = path;
    b.mode = mode;
    result.SetReal(id);
}

// Starts the slot's file over in the save area, empty and open for reading and
// writing; the stream it had is closed first.
void F_FileBinRewrite(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    BinaryFile* b = OpenBinary(Arg_Int(argc, args, 0));
    if (!b) {
        Code_ShowError("Trying to rewrite unopened file.", false);
        return;
    }
    b->file.reset();
    b->memory.Reset();
    b->last = TLastOp::kNone;
    std::string path;
    if (FilePaths_ForWriting(b->name, path)) b->file.reset(std::fopen(path.c_str(), "w+be"));
    if (!b->file) {
        Console().Output("Error opening binary file %s\n", path.c_str());
        // An empty in-memory file keeps the slot usable as an empty read.
        b->mode = 0;
        return;
    }
    b->path = path;
    b->mode = 2;
}

void F_FileBinClose(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    BinaryFile* b = OpenBinary(Arg_Int(argc, args, 0));
    if (!b) {
        Code_ShowError("Trying to close unopened file.", false);
        return;
    }
    CloseBinary(*b);
}

BinaryFile* OpenedOrError(int argc, const CValue* args) {
    BinaryFile* b = OpenBinary(Arg_Int(argc, args, 0));
    if (!b) Code_ShowError("File is not opened.", false);
    return b;
}

void F_FileBinSize(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    if (BinaryFile* b = OpenedOrError(argc, args)) result.SetReal(static_cast<double>(BinarySize(*b)));
}

void F_FileBinPosition(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    if (BinaryFile* b = OpenedOrError(argc, args)) result.SetReal(static_cast<double>(BinaryPosition(*b)));
}

void F_FileBinSeek(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    BinaryFile* b = OpenedOrError(argc, args);
    if (!b) return;
    const int64_t pos = std::max<int64_t>(Arg_Int64(argc, args, 1), 0);
    if (b->mode == 0) {
        b->memory.Seek(pos);
    } else {
        fseeko(b->file.get(), static_cast<off_t>(pos), SEEK_SET);
        b->last = TLastOp::kNone;
    }
}

void F_FileBinReadByte(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    BinaryFile* b = OpenedOrError(argc, args);
    if (!b) return;
    int c = EOF;
    if (b->mode == 0) {
        if (b->memory.Remaining() > 0) c = b->memory.ReadByte();
    } else if (b->mode == 2) {
        SwitchTo(*b, TLastOp::kRead);
        c = std::fgetc(b->file.get());
    }
    if (c == EOF) {
        Code_ShowError("Error reading byte.", false);
        return;
    }
    result.SetReal(c);
}

void F_FileBinWriteByte(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    BinaryFile* b = OpenedOrError(argc, args);
    if (!b || b->mode == 0) return;
    SwitchTo(*b, TLastOp::kWrite);
    std::fputc(Arg_Int(argc, args, 1) & 0xFF, b->file.get());
}

// ---- text files

TextFile* TextSlot(int id) {
    if (id < 1 || id >= kFileSlots || S().text[id].kind == kTextFree) return nullptr;
    return &S().text[id];
}

int FreeTextSlot() {
    for (int id = 1; id < kFileSlots; ++id)
        if (S().text[id].kind == kTextFree) return id;
    Code_ShowError(kTableFull, false);
    return -1;
}

bool OpenTextRead(TextFile& t, const CValue& name) {
    if (!name.IsString()) {
        Console().Output("ERROR!!! :: wrong type for filename\n");
        return false;
    }
    const std::string path = FilePaths_Resolve(name.Text());
    if (!LoadForReading(path, t.memory)) {
        Console().Output("ERROR!!! :: Failed to open file: %s\n", path.c_str());
        return false;
    }
    t.path = path;
    t.kind = kTextReading;
    return true;
}

bool OpenTextWrite(TextFile& t, const std::string& name, bool append) {
    std::string path;
    if (!FilePaths_ForWriting(name, path)) return false;
    t.file.reset(std::fopen(path.c_str(), append ? "abe" : "wbe"));
    if (!t.file) {
        Console().Output("ERROR!!! :: Failed to open file: %s\n", path.c_str());
        return false;
    }
    t.path = path;
    t.kind = kTextWriting;
    return true;
}

void F_FileTextOpenRead(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    result.SetReal(-1);
    const int id = FreeTextSlot();
    if (id < 0) return;
    if (OpenTextRead(S().text[id], Arg_Value(argc, args, 0))) result.SetReal(id);
    else CloseText(S().text[id]);
}

template <bool kAppend>
void F_FileTextOpenWrite(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    result.SetReal(-1);
    const int id = FreeTextSlot();
    if (id < 0) return;
    if (OpenTextWrite(S().text[id], Arg_TextFormCopy(argc, args, 0), kAppend)) result.SetReal(id);
    else CloseText(S().text[id]);
}

void F_FileTextClose(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    TextFile* t = TextSlot(Arg_Int(argc, args, 0));
    if (!t) {
        Code_ShowError("Trying to close unexisting text file.", false);
        return;
    }
    CloseText(*t);
}

TextFile* Reading(TextFile* t) {
    if (t == nullptr || t->kind != kTextReading) {
        Code_ShowError("File is not opened for reading.", false);
        return nullptr;
    }
    return t;
}

TextFile* Writing(TextFile* t) {
    if (t == nullptr || t->kind != kTextWriting) {
        Code_ShowError("File not opened for writing.", false);
        return nullptr;
    }
    return t;
}

// The reading and writing operations, shared by the table and the single file.
// A failed eof test answers "at the end", so a read loop over a bad handle ends.
void TextEof(CValue& result, TextFile* t) {
    t = Reading(t);
    result.SetReal(t == nullptr || t->memory.Remaining() == 0 ? 1 : 0);
}
void TextReadString(CValue& result, TextFile* t) {
    if ((t = Reading(t))) result.SetString(ReadTextString(t->memory));
    else result.SetString("");
}
void TextReadReal(CValue& result, TextFile* t) {
    if ((t = Reading(t))) result.SetReal(ReadTextReal(t->memory));
}
void TextReadLine(CValue& result, TextFile* t) {
    if ((t = Reading(t))) result.SetString(ReadTextLine(t->memory));
    else result.SetString("");
}
void TextWrite(TextFile* t, std::string_view text) {
    if ((t = Writing(t))) WriteText(t->file.get(), text);
}

void F_FileTextEof(CValue& r, CInstance*, CInstance*, int argc, CValue* args) {
    TextEof(r, TextSlot(Arg_Int(argc, args, 0)));
}
void F_FileTextReadString(CValue& r, CInstance*, CInstance*, int argc, CValue* args) {
    TextReadString(r, TextSlot(Arg_Int(argc, args, 0)));
}
void F_FileTextReadReal(CValue& r, CInstance*, CInstance*, int argc, CValue* args) {
    TextReadReal(r, TextSlot(Arg_Int(argc, args, 0)));
}
void F_FileTextReadln(CValue& r, CInstance*, CInstance*, int argc, CValue* args) {
    TextReadLine(r, TextSlot(Arg_Int(argc, args, 0)));
}
void F_FileTextWriteString(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    TextWrite(TextSlot(Arg_Int(argc, args, 0)), Arg_TextFormCopy(argc, args, 1));
}
void F_FileTextWriteReal(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    TextWrite(TextSlot(Arg_Int(argc, args, 0)), Format("%g ", Arg_Real(argc, args, 1)));
}
void F_FileTextWriteln(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    TextWrite(TextSlot(Arg_Int(argc, args, 0)), "\n");
}

// ---- the single implicit file

TextFile* Single() { return S().single.kind == kTextFree ? nullptr : &S().single; }

void F_FileOpenRead(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    CloseText(S().single);
    if (!OpenTextRead(S().single, Arg_Value(argc, args, 0))) CloseText(S().single);
}
template <bool kAppend>
void F_FileOpenWrite(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    CloseText(S().single);
    if (!OpenTextWrite(S().single, Arg_TextFormCopy(argc, args, 0), kAppend)) CloseText(S().single);
}
void F_FileClose(CValue&, CInstance*, CInstance*, int, CValue*) { CloseText(S().single); }
void F_FileReadString(CValue& r, CInstance*, CInstance*, int, CValue*) { TextReadString(r, Single()); }
void F_FileReadReal(CValue& r, CInstance*, CInstance*, int, CValue*) { TextReadReal(r, Single()); }
void F_FileReadln(CValue& r, CInstance*, CInstance*, int, CValue*) { TextReadLine(r, Single()); }
void F_FileEof(CValue& r, CInstance*, CInstance*, int, CValue*) { TextEof(r, Single()); }
void F_FileWriteString(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    TextWrite(Single(), Arg_TextFormCopy(argc, args, 0));
}
void F_FileWriteReal(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    TextWrite(Single(), Format("%10.4f", Arg_Real(argc, args, 0)));
}
void F_FileWriteln(CValue&, CInstance*, CInstance*, int, CValue*) { TextWrite(Single(), "\n"); }

// ---- file-system queries and changes

void F_FileExists(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    const std::string name = Arg_TextFormCopy(argc, args, 0);
    result.SetReal(!name.empty() && IsRegularFile(FilePaths_Resolve(name)) ? 1 : 0);
}

void F_FileDelete(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    const std::string name = Arg_TextFormCopy(argc, args, 0);
    const std::string path = FilePaths_Resolve(name);
    std::error_code ec;
    // Only files: a directory is not file_delete's to remove.
    if (name.empty() || !fs::exists(fs::symlink_status(path, ec)) || IsDirectory(path)) return;
    if (!FilePaths_CheckChange(path, "delete")) return;
    result.SetReal(fs::remove(path, ec) ? 1 : 0);
}

void F_FileRename(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    const std::string from = FilePaths_Resolve(Arg_TextFormCopy(argc, args, 0));
    const std::string to = FilePaths_SaveAreaPath(Arg_TextFormCopy(argc, args, 1));
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(from, ec))) return;
    if (!FilePaths_CheckChange(from, "rename") || !FilePaths_CheckChange(to, "rename to")) return;
    if (!FilePaths_CreateParents(to)) return;
    fs::rename(from, to, ec);
    result.SetReal(ec ? 0 : 1);
}

void F_FileCopy(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    const std::string from = FilePaths_Resolve(Arg_TextFormCopy(argc, args, 0));
    std::fflush(nullptr);
    FilePtr source(IsRegularFile(from) ? std::fopen(from.c_str(), "rb") : nullptr);
    if (!source) {
        Console().Output("Unable to open source file %s\n", from.c_str());
        return;
    }
    std::string to;
    if (!FilePaths_ForWriting(Arg_TextFormCopy(argc, args, 1), to)) return;
    std::error_code ec;
    if (fs::exists(to, ec) && fs::equivalent(from, to, ec)) return;  // already there
    FilePtr target(std::fopen(to.c_str(), "wbe"));
    if (!target) {
        Console().Output("Unable to open target file %s\n", to.c_str());
        return;
    }
    char buffer[65536];
    for (;;) {
        const size_t got = std::fread(buffer, 1, sizeof buffer, source.get());
        if (got == 0 || std::fwrite(buffer, 1, got, target.get()) != got) break;
    }
}

void F_DirectoryExists(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    const std::string name = Arg_TextFormCopy(argc, args, 0);
    result.SetReal(!name.empty() && IsDirectory(FilePaths_Resolve(name)) ? 1 : 0);
}

void F_DirectoryCreate(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    const std::string path = FilePaths_SaveAreaPath(Arg_TextFormCopy(argc, args, 0));
    if (!FilePaths_CheckChange(path, "create the directory")) return;
    std::error_code ec;
    fs::create_directories(path, ec);
    result.SetReal(IsDirectory(path) ? 1 : 0);
}

// The attribute bits game code uses (fa_readonly, fa_hidden, fa_sysfile,
// fa_volumeid, fa_directory, fa_archive).
constexpr int kAttrReadOnly = 1, kAttrHidden = 2, kAttrDirectory = 16, kAttrArchive = 32;

int AttributesOf(const fs::path& path) {
    std::error_code ec;
    const fs::file_status st = fs::status(path, ec);
    if (ec || !fs::exists(st)) return -1;
    int bits = 0;
    if (fs::is_directory(st)) bits |= kAttrDirectory;
    else bits |= kAttrArchive;  // what an ordinary file carries elsewhere
    const std::string leaf = path.filename().string();
    if (!leaf.empty() && leaf[0] == '.') bits |= kAttrHidden;
    if (access(path.c_str(), W_OK) != 0) bits |= kAttrReadOnly;
    return bits;
}

void F_FileAttributes(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    const std::string name = Arg_TextFormCopy(argc, args, 0);
    if (name.empty()) return;
    const int bits = AttributesOf(FilePaths_Resolve(name));
    result.SetReal(bits >= 0 && (bits & Arg_Int(argc, args, 1)) != 0 ? 1 : 0);
}

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// "*" and "?" wildcards, letters compared without case as file masks usually are.
bool MaskMatches(std::string_view mask, std::string_view name) {
    size_t m = 0, n = 0, starM = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (m < mask.size() && (mask[m] == '?' || LowerAscii(mask[m]) == LowerAscii(name[n]))) {
            ++m;
            ++n;
        } else if (m < mask.size() && mask[m] == '*') {
            starM = m++;
            starN = n;
        } else if (starM != std::string_view::npos) {
            m = starM + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == '*') ++m;
    return m == mask.size();
}

std::string FindNext() {
    FileState& s = S();
    if (s.foundNext >= s.found.size()) return {};
    return s.found[s.foundNext++];
}

// Names (without their folder) matching the mask, from the save area and the game
// directory together, each once, sorted. Ordinary files always count; folders and
// hidden entries only when the attributes ask for them.
void F_FileFindFirst(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    FileState& s = S();
    s.found.clear();
    s.foundNext = 0;
    const std::string mask = FilePaths_Normalise(Arg_TextFormCopy(argc, args, 0));
    const int attr = Arg_Int(argc, args, 1);
    const size_t slash = mask.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : mask.substr(0, slash + 1);
    std::string pattern = slash == std::string::npos ? mask : mask.substr(slash + 1);
    if (pattern == "*.*") pattern = "*";  // every name, with or without a dot
    std::vector<std::string> folders;
    if (FilePaths_IsAbsolute(folder)) {
        folders.push_back(folder);
    } else {
        folders.push_back(FilePaths_SaveArea() + folder);
        folders.push_back(FilePaths_GameDirectory() + folder);
    }
    std::set<std::string> names;
    for (const std::string& dir : folders) {
        std::error_code ec;
        fs::directory_iterator it(dir.empty() ? "." : dir, ec), end;
        for (; !ec && it != end; it.increment(ec)) {
            const std::string leaf = it->path().filename().string();
            if (!MaskMatches(pattern, leaf)) continue;
            const int bits = AttributesOf(it->path());
            if (bits < 0) continue;
            if ((bits & kAttrDirectory) && !(attr & kAttrDirectory)) continue;
            if ((bits & kAttrHidden) && !(attr & kAttrHidden)) continue;
            names.insert(leaf);
        }
    }
    s.found.assign(names.begin(), names.end());
    result.SetString(FindNext());
}

void F_FileFindNext(CValue& result, CInstance*, CInstance*, int, CValue*) { result.SetString(FindNext()); }

void F_FileFindClose(CValue&, CInstance*, CInstance*, int, CValue*) {
    S().found.clear();
    S().foundNext = 0;
}

// ---- filename_*: both "/" and "\" separate, "X:" is a drive

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// Index after the last separator or drive colon.
size_t NameStart(std::string_view f) {
    for (size_t i = f.size(); i > 0; --i)
        if (IsSeparator(f[i - 1]) || f[i - 1] == ':') return i;
    return 0;
}

// Index of the extension's dot in the name part, or npos.
size_t ExtensionStart(std::string_view f) {
    const size_t dot = f.rfind('.');
    return dot == std::string_view::npos || dot < NameStart(f) ? std::string_view::npos : dot;
}

std::string DriveOf(std::string_view f) {
    if (f.size() >= 2 && f[1] == ':') return std::string(f.substr(0, 2));
    // "\\server\share" is the drive of a network path.
    if (f.size() > 2 && IsSeparator(f[0]) && IsSeparator(f[1])) {
        size_t i = 2, parts = 0;
        for (; i < f.size(); ++i)
            if (IsSeparator(f[i]) && ++parts == 2) break;
        return std::string(f.substr(0, i));
    }
    return {};
}

void F_FilenameName(CValue& r, CInstance*, CInstance*, int argc, CValue* args) {
    const std::string f = Arg_TextFormCopy(argc, args, 0);
    r.SetString(std::string_view(f).substr(NameStart(f)));
}
void F_FilenamePath(CValue& r, CInstance*, CInstance*, int argc, CValue* args) {
    const std::string f = Arg_TextFormCopy(argc, args, 0);
    r.SetString(std::string_view(f).substr(0, NameStart(f)));
}
// The path without its last separator, unless that separator is the root's.
void F_FilenameDir(CValue& r, CInstance*, CInstance*, int argc, CValue* args) {
    const std::string f = Arg_TextFormCopy(argc, args, 0);
    size_t end = NameStart(f);
    if (end > 0 && IsSeparator(f[end - 1]) && end - 1 > 0 && f[end - 2] != ':' && !IsSeparator(f[end - 2])) --end;
    r.SetString(std::string_view(f).substr(0, end));
}
void F_FilenameDrive(CValue& r, CInstance*, CInstance*, int argc, CValue* args) {
    r.SetString(DriveOf(Arg_TextFormCopy(argc, args, 0)));
}
void F_FilenameExt(CValue& r, CInstance*, CInstance*, int argc, CValue* args) {
    const std::string f = Arg_TextFormCopy(argc, args, 0);
    const size_t dot = ExtensionStart(f);
    r.SetString(dot == std::string::npos ? std::string_view() : std::string_view(f).substr(dot));
}
// "%s.%s" of the name without its extension and the new one. A leading dot of the
// new extension is not doubled, and an empty one just removes the extension.
void F_FilenameChangeExt(CValue& r, CInstance*, CInstance*, int argc, CValue* args) {
    const std::string f = Arg_TextFormCopy(argc, args, 0);
    std::string_view ext = Arg_Text(argc, args, 1);
    if (!ext.empty() && ext[0] == '.') ext.remove_prefix(1);
    const size_t dot = ExtensionStart(f);
    std::string out = f.substr(0, dot == std::string::npos ? f.size() : dot);
    if (!ext.empty()) {
        out += '.';
        out += ext;
    }
    r.SetString(out);
}

// ---- included files: this runner's games carry none it could export

void F_ExportIncludeFile(CValue&, CInstance*, CInstance*, int, CValue*) {
    Code_ShowError("Trying to export non-existing file.", false);
}
void F_DiscardIncludeFile(CValue&, CInstance*, CInstance*, int, CValue*) {
    Code_ShowError("Trying to discard non-existing file.", false);
}

// ---- programs, the command line and the environment

void ReapChildren() {
    std::vector<pid_t>& children = S().children;
    std::erase_if(children, [](pid_t pid) {
        int status = 0;
        return waitpid(pid, &status, WNOHANG) != 0;  // finished, or not ours any more
    });
}

// Starts argv[0] with those arguments, straight through posix_spawn: no shell reads
// the game's text, so nothing in it can run a second command. A name without a "/"
// is looked up on PATH.
bool Spawn(const std::vector<std::string>& argvText, bool wait) {
    if (argvText.empty() || argvText[0].empty()) return false;
    std::vector<char*> argv;
    argv.reserve(argvText.size() + 1);
    for (const std::string& a : argvText) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    const bool onPath = argvText[0].find('/') == std::string::npos;
    const int rc = onPath ? posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ)
                          : posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ);
    if (rc != 0) return false;
    if (!wait) {
        S().children.push_back(pid);
        return true;
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    // A program that could not be started after the fork shows up as exit code 127.
    return !(WIFEXITED(status) && WEXITSTATUS(status) == 127);
}

// A program named with a folder is found like any game file; a bare name is the
// game directory's if it has it, else left for PATH.
std::string ProgramPath(const std::string& program) {
    const std::string name = FilePaths_Normalise(program);
    if (name.find('/') != std::string::npos) {
        return FilePaths_Resolve(name);
    }
    const std::string shipped = FilePaths_GameDirectory() + name;
    return IsRegularFile(shipped) ? shipped : name;
}

bool IsExecutableFile(const std::string& path) { return IsRegularFile(path) && access(path.c_str(), X_OK) == 0; }

void F_ExecuteProgram(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    ReapChildren();
    const std::string program = Arg_TextFormCopy(argc, args, 0);
    std::vector<std::string> argv{ProgramPath(program)};
    for (std::string& a : FileFunctions_SplitArguments(Arg_TextFormCopy(argc, args, 1))) argv.push_back(std::move(a));
    if (program.empty() || !Spawn(argv, Real_IsTrue(Arg_Real(argc, args, 2))))
        Console().Output("Cannot execute %s\n", program.c_str());
}

// Opens a document, folder or address with the desktop's handler; an executable
// file is started with the arguments instead.
void F_ExecuteShell(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    ReapChildren();
    const std::string target = Arg_TextFormCopy(argc, args, 0);
    std::vector<std::string> argv;
    const std::string program = ProgramPath(target);
    if (target.find("://") == std::string::npos && IsExecutableFile(program)) {
        argv.push_back(program);
        for (std::string& a : FileFunctions_SplitArguments(Arg_TextFormCopy(argc, args, 1)))
            argv.push_back(std::move(a));
    } else {
        std::string what = target;
        if (target.find("://") == std::string::npos) {
            const std::string path = FilePaths_Resolve(target);
            std::error_code ec;
            if (fs::exists(path, ec)) what = path;
        }
        if (!what.empty() && what[0] == '-') what = "./" + what;  // never an option of the opener
        argv = {"xdg-open", what};
    }
    if (target.empty() || !Spawn(argv, false)) Console().Output("Cannot execute %s\n", target.c_str());
}

void F_ParameterCount(CValue& result, CInstance*, CInstance*, int, CValue*) {
    const size_t n = S().parameters.size();
    result.SetReal(n > 0 ? static_cast<double>(n - 1) : 0.0);
}

void F_ParameterString(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    const int32_t n = Arg_Int(argc, args, 0);
    const std::vector<std::string>& p = S().parameters;
    result.SetString(n >= 0 && static_cast<size_t>(n) < p.size() ? std::string_view(p[n]) : std::string_view());
}

void F_EnvironmentGetVariable(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    const std::string name = Arg_TextFormCopy(argc, args, 0);
    const char* value = name.empty() || name.find('=') != std::string::npos ? nullptr : std::getenv(name.c_str());
    result.SetString(value ? value : "");
}

// ---- the registry: kept in an ini file of the save area, one section per key

const char* RootName(int root) {
    static const char* const names[] = {"CURRENT_USER", "LOCAL_MACHINE", "CLASSES_ROOT", "USERS"};
    return root >= 0 && root < static_cast<int>(std::size(names)) ? names[root] : names[0];
}

CIniFile& Registry() {
    FileState& s = S();
    const std::string path = FilePaths_SaveAreaPath(kRegistryFile);
    if (s.registryPath != path) {
        s.registry.Load(path);  // a missing file is an empty registry
        s.registryPath = path;
    }
    return s.registry;
}

std::string RegistrySection(std::string_view key) {
    return std::string(RootName(S().registryRoot)) + "\\" + std::string(key);
}

void RegistryWrite(std::string_view key, const std::string& name, const std::string& value) {
    CIniFile& reg = Registry();
    reg.WriteString(RegistrySection(key), name, value);
    if (!reg.Save(S().registryPath)) Console().Output("Cannot write the registry file %s\n", S().registryPath.c_str());
}

const std::string* RegistryFind(std::string_view key, const std::string& name) {
    return Registry().Find(RegistrySection(key), name);
}

template <bool kExt>
void F_RegistryWriteString(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    const int k = kExt ? 1 : 0;
    RegistryWrite(kExt ? Arg_TextFormCopy(argc, args, 0) : kRegistryGameKey, Arg_TextFormCopy(argc, args, k),
                  Arg_TextFormCopy(argc, args, k + 1));
}
template <bool kExt>
void F_RegistryWriteReal(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    const int k = kExt ? 1 : 0;
    RegistryWrite(kExt ? Arg_TextFormCopy(argc, args, 0) : kRegistryGameKey, Arg_TextFormCopy(argc, args, k),
                  FileFunctions_RealText(Arg_Real(argc, args, k + 1)));
}
template <bool kExt>
void F_RegistryReadString(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    const int k = kExt ? 1 : 0;
    const std::string* v =
        RegistryFind(kExt ? Arg_TextFormCopy(argc, args, 0) : kRegistryGameKey, Arg_TextFormCopy(argc, args, k));
    result.SetString(v ? std::string_view(*v) : std::string_view());
}
template <bool kExt>
void F_RegistryReadReal(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    const int k = kExt ? 1 : 0;
    const std::string* v =
        RegistryFind(kExt ? Arg_TextFormCopy(argc, args, 0) : kRegistryGameKey, Arg_TextFormCopy(argc, args, k));
    result.SetReal(v ? CIniFile::TextToReal(*v) : 0.0);
}
template <bool kExt>
void F_RegistryExists(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    const int k = kExt ? 1 : 0;
    result.SetReal(
        RegistryFind(kExt ? Arg_TextFormCopy(argc, args, 0) : kRegistryGameKey, Arg_TextFormCopy(argc, args, k)) ? 1
                                                                                                                 : 0);
}
void F_RegistrySetRoot(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    const int root = Arg_Int(argc, args, 0);
    S().registryRoot = root >= 0 && root <= 3 ? root : 0;
}

// ---- ini files: one open at a time

void IniClose() {
    FileState& s = S();
    if (!s.iniOpen) return;
    if (s.ini.Dirty()) {
        const std::string path = FilePaths_SaveAreaPath(s.iniName);
        if (FilePaths_CheckChange(path, "write") && !s.ini.Save(path))
            Console().Output("Cannot write ini file %s\n", path.c_str());
    }
    s.ini = CIniFile();
    s.iniName.clear();
    s.iniOpen = false;
}

bool IniForReading() {
    if (S().iniOpen) return true;
    Code_ShowError("Trying to read from undefined INI file", false);
    return false;
}

bool IniForChanging() {
    if (S().iniOpen) return true;
    Code_ShowError("Trying to change undefined INI file", false);
    return false;
}

void F_IniOpen(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    IniClose();
    FileState& s = S();
    s.iniName = Arg_TextFormCopy(argc, args, 0);
    s.ini.Load(FilePaths_Resolve(s.iniName));  // a missing file is an empty ini
    s.iniOpen = true;
}

void F_IniClose(CValue&, CInstance*, CInstance*, int, CValue*) { IniClose(); }

void F_IniReadString(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    if (!IniForReading()) {
        result.SetString("");
        return;
    }
    if (const std::string* v = S().ini.Find(Arg_TextFormCopy(argc, args, 0), Arg_TextFormCopy(argc, args, 1)))
        result.SetString(*v);
    else result = Arg_Value(argc, args, 2);
}

void F_IniReadReal(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    if (!IniForReading()) return;
    const CValue& def = Arg_Value(argc, args, 2);
    const std::string section = Arg_TextFormCopy(argc, args, 0), key = Arg_TextFormCopy(argc, args, 1);
    result.SetReal(def.IsString() ? S().ini.ReadReal(section, key, std::string_view(def.Text()))
                                  : S().ini.ReadReal(section, key, def.val));
}

void F_IniWriteString(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    if (!IniForChanging()) return;
    if (!Arg_IsText(argc, args, 0) || !Arg_IsText(argc, args, 1) || !Arg_IsText(argc, args, 2)) {
        Code_ShowError("Wrong argument types for ini_write_string", false);
        return;
    }
    S().ini.WriteString(Arg_CText(argc, args, 0), Arg_CText(argc, args, 1), Arg_CText(argc, args, 2));
}

void F_IniWriteReal(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    if (!IniForChanging()) return;
    if (!Arg_IsText(argc, args, 0) || !Arg_IsText(argc, args, 1) || !Arg_IsReal(argc, args, 2)) {
        Code_ShowError("Wrong argument types for ini_write_real", false);
        return;
    }
    S().ini.WriteString(Arg_CText(argc, args, 0), Arg_CText(argc, args, 1),
                        FileFunctions_RealText(Arg_Real(argc, args, 2)));
}

void F_IniKeyExists(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    if (IniForReading())
        result.SetReal(S().ini.KeyExists(Arg_TextFormCopy(argc, args, 0), Arg_TextFormCopy(argc, args, 1)) ? 1 : 0);
}

void F_IniSectionExists(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    if (IniForReading()) result.SetReal(S().ini.SectionExists(Arg_TextFormCopy(argc, args, 0)) ? 1 : 0);
}

void F_IniKeyDelete(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    if (IniForChanging()) S().ini.KeyDelete(Arg_TextFormCopy(argc, args, 0), Arg_TextFormCopy(argc, args, 1));
}

void F_IniSectionDelete(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    if (IniForChanging()) S().ini.SectionDelete(Arg_TextFormCopy(argc, args, 0));
}

}  // namespace

void FileFunctions_Reset() {
    FileState& s = S();
    for (BinaryFile& b : s.binary) CloseBinary(b);
    for (TextFile& t : s.text) CloseText(t);
    CloseText(s.single);
    IniClose();
    s.found.clear();
    s.foundNext = 0;
    s.registry = CIniFile();
    s.registryPath.clear();
    s.registryRoot = 0;
    ReapChildren();
}

void FileFunctions_SetParameters(std::vector<std::string> tokens) { S().parameters = std::move(tokens); }

std::vector<std::string> FileFunctions_SplitArguments(std::string_view text) {
    std::vector<std::string> out;
    std::string current;
    bool inToken = false, quoted = false;
    for (char c : text) {
        if (c == '"') {
            quoted = !quoted;
            inToken = true;  // "" is an argument of its own
        } else if (!quoted && (c == ' ' || c == '\t' || c == '\n' || c == '\r')) {
            if (inToken) out.push_back(std::move(current));
            current.clear();
            inToken = false;
        } else {
            current.push_back(c);
            inToken = true;
        }
    }
    if (inToken) out.push_back(std::move(current));
    return out;
}

std::string FileFunctions_RealText(double v) {
    return Format(std::isfinite(v) && std::fabs(v) < 1e15 ? "%.6f" : "%.17g", v);
}

extern const FunctionImpl kFileFunctions[] = {
    {"file_bin_open", F_FileBinOpen},
    {"file_bin_rewrite", F_FileBinRewrite},
    {"file_bin_close", F_FileBinClose},
    {"file_bin_position", F_FileBinPosition},
    {"file_bin_size", F_FileBinSize},
    {"file_bin_seek", F_FileBinSeek},
    {"file_bin_read_byte", F_FileBinReadByte},
    {"file_bin_write_byte", F_FileBinWriteByte},
    {"file_text_open_read", F_FileTextOpenRead},
    {"file_text_open_write", F_FileTextOpenWrite<false>},
    {"file_text_open_append", F_FileTextOpenWrite<true>},
    {"file_text_close", F_FileTextClose},
    {"file_text_read_string", F_FileTextReadString},
    {"file_text_read_real", F_FileTextReadReal},
    {"file_text_readln", F_FileTextReadln},
    {"file_text_eof", F_FileTextEof},
    {"file_text_write_string", F_FileTextWriteString},
    {"file_text_write_real", F_FileTextWriteReal},
    {"file_text_writeln", F_FileTextWriteln},
    {"file_open_read", F_FileOpenRead},
    {"file_open_write", F_FileOpenWrite<false>},
    {"file_open_append", F_FileOpenWrite<true>},
    {"file_close", F_FileClose},
    {"file_read_string", F_FileReadString},
    {"file_read_real", F_FileReadReal},
    {"file_readln", F_FileReadln},
    {"file_eof", F_FileEof},
    {"file_write_string", F_FileWriteString},
    {"file_write_real", F_FileWriteReal},
    {"file_writeln", F_FileWriteln},
    {"file_exists", F_FileExists},
    {"file_delete", F_FileDelete},
    {"file_rename", F_FileRename},
    {"file_copy", F_FileCopy},
    {"directory_exists", F_DirectoryExists},
    {"directory_create", F_DirectoryCreate},
    {"file_find_first", F_FileFindFirst},
    {"file_find_next", F_FileFindNext},
    {"file_find_close", F_FileFindClose},
    {"file_attributes", F_FileAttributes},
    {"filename_name", F_FilenameName},
    {"filename_path", F_FilenamePath},
    {"filename_dir", F_FilenameDir},
    {"filename_drive", F_FilenameDrive},
    {"filename_ext", F_FilenameExt},
    {"filename_change_ext", F_FilenameChangeExt},
    {"export_include_file", F_ExportIncludeFile},
    {"export_include_file_location", F_ExportIncludeFile},
    {"discard_include_file", F_DiscardIncludeFile},
    {"execute_program", F_ExecuteProgram},
    {"execute_shell", F_ExecuteShell},
    {"parameter_count", F_ParameterCount},
    {"parameter_string", F_ParameterString},
    {"environment_get_variable", F_EnvironmentGetVariable},
    {"registry_write_string", F_RegistryWriteString<false>},
    {"registry_write_real", F_RegistryWriteReal<false>},
    {"registry_read_string", F_RegistryReadString<false>},
    {"registry_read_real", F_RegistryReadReal<false>},
    {"registry_exists", F_RegistryExists<false>},
    {"registry_write_string_ext", F_RegistryWriteString<true>},
    {"registry_write_real_ext", F_RegistryWriteReal<true>},
    {"registry_read_string_ext", F_RegistryReadString<true>},
    {"registry_read_real_ext", F_RegistryReadReal<true>},
    {"registry_exists_ext", F_RegistryExists<true>},
    {"registry_set_root", F_RegistrySetRoot},
    {"ini_open", F_IniOpen},
    {"ini_close", F_IniClose},
    {"ini_read_string", F_IniReadString},
    {"ini_read_real", F_IniReadReal},
    {"ini_write_string", F_IniWriteString},
    {"ini_write_real", F_IniWriteReal},
    {"ini_key_exists", F_IniKeyExists},
    {"ini_section_exists", F_IniSectionExists},
    {"ini_key_delete", F_IniKeyDelete},
    {"ini_section_delete", F_IniSectionDelete},
};
extern const size_t kFileFunctionCount = std::size(kFileFunctions);
