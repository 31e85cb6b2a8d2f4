// 3-D models: the command list, the geometry it makes, the file form and the id table.
#include "graphics/d3d_model.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>

#include "graphics/graphics.h"
#include "value/value.h"

namespace {

struct TCommandInfo {
    const char* name;
    int args;
};
constexpr TCommandInfo kCommands[] = {
    {"begin", 1},
    {"end", 0},
    {"vertex", 3},
    {"vertex_color", 5},
    {"vertex_texture", 5},
    {"vertex_texture_color", 7},
    {"vertex_normal", 6},
    {"vertex_normal_color", 8},
    {"vertex_normal_texture", 8},
    {"vertex_normal_texture_color", 10},
    {"block", 8},
    {"cylinder", 10},
    {"cone", 10},
    {"ellipsoid", 9},
    {"wall", 8},
    {"floor", 8},
};
static_assert(std::size(kCommands) == size_t(ED3DCommand::Count));

constexpr const char* kHeader = "zorvex-model";
constexpr int kVersion = 1;

// Script colours as numbers: rounded, whatever lies above 24 bits dropped.
uint32_t ColourOf(double v) {
    v = std::nearbyint(v);
    if (!std::isfinite(v)) return 0;
    return uint32_t(int64_t(std::fmod(v, 4294967296.0))) & 0xFFFFFF;
}

int Round(double v) {
    v = std::nearbyint(v);
    if (!(v > -2147483648.0 && v < 2147483647.0)) return v > 0 ? 2147483647 : -2147483647;
    return int(v);
}

// A vertex command's numbers: position, then normal, texture and colour as the
// command has them.
CD3DVertex VertexOf(ED3DCommand op, const double* a) {
    CD3DVertex v;
    v.x = float(a[0]), v.y = float(a[1]), v.z = float(a[2]);
    int k = 3;
    const bool normal = op == ED3DCommand::VertexNormal || op == ED3DCommand::VertexNormalColor ||
                        op == ED3DCommand::VertexNormalTexture || op == ED3DCommand::VertexNormalTextureColor;
    const bool texture = op == ED3DCommand::VertexTexture || op == ED3DCommand::VertexTextureColor ||
                         op == ED3DCommand::VertexNormalTexture || op == ED3DCommand::VertexNormalTextureColor;
    const bool colour = op == ED3DCommand::VertexColor || op == ED3DCommand::VertexTextureColor ||
                        op == ED3DCommand::VertexNormalColor || op == ED3DCommand::VertexNormalTextureColor;
    if (normal) v.nx = float(a[k]), v.ny = float(a[k + 1]), v.nz = float(a[k + 2]), k += 3;
    if (texture) v.u = float(a[k]), v.v = float(a[k + 1]), k += 2;
    if (colour) {
        v.colour = Colour_ToDevice(ColourOf(a[k]), Alpha_ToByte(a[k + 1]));
        v.ownColour = true;
    }
    return v;
}

void Build(const std::vector<CD3DCommand>& commands, TD3DMeshes& out) {
    out.clear();
    bool open = false;
    CD3DMesh mesh;
    for (const CD3DCommand& c : commands) {
        const double* a = c.args.data();
        switch (c.op) {
        case ED3DCommand::Begin:
            open = true;
            mesh.primitive = Round(a[0]);
            mesh.vertices.clear();
            break;
        case ED3DCommand::End:
            if (open && !mesh.vertices.empty()) out.push_back(mesh);
            open = false;
            mesh.vertices.clear();
            break;
        case ED3DCommand::Block: D3D_ShapeBlock(out, a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7]); break;
        case ED3DCommand::Cylinder:
            D3D_ShapeCylinder(out, a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7], Real_IsTrue(a[8]), Round(a[9]));
            break;
        case ED3DCommand::Cone:
            D3D_ShapeCone(out, a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7], Real_IsTrue(a[8]), Round(a[9]));
            break;
        case ED3DCommand::Ellipsoid:
            D3D_ShapeEllipsoid(out, a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7], Round(a[8]));
            break;
        case ED3DCommand::Wall: D3D_ShapeWall(out, a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7]); break;
        case ED3DCommand::Floor: D3D_ShapeFloor(out, a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7]); break;
        case ED3DCommand::Count: break;
        default:
            if (open && int(mesh.vertices.size()) < kD3DPrimitiveLimit) mesh.vertices.push_back(VertexOf(c.op, a));
            break;
        }
    }
}

