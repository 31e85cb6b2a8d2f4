#pragma once
// Small project folders for the packer tests: text files, PNG pictures and WAV sounds
// written into a fresh directory, and the packed game loaded back through the loader.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "function/function_names.h"
#include "graphics/png.h"
#include "load/data_file.h"
#include "pack/pack.h"
#include "support/process.h"
#include "variable/variables.h"
#include "vm/machine.h"
#include "vm/registry.h"
#include "writer/writer.h"

namespace pack_test {

constexpr const char* kFontFile = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

class CProjectDir {
public:
    explicit CProjectDir(const std::string& name) : dir_(TestDirectory(name)) {}
    const std::string& Dir() const { return dir_; }
    std::string Path(const std::string& rel) const { return dir_ + "/" + rel; }

    void Text(const std::string& rel, const std::string& text) const {
        std::filesystem::create_directories(std::filesystem::path(Path(rel)).parent_path());
        std::ofstream(Path(rel), std::ios::binary) << text;
    }
    void Bytes(const std::string& rel, const std::vector<uint8_t>& bytes) const {
        std::filesystem::create_directories(std::filesystem::path(Path(rel)).parent_path());
        WriteFile(Path(rel), bytes);
    }
    // A w x h picture whose pixel (x, y) is pixel(x, y) as 0xAABBGGRR.
    template <typename F>
    void Png(const std::string& rel, int w, int h, F&& pixel) const {
        std::vector<uint8_t> rgba(size_t(w) * size_t(h) * 4);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                uint32_t v = pixel(x, y);
                std::memcpy(&rgba[(size_t(y) * size_t(w) + size_t(x)) * 4], &v, 4);
            }
        Bytes(rel, Png_EncodeRGBA(w, h, rgba.data()));
    }
    void SolidPng(const std::string& rel, int w, int h, uint32_t abgr) const {
        Png(rel, w, h, [&](int, int) { return abgr; });
    }
    // A short, valid 8-bit mono WAV file.
    void Wav(const std::string& rel, uint32_t samples = 64) const {
        std::vector<uint8_t> b;
        auto u32 = [&](uint32_t v) {
            for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
        };
        auto u16 = [&](uint16_t v) {
            b.push_back(uint8_t(v));
            b.push_back(uint8_t(v >> 8));
        };
        b.insert(b.end(), {'R', 'I', 'F', 'F'});
        u32(36 + samples);
        b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
        u32(16), u16(1), u16(1), u32(11025), u32(11025), u16(1), u16(8);
        b.insert(b.end(), {'d', 'a', 't', 'a'});
        u32(samples);
        for (uint32_t i = 0; i < samples; ++i) b.push_back(uint8_t(128 + ((i / 8) % 2 ? 40 : -40)));
        Bytes(rel, b);
    }

private:
    std::string dir_;
};

// Every error as "file:line: message", one per line, for failure output.
inline std::string ErrorText(const CLineErrors& errors) {
    std::string out;
    for (const FileLineError& e : errors.List()) out += e.Text() + "\n";
    return out;
}

struct Loaded {
    CGameData data;
    CGameResources res;
    std::string error;
    bool ok = false;
};

// Loads a packed game as the runner does: header pass, variable links, main pass,
// function links.
inline std::unique_ptr<Loaded> LoadGame(const GameDataDesc& desc) {
    auto l = std::make_unique<Loaded>();
    std::string error;
    std::vector<uint8_t> bytes = DataFile_Write(desc, &error);
    if (bytes.empty()) {
        l->error = "writer: " + error;
        return l;
    }
    Variable_RegisterBuiltins();
    Function_InstallNames();
    Function_RegisterAll();
    l->data = CGameData(std::move(bytes));
    l->ok = DataFile_HeaderPass(l->data, l->res, l->error) && VM_LinkVariables(l->data, l->res, l->error) &&
            DataFile_MainPass(l->data, l->res, l->error) && VM_LinkFunctions(l->data, l->res, l->error);
    return l;
}

}  // namespace pack_test
