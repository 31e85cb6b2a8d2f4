#include "function/function_d3d.h"

#include <cmath>
#include <iterator>
#include <string>

#include "data/error.h"
#include "graphics/d3d.h"
#include "graphics/d3d_model.h"
#include "graphics/graphics.h"
#include "io/file_paths.h"
#include "value/args.h"

namespace {

#define D3D_FN(name) void name(CValue& result, CInstance*, CInstance*, int argc, CValue* args)
#define UNUSED_ARGS (void)result, (void)argc, (void)args

// --- mode and state ---------------------------------------------------------------------------

D3D_FN(F_Start) {
    UNUSED_ARGS;
    D3D_Start();
}
D3D_FN(F_End) {
    UNUSED_ARGS;
    D3D_End();
}
D3D_FN(F_SetPerspective) {
    UNUSED_ARGS;
    Graphics_SetPerspective(Arg_Bool(argc, args, 0));
}
D3D_FN(F_SetHidden) {
    UNUSED_ARGS;
    Graphics_SetHiddenSurface(Arg_Bool(argc, args, 0));
}
D3D_FN(F_SetDepth) {
    UNUSED_ARGS;
    Graphics_SetDepth(Arg_Float(argc, args, 0));
}
D3D_FN(F_SetLighting) {
    UNUSED_ARGS;
    Graphics_SetLighting(Arg_Bool(argc, args, 0));
}
D3D_FN(F_SetShading) {
    UNUSED_ARGS;
    Graphics_SetShading(Arg_Bool(argc, args, 0));
}
D3D_FN(F_SetCulling) {
    UNUSED_ARGS;
    Graphics_SetCulling(Arg_Bool(argc, args, 0));
}
D3D_FN(F_SetFog) {
    UNUSED_ARGS;
    Graphics_SetFog(Arg_Bool(argc, args, 0), Arg_Colour(argc, args, 1), Arg_Float(argc, args, 2),
                    Arg_Float(argc, args, 3));
}

// --- projections --------------------------------------------------------------------------------

D3D_FN(F_SetProjection) {
    UNUSED_ARGS;
    double a[9];
    for (int i = 0; i < 9; ++i) a[i] = Arg_Real(argc, args, i);
    D3D_SetProjection(a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7], a[8]);
}
D3D_FN(F_SetProjectionExt) {
    UNUSED_ARGS;
    double a[13];
    for (int i = 0; i < 13; ++i) a[i] = Arg_Real(argc, args, i);
    D3D_SetProjectionExt(a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7], a[8], a[9], a[10], a[11], a[12]);
}
D3D_FN(F_SetProjectionOrtho) {
    UNUSED_ARGS;
    D3D_SetProjectionOrtho(Arg_Real(argc, args, 0), Arg_Real(argc, args, 1), Arg_Real(argc, args, 2),
                           Arg_Real(argc, args, 3), Arg_Real(argc, args, 4));
}
D3D_FN(F_SetProjectionPerspective) {
    UNUSED_ARGS;
    D3D_SetProjectionPerspective(Arg_Real(argc, args, 0), Arg_Real(argc, args, 1), Arg_Real(argc, args, 2),
                                 Arg_Real(argc, args, 3), Arg_Real(argc, args, 4));
}

// --- transforms ----------------------------------------------------------------------------------

CD3DMatrix Translation(int argc, const CValue* args) {
    return D3D_Translation(Arg_Real(argc, args, 0), Arg_Real(argc, args, 1), Arg_Real(argc, args, 2));
}
CD3DMatrix Scaling(int argc, const CValue* args) {
    return D3D_Scaling(Arg_Real(argc, args, 0), Arg_Real(argc, args, 1), Arg_Real(argc, args, 2));
}
CD3DMatrix Axis(int argc, const CValue* args) {
    return D3D_RotationAxis(Arg_Real(argc, args, 0), Arg_Real(argc, args, 1), Arg_Real(argc, args, 2),
                            Arg_Real(argc, args, 3));
}