std::string LineError(size_t line, const std::string& what) { return "line " + std::to_string(line) + ": " + what; }

// A whole token as a finite number.
bool ParseNumber(const std::string& token, double& out) {
    if (token.empty() || token.size() > 64) return false;
    for (char ch : token)
        if (!(std::isdigit(static_cast<unsigned char>(ch)) || ch == '-' || ch == '+' || ch == '.' || ch == 'e' ||
              ch == 'E'))
            return false;
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(token.c_str(), &end);
    if (end != token.c_str() + token.size() || !std::isfinite(v)) return false;
    out = v;
    return true;
}

std::vector<std::string> Tokens(std::string_view line) {
    std::vector<std::string> out;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        size_t j = i;
        while (j < line.size() && line[j] != ' ' && line[j] != '\t') ++j;
        if (j > i) out.emplace_back(line.substr(i, j - i));
        i = j;
    }
    return out;
}

std::vector<std::unique_ptr<CD3DModel>> g_models;

}  // namespace

const char* D3DCommand_Name(ED3DCommand op) {
    const int i = int(op);
    return i >= 0 && i < int(ED3DCommand::Count) ? kCommands[i].name : "";
}
int D3DCommand_ArgCount(ED3DCommand op) {
    const int i = int(op);
    return i >= 0 && i < int(ED3DCommand::Count) ? kCommands[i].args : -1;
}

bool CD3DModel::Add(ED3DCommand op, const double* args, int count) {
    if (count != D3DCommand_ArgCount(op) || int(commands_.size()) >= kD3DModelMaxCommands) return false;
    CD3DCommand c;
    c.op = op;
    for (int i = 0; i < count; ++i) c.args[size_t(i)] = std::isfinite(args[i]) ? args[i] : 0.0;
    commands_.push_back(c);
    built_ = false;
    return true;
}

void CD3DModel::Clear() {
    commands_.clear();
    meshes_.clear();
    built_ = false;
}

const TD3DMeshes& CD3DModel::Meshes() const {
    if (!built_) {
        Build(commands_, meshes_);
        built_ = true;
    }
    return meshes_;
}

std::string CD3DModel::ToText() const {
    std::string s = std::string(kHeader) + " " + std::to_string(kVersion) + "\n";
    char number[40];
    for (const CD3DCommand& c : commands_) {
        s += D3DCommand_Name(c.op);
        for (int i = 0; i < D3DCommand_ArgCount(c.op); ++i) {
            std::snprintf(number, sizeof number, " %.17g", c.args[size_t(i)]);
            s += number;
        }
        s += '\n';
    }
    return s;
}

