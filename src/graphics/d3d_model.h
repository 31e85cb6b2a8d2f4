#pragma once
// 3-D models: lists of building commands (primitives vertex by vertex, and shapes)
// kept by id, drawn at an offset with a texture, and saved to and loaded from a
// plain-text file.
//
// The model file. Text, one command per line, numbers separated by spaces or tabs:
//
//   zorvex-model 1                      the header: the format's name and version
//   begin KIND                          a primitive of kind 1..6 (point list .. fan)
//   vertex X Y Z
//   vertex_color X Y Z COLOUR ALPHA     COLOUR as scripts give it (0xBBGGRR)
//   vertex_texture X Y Z U V
//   vertex_texture_color X Y Z U V COLOUR ALPHA
//   vertex_normal X Y Z NX NY NZ
//   vertex_normal_color X Y Z NX NY NZ COLOUR ALPHA
//   vertex_normal_texture X Y Z NX NY NZ U V
//   vertex_normal_texture_color X Y Z NX NY NZ U V COLOUR ALPHA
//   end                                 the primitive is complete
//   block X1 Y1 Z1 X2 Y2 Z2 HREPEAT VREPEAT
//   cylinder X1 Y1 Z1 X2 Y2 Z2 HREPEAT VREPEAT CLOSED STEPS
//   cone X1 Y1 Z1 X2 Y2 Z2 HREPEAT VREPEAT CLOSED STEPS
//   ellipsoid X1 Y1 Z1 X2 Y2 Z2 HREPEAT VREPEAT STEPS
//   wall X1 Y1 Z1 X2 Y2 Z2 HREPEAT VREPEAT
//   floor X1 Y1 Z1 X2 Y2 Z2 HREPEAT VREPEAT
//
// Numbers are written with 17 significant digits, so saving and loading gives back
// exactly the same commands. Empty lines and lines starting with "#" are skipped.
// Loading checks everything (header, command names, the count of numbers on each
// line, that every number is a finite decimal number, a primitive kind of 1..6, line
// and file sizes) and refuses the whole file with a message naming the line on the
// first fault; the model is then left as it was.
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "graphics/d3d.h"

enum class ED3DCommand : int {
    Begin,
    End,
    Vertex,
    VertexColor,
    VertexTexture,
    VertexTextureColor,
    VertexNormal,
    VertexNormalColor,
    VertexNormalTexture,
    VertexNormalTextureColor,
    Block,
    Cylinder,
    Cone,
    Ellipsoid,
    Wall,
    Floor,
    Count
};
constexpr int kD3DCommandMaxArgs = 10;

struct CD3DCommand {
    ED3DCommand op = ED3DCommand::End;
    std::array<double, kD3DCommandMaxArgs> args{};
    bool operator==(const CD3DCommand&) const = default;
};

// The file's keyword and the count of numbers of a command.
const char* D3DCommand_Name(ED3DCommand op);
int D3DCommand_ArgCount(ED3DCommand op);

constexpr int kD3DModelMaxCommands = 1000000;
constexpr size_t kD3DModelMaxFileBytes = 64u << 20;
constexpr size_t kD3DModelMaxLine = 4096;

class CD3DModel {
public:
    // Non-finite numbers are stored as 0, so that whatever is built can be saved.
    // False (nothing added) when the model holds kD3DModelMaxCommands already or the
    // count of numbers is wrong.
    bool Add(ED3DCommand op, const double* args, int count);
    void Clear();
    const std::vector<CD3DCommand>& Commands() const { return commands_; }
    // The geometry the commands make (built on first use after a change).
    const TD3DMeshes& Meshes() const;
    // Text as described above, and back; FromText replaces the commands only when the
    // whole text is sound, else gives the reason in `error`.
    std::string ToText() const;
    bool FromText(std::string_view text, std::string& error);

private:
    std::vector<CD3DCommand> commands_;
    mutable TD3DMeshes meshes_;
    mutable bool built_ = false;
};

// The id table: the first free slot is handed out.
int D3DModel_Create();
bool D3DModel_Destroy(int id);
CD3DModel* D3DModel_Get(int id);
void D3DModel_DestroyAll();

// Files at a resolved path; false with the reason in `error`.
bool D3DModel_Save(const CD3DModel& model, const std::string& path, std::string& error);
bool D3DModel_Load(CD3DModel& model, const std::string& path, std::string& error);

// At (x, y, z) in model space (before the world transform), with a texture id or -1;
// vertices without a colour of their own take the current colour and alpha.
void D3DModel_Draw(const CD3DModel& model, double x, double y, double z, int texture);