D3D_FN(F_SetIdentity) {
    UNUSED_ARGS;
    D3D_TransformSet(D3D_Identity());
}
D3D_FN(F_SetTranslation) {
    UNUSED_ARGS;
    D3D_TransformSet(Translation(argc, args));
}
D3D_FN(F_SetScaling) {
    UNUSED_ARGS;
    D3D_TransformSet(Scaling(argc, args));
}
D3D_FN(F_SetRotationX) {
    UNUSED_ARGS;
    D3D_TransformSet(D3D_RotationAxis(1, 0, 0, Arg_Real(argc, args, 0)));
}
D3D_FN(F_SetRotationY) {
    UNUSED_ARGS;
    D3D_TransformSet(D3D_RotationAxis(0, 1, 0, Arg_Real(argc, args, 0)));
}
D3D_FN(F_SetRotationZ) {
    UNUSED_ARGS;
    D3D_TransformSet(D3D_RotationAxis(0, 0, 1, Arg_Real(argc, args, 0)));
}
D3D_FN(F_SetRotationAxis) {
    UNUSED_ARGS;
    D3D_TransformSet(Axis(argc, args));
}
D3D_FN(F_AddTranslation) {
    UNUSED_ARGS;
    D3D_TransformAdd(Translation(argc, args));
}
D3D_FN(F_AddScaling) {
    UNUSED_ARGS;
    D3D_TransformAdd(Scaling(argc, args));
}
D3D_FN(F_AddRotationX) {
    UNUSED_ARGS;
    D3D_TransformAdd(D3D_RotationAxis(1, 0, 0, Arg_Real(argc, args, 0)));
}
D3D_FN(F_AddRotationY) {
    UNUSED_ARGS;
    D3D_TransformAdd(D3D_RotationAxis(0, 1, 0, Arg_Real(argc, args, 0)));
}
D3D_FN(F_AddRotationZ) {
    UNUSED_ARGS;
    D3D_TransformAdd(D3D_RotationAxis(0, 0, 1, Arg_Real(argc, args, 0)));
}
D3D_FN(F_AddRotationAxis) {
    UNUSED_ARGS;
    D3D_TransformAdd(Axis(argc, args));
}

D3D_FN(F_StackClear) {
    UNUSED_ARGS;
    D3D_StackClear();
}
D3D_FN(F_StackEmpty) {
    UNUSED_ARGS;
    result.SetReal(D3D_StackEmpty() ? 1 : 0);
}
D3D_FN(F_StackPush) {
    UNUSED_ARGS;
    result.SetReal(D3D_StackPush() ? 1 : 0);
}
D3D_FN(F_StackPop) {
    UNUSED_ARGS;
    result.SetReal(D3D_StackPop() ? 1 : 0);
}
D3D_FN(F_StackTop) {
    UNUSED_ARGS;
    result.SetReal(D3D_StackTop() ? 1 : 0);
}
D3D_FN(F_StackDiscard) {
    UNUSED_ARGS;
    result.SetReal(D3D_StackDiscard() ? 1 : 0);
}

// --- lights --------------------------------------------------------------------------------------

D3D_FN(F_LightAmbient) {
    UNUSED_ARGS;
    D3D_LightAmbient(Arg_Colour(argc, args, 0));
}
D3D_FN(F_LightDirection) {
    UNUSED_ARGS;
    D3D_LightDirection(Arg_Int(argc, args, 0), Arg_Real(argc, args, 1), Arg_Real(argc, args, 2),
                       Arg_Real(argc, args, 3), Arg_Colour(argc, args, 4));
}
D3D_FN(F_LightPoint) {
    UNUSED_ARGS;
    D3D_LightPoint(Arg_Int(argc, args, 0), Arg_Real(argc, args, 1), Arg_Real(argc, args, 2), Arg_Real(argc, args, 3),
                   Arg_Real(argc, args, 4), Arg_Colour(argc, args, 5));
}
D3D_FN(F_LightEnable) {
    UNUSED_ARGS;
    D3D_LightEnable(Arg_Int(argc, args, 0), Arg_Bool(argc, args, 1));
}

// --- primitives ----------------------------------------------------------------------------------

D3D_FN(F_PrimitiveBegin) {
    UNUSED_ARGS;
    D3D_PrimitiveBegin(Arg_Int(argc, args, 0), -1);
}
D3D_FN(F_PrimitiveBeginTexture) {
    UNUSED_ARGS;
    D3D_PrimitiveBegin(Arg_Int(argc, args, 0), Arg_Int(argc, args, 1));
}
D3D_FN(F_PrimitiveEnd) {
    UNUSED_ARGS;
    D3D_PrimitiveEnd();
}

// The argument layouts of the vertex functions, shared with the model builders.
enum : int { kHasNormal = 1, kHasTexture = 2, kHasColour = 4 };