bool CD3DModel::FromText(std::string_view text, std::string& error) {
    if (text.size() > kD3DModelMaxFileBytes) {
        error = "the file is larger than " + std::to_string(kD3DModelMaxFileBytes) + " bytes";
        return false;
    }
    std::vector<CD3DCommand> commands;
    bool header = false;
    size_t lineNumber = 0, at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(at, end - at);
        at = end + 1;
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.size() > kD3DModelMaxLine) {
            error = LineError(lineNumber, "longer than " + std::to_string(kD3DModelMaxLine) + " characters");
            return false;
        }
        if (line.find('\0') != std::string_view::npos) {
            error = LineError(lineNumber, "not text (a zero byte)");
            return false;
        }
        const std::vector<std::string> tokens = Tokens(line);
        if (tokens.empty() || tokens[0][0] == '#') continue;
        if (!header) {
            if (tokens.size() != 2 || tokens[0] != kHeader) {
                error = LineError(lineNumber, std::string("not a model file (expected \"") + kHeader + " " +
                                                  std::to_string(kVersion) + "\")");
                return false;
            }
            if (tokens[1] != std::to_string(kVersion)) {
                error = LineError(lineNumber, "unsupported model version \"" + tokens[1] + "\" (this runner reads " +
                                                  std::to_string(kVersion) + ")");
                return false;
            }
            header = true;
            continue;
        }
        int op = 0;
        while (op < int(ED3DCommand::Count) && tokens[0] != kCommands[op].name) ++op;
        if (op == int(ED3DCommand::Count)) {
            error = LineError(lineNumber, "unknown command \"" + tokens[0].substr(0, 64) + "\"");
            return false;
        }
        const int want = kCommands[op].args;
        if (int(tokens.size()) - 1 != want) {
            error = LineError(lineNumber, "\"" + tokens[0] + "\" takes " + std::to_string(want) + " number" +
                                              (want == 1 ? "" : "s") + ", found " + std::to_string(tokens.size() - 1));
            return false;
        }
        if (int(commands.size()) >= kD3DModelMaxCommands) {
            error = LineError(lineNumber, "more than " + std::to_string(kD3DModelMaxCommands) + " commands");
            return false;
        }
        CD3DCommand c;
        c.op = ED3DCommand(op);
        for (int i = 0; i < want; ++i)
            if (!ParseNumber(tokens[size_t(i) + 1], c.args[size_t(i)])) {
                error = LineError(lineNumber, "\"" + tokens[size_t(i) + 1].substr(0, 64) + "\" is not a number");
                return false;
            }
        if (c.op == ED3DCommand::Begin && !(c.args[0] >= 1 && c.args[0] <= 6 && c.args[0] == std::floor(c.args[0]))) {
            error = LineError(lineNumber, "primitive kind " + tokens[1] + " is not 1 to 6");
            return false;
        }
        commands.push_back(c);
    }
    if (!header) {
        error = "empty file (no model header)";
        return false;
    }
    commands_ = std::move(commands);
    meshes_.clear();
    built_ = false;
    return true;
}

int D3DModel_Create() {
    for (size_t i = 0; i < g_models.size(); ++i)
        if (!g_models[i]) {
            g_models[i] = std::make_unique<CD3DModel>();
            return int(i);
        }
    g_models.push_back(std::make_unique<CD3DModel>());
    return int(g_models.size()) - 1;
}

bool D3DModel_Destroy(int id) {
    if (!D3DModel_Get(id)) return false;
    g_models[size_t(id)].reset();
    return true;
}

CD3DModel* D3DModel_Get(int id) {
    return id >= 0 && size_t(id) < g_models.size() ? g_models[size_t(id)].get() : nullptr;
}

void D3DModel_DestroyAll() { g_models.clear(); }

bool D3DModel_Save(const CD3DModel& model, const std::string& path, std::string& error) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    if (!f) {
        error = "cannot open \"" + path + "\" for writing";
        return false;
    }
    const std::string text = model.ToText();
    f.write(text.data(), std::streamsize(text.size()));
    f.close();
    if (!f) {
        error = "cannot write \"" + path + "\"";
        return false;
    }
    return true;
}

bool D3DModel_Load(CD3DModel& model, const std::string& path, std::string& error) {
    std::ifstream f(path, std::ios::binary);
    if (!f) {
        error = "cannot open \"" + path + "\"";
        return false;
    }
    std::string text;
    char buffer[65536];
    while (f.read(buffer, sizeof buffer) || f.gcount() > 0) {
        text.append(buffer, size_t(f.gcount()));
        if (text.size() > kD3DModelMaxFileBytes) {
            error = "\"" + path + "\" is larger than " + std::to_string(kD3DModelMaxFileBytes) + " bytes";
            return false;
        }
    }
    if (f.bad()) {
        error = "cannot read \"" + path + "\"";
        return false;
    }
    if (!model.FromText(text, error)) {
        error = "\"" + path + "\": " + error;
        return false;
    }
    return true;
}

void D3DModel_Draw(const CD3DModel& model, double x, double y, double z, int texture) {
    const CD3DMatrix world = D3D_TransformGet();
    const bool moved = x != 0 || y != 0 || z != 0;
    if (moved) D3D_TransformSet(D3D_Multiply(D3D_Translation(x, y, z), world));
    D3D_DrawMeshes(model.Meshes(), texture, Graphics_ColourDevice());
    if (moved) D3D_TransformSet(world);
}