// A vertex from arguments starting at `first`; without a colour of its own it takes the
// current colour and alpha now.
CD3DVertex VertexArgs(int argc, const CValue* args, int first, int layout) {
    CD3DVertex v;
    int k = first;
    v.x = Arg_Float(argc, args, k), v.y = Arg_Float(argc, args, k + 1), v.z = Arg_Float(argc, args, k + 2);
    k += 3;
    if (layout & kHasNormal) {
        v.nx = Arg_Float(argc, args, k), v.ny = Arg_Float(argc, args, k + 1), v.nz = Arg_Float(argc, args, k + 2);
        k += 3;
    }
    if (layout & kHasTexture) {
        v.u = Arg_Float(argc, args, k), v.v = Arg_Float(argc, args, k + 1);
        k += 2;
    }
    v.colour = (layout & kHasColour)
                   ? Colour_ToDevice(Arg_Colour(argc, args, k), Alpha_ToByte(Arg_Real(argc, args, k + 1)))
                   : Graphics_ColourDevice();
    v.ownColour = true;
    return v;
}

template <int Layout>
D3D_FN(F_Vertex) {
    UNUSED_ARGS;
    D3D_PrimitiveVertex(VertexArgs(argc, args, 0, Layout));
}

// --- shapes --------------------------------------------------------------------------------------

void DrawShape(const TD3DMeshes& meshes, int texture) { D3D_DrawMeshes(meshes, texture, Graphics_ColourDevice()); }

D3D_FN(F_DrawBlock) {
    UNUSED_ARGS;
    TD3DMeshes m;
    D3D_ShapeBlock(m, Arg_Real(argc, args, 0), Arg_Real(argc, args, 1), Arg_Real(argc, args, 2),
                   Arg_Real(argc, args, 3), Arg_Real(argc, args, 4), Arg_Real(argc, args, 5), Arg_Real(argc, args, 7),
                   Arg_Real(argc, args, 8));
    DrawShape(m, Arg_Int(argc, args, 6));
}
D3D_FN(F_DrawCylinder) {
    UNUSED_ARGS;
    TD3DMeshes m;
    D3D_ShapeCylinder(m, Arg_Real(argc, args, 0), Arg_Real(argc, args, 1), Arg_Real(argc, args, 2),
                      Arg_Real(argc, args, 3), Arg_Real(argc, args, 4), Arg_Real(argc, args, 5),
                      Arg_Real(argc, args, 7), Arg_Real(argc, args, 8), Arg_Bool(argc, args, 9),
                      Arg_Int(argc, args, 10));
    DrawShape(m, Arg_Int(argc, args, 6));
}
D3D_FN(F_DrawCone) {
    UNUSED_ARGS;
    TD3DMeshes m;
    D3D_ShapeCone(m, Arg_Real(argc, args, 0), Arg_Real(argc, args, 1), Arg_Real(argc, args, 2), Arg_Real(argc, args, 3),
                  Arg_Real(argc, args, 4), Arg_Real(argc, args, 5), Arg_Real(argc, args, 7), Arg_Real(argc, args, 8),
                  Arg_Bool(argc, args, 9), Arg_Int(argc, args, 10));
    DrawShape(m, Arg_Int(argc, args, 6));
}
D3D_FN(F_DrawEllipsoid) {
    UNUSED_ARGS;
    TD3DMeshes m;
    D3D_ShapeEllipsoid(m, Arg_Real(argc, args, 0), Arg_Real(argc, args, 1), Arg_Real(argc, args, 2),
                       Arg_Real(argc, args, 3), Arg_Real(argc, args, 4), Arg_Real(argc, args, 5),
                       Arg_Real(argc, args, 7), Arg_Real(argc, args, 8), Arg_Int(argc, args, 9));
    DrawShape(m, Arg_Int(argc, args, 6));
}
D3D_FN(F_DrawWall) {
    UNUSED_ARGS;
    TD3DMeshes m;
    D3D_ShapeWall(m, Arg_Real(argc, args, 0), Arg_Real(argc, args, 1), Arg_Real(argc, args, 2), Arg_Real(argc, args, 3),
                  Arg_Real(argc, args, 4), Arg_Real(argc, args, 5), Arg_Real(argc, args, 7), Arg_Real(argc, args, 8));
    DrawShape(m, Arg_Int(argc, args, 6));
}
D3D_FN(F_DrawFloor) {
    UNUSED_ARGS;
    TD3DMeshes m;
    D3D_ShapeFloor(m, Arg_Real(argc, args, 0), Arg_Real(argc, args, 1), Arg_Real(argc, args, 2),
                   Arg_Real(argc, args, 3), Arg_Real(argc, args, 4), Arg_Real(argc, args, 5), Arg_Real(argc, args, 7),
                   Arg_Real(argc, args, 8));
    DrawShape(m, Arg_Int(argc, args, 6));
}

// --- models --------------------------------------------------------------------------------------

CD3DModel* ModelArg(int argc, const CValue* args) {
    CD3DModel* m = D3DModel_Get(Arg_Int(argc, args, 0));
    if (!m) Code_ShowError("Trying to use non-existing model.", false);
    return m;
}

D3D_FN(F_ModelCreate) {
    UNUSED_ARGS;
    result.SetReal(D3DModel_Create());
}
D3D_FN(F_ModelDestroy) {
    UNUSED_ARGS;
    if (!D3DModel_Destroy(Arg_Int(argc, args, 0))) Code_ShowError("Trying to use non-existing model.", false);
}
D3D_FN(F_ModelClear) {
    UNUSED_ARGS;
    if (CD3DModel* m = ModelArg(argc, args)) m->Clear();
}

D3D_FN(F_ModelSave) {
    UNUSED_ARGS;
    CD3DModel* m = ModelArg(argc, args);
    if (!m) return;
    const std::string name(Arg_Text(argc, args, 1));
    if (name.empty()) return Code_ShowError("d3d_model_save(): empty file name.", false);
    std::string path, error;
    if (!FilePaths_ForWriting(name, path)) return;
    if (!D3DModel_Save(*m, path, error)) return Code_ShowError("d3d_model_save(): " + error, false);
    result.SetReal(1);
}

D3D_FN(F_ModelLoad) {
    UNUSED_ARGS;
    CD3DModel* m = ModelArg(argc, args);
    if (!m) return;
    const std::string name(Arg_Text(argc, args, 1));
    if (name.empty()) return Code_ShowError("d3d_model_load(): empty file name.", false);
    std::string error;
    if (!D3DModel_Load(*m, FilePaths_Resolve(name), error)) return Code_ShowError("d3d_model_load(): " + error, false);
    result.SetReal(1);
}

D3D_FN(F_ModelDraw) {
    UNUSED_ARGS;
    if (const CD3DModel* m = ModelArg(argc, args))
        D3DModel_Draw(*m, Arg_Real(argc, args, 1), Arg_Real(argc, args, 2), Arg_Real(argc, args, 3),
                      Arg_Int(argc, args, 4));
}

// Every builder: the model, then the command's numbers in order.
template <ED3DCommand Op>
D3D_FN(F_ModelAdd) {
    UNUSED_ARGS;
    CD3DModel* m = ModelArg(argc, args);
    if (!m) return;
    const int n = D3DCommand_ArgCount(Op);
    double a[kD3DCommandMaxArgs] = {};
    for (int i = 0; i < n; ++i) a[i] = Arg_Real(argc, args, i + 1);
    m->Add(Op, a, n);
}

#undef D3D_FN
#undef UNUSED_ARGS

}  // namespace

const FunctionImpl kD3DFunctions[] = {
    {"d3d_start", F_Start},
    {"d3d_end", F_End},
    {"d3d_set_perspective", F_SetPerspective},
    {"d3d_set_hidden", F_SetHidden},
    {"d3d_set_depth", F_SetDepth},
    {"d3d_set_lighting", F_SetLighting},
    {"d3d_set_shading", F_SetShading},
    {"d3d_set_fog", F_SetFog},
    {"d3d_set_culling", F_SetCulling},
    {"d3d_primitive_begin", F_PrimitiveBegin},
    {"d3d_primitive_begin_texture", F_PrimitiveBeginTexture},
    {"d3d_primitive_end", F_PrimitiveEnd},
    {"d3d_vertex", F_Vertex<0>},
    {"d3d_vertex_color", F_Vertex<kHasColour>},
    {"d3d_vertex_texture", F_Vertex<kHasTexture>},
    {"d3d_vertex_texture_color", F_Vertex<kHasTexture | kHasColour>},
    {"d3d_vertex_normal", F_Vertex<kHasNormal>},
    {"d3d_vertex_normal_color", F_Vertex<kHasNormal | kHasColour>},
    {"d3d_vertex_normal_texture", F_Vertex<kHasNormal | kHasTexture>},
    {"d3d_vertex_normal_texture_color", F_Vertex<kHasNormal | kHasTexture | kHasColour>},
    {"d3d_draw_block", F_DrawBlock},
    {"d3d_draw_cylinder", F_DrawCylinder},
    {"d3d_draw_cone", F_DrawCone},
    {"d3d_draw_ellipsoid", F_DrawEllipsoid},
    {"d3d_draw_wall", F_DrawWall},
    {"d3d_draw_floor", F_DrawFloor},
    {"d3d_set_projection", F_SetProjection},
    {"d3d_set_projection_ext", F_SetProjectionExt},
    {"d3d_set_projection_ortho", F_SetProjectionOrtho},
    {"d3d_set_projection_perspective", F_SetProjectionPerspective},
    {"d3d_transform_set_identity", F_SetIdentity},
    {"d3d_transform_set_translation", F_SetTranslation},
    {"d3d_transform_set_scaling", F_SetScaling},
    {"d3d_transform_set_rotation_x", F_SetRotationX},
    {"d3d_transform_set_rotation_y", F_SetRotationY},
    {"d3d_transform_set_rotation_z", F_SetRotationZ},
    {"d3d_transform_set_rotation_axis", F_SetRotationAxis},
    {"d3d_transform_add_translation", F_AddTranslation},
    {"d3d_transform_add_scaling", F_AddScaling},
    {"d3d_transform_add_rotation_x", F_AddRotationX},
    {"d3d_transform_add_rotation_y", F_AddRotationY},
    {"d3d_transform_add_rotation_z", F_AddRotationZ},
    {"d3d_transform_add_rotation_axis", F_AddRotationAxis},
    {"d3d_transform_stack_clear", F_StackClear},
    {"d3d_transform_stack_empty", F_StackEmpty},
    {"d3d_transform_stack_push", F_StackPush},
    {"d3d_transform_stack_pop", F_StackPop},
    {"d3d_transform_stack_top", F_StackTop},
    {"d3d_transform_stack_discard", F_StackDiscard},
    {"d3d_light_define_ambient", F_LightAmbient},
    {"d3d_light_define_direction", F_LightDirection},
    {"d3d_light_define_point", F_LightPoint},
    {"d3d_light_enable", F_LightEnable},
    {"d3d_model_create", F_ModelCreate},
    {"d3d_model_destroy", F_ModelDestroy},
    {"d3d_model_clear", F_ModelClear},
    {"d3d_model_load", F_ModelLoad},
    {"d3d_model_save", F_ModelSave},
    {"d3d_model_draw", F_ModelDraw},
    {"d3d_model_primitive_begin", F_ModelAdd<ED3DCommand::Begin>},
    {"d3d_model_primitive_end", F_ModelAdd<ED3DCommand::End>},
    {"d3d_model_vertex", F_ModelAdd<ED3DCommand::Vertex>},
    {"d3d_model_vertex_color", F_ModelAdd<ED3DCommand::VertexColor>},
    {"d3d_model_vertex_texture", F_ModelAdd<ED3DCommand::VertexTexture>},
    {"d3d_model_vertex_texture_color", F_ModelAdd<ED3DCommand::VertexTextureColor>},
    {"d3d_model_vertex_normal", F_ModelAdd<ED3DCommand::VertexNormal>},
    {"d3d_model_vertex_normal_color", F_ModelAdd<ED3DCommand::VertexNormalColor>},
    {"d3d_model_vertex_normal_texture", F_ModelAdd<ED3DCommand::VertexNormalTexture>},
    {"d3d_model_vertex_normal_texture_color", F_ModelAdd<ED3DCommand::VertexNormalTextureColor>},
    {"d3d_model_block", F_ModelAdd<ED3DCommand::Block>},
    {"d3d_model_cylinder", F_ModelAdd<ED3DCommand::Cylinder>},
    {"d3d_model_cone", F_ModelAdd<ED3DCommand::Cone>},
    {"d3d_model_ellipsoid", F_ModelAdd<ED3DCommand::Ellipsoid>},
    {"d3d_model_wall", F_ModelAdd<ED3DCommand::Wall>},
    {"d3d_model_floor", F_ModelAdd<ED3DCommand::Floor>},
};
const size_t kD3DFunctionCount = std::size(kD3DFunctions);
