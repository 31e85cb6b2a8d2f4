#include "function/function_shapes.h"

#include <cmath>
#include <iterator>

#include "graphics/graphics.h"
#include "graphics/shapes.h"
#include "value/args.h"
#include "value/value.h"

namespace {

// A colour argument with the current alpha, as the vertices want it.
uint32_t DeviceColour(int argc, const CValue* args, int i) {
    return Colour_ToDevice(Arg_Colour(argc, args, i), Graphics_AlphaByte());
}

#define A(i) Arg_Float(argc, args, i)

// --- shapes -----------------------------------------------------------------------------------

void F_DrawRectangle(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    const uint32_t c = Graphics_ColourDevice();
    Shapes_Rectangle(A(0), A(1), A(2), A(3), c, c, c, c, Arg_Bool(argc, args, 4));
}
void F_DrawRectangleColor(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    Shapes_Rectangle(A(0), A(1), A(2), A(3), DeviceColour(argc, args, 4), DeviceColour(argc, args, 5),
                     DeviceColour(argc, args, 6), DeviceColour(argc, args, 7), Arg_Bool(argc, args, 8));
}
void F_DrawRoundrect(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    const uint32_t c = Graphics_ColourDevice();
    Shapes_RoundRect(A(0), A(1), A(2), A(3), c, c, Arg_Bool(argc, args, 4));
}
void F_DrawRoundrectColor(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    Shapes_RoundRect(A(0), A(1), A(2), A(3), DeviceColour(argc, args, 4), DeviceColour(argc, args, 5),
                     Arg_Bool(argc, args, 6));
}
void F_DrawCircle(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    const float x = A(0), y = A(1), r = A(2);
    const uint32_t c = Graphics_ColourDevice();
    Shapes_Ellipse(x - r, y - r, x + r, y + r, c, c, Arg_Bool(argc, args, 3));
}
void F_DrawCircleColor(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    const float x = A(0), y = A(1), r = A(2);
    Shapes_Ellipse(x - r, y - r, x + r, y + r, DeviceColour(argc, args, 3), DeviceColour(argc, args, 4),
                   Arg_Bool(argc, args, 5));
}
void F_DrawEllipse(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    const uint32_t c = Graphics_ColourDevice();
    Shapes_Ellipse(A(0), A(1), A(2), A(3), c, c, Arg_Bool(argc, args, 4));
}
void F_DrawEllipseColor(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    Shapes_Ellipse(A(0), A(1), A(2), A(3), DeviceColour(argc, args, 4), DeviceColour(argc, args, 5),
                   Arg_Bool(argc, args, 6));
}
void F_DrawSetCirclePrecision(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    Shapes_SetCirclePrecision(Arg_Int(argc, args, 0));
}

void F_DrawPointColor(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    Shapes_Point(A(0), A(1), DeviceColour(argc, args, 2));
}
void F_DrawLineColor(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    Shapes_Line(A(0), A(1), A(2), A(3), DeviceColour(argc, args, 4), DeviceColour(argc, args, 5));
}
void F_DrawLineWidthColor(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    Shapes_LineWidth(A(0), A(1), A(2), A(3), A(4), DeviceColour(argc, args, 5), DeviceColour(argc, args, 6));
}
void F_DrawTriangleColor(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    Shapes_Triangle(A(0), A(1), A(2), A(3), A(4), A(5), DeviceColour(argc, args, 6), DeviceColour(argc, args, 7),
                    DeviceColour(argc, args, 8), Arg_Bool(argc, args, 9));
}

void F_DrawArrow(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    Shapes_Arrow(A(0), A(1), A(2), A(3), A(4), Graphics_ColourDevice());
}
void F_DrawButton(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    Shapes_Button(A(0), A(1), A(2), A(3), Arg_Bool(argc, args, 4), Graphics_ColourDevice());
}
// (x1, y1, x2, y2, amount, backcol, mincol, maxcol, direction, showback, showborder)
void F_DrawHealthbar(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    Shapes_Healthbar(A(0), A(1), A(2), A(3), Arg_Real(argc, args, 4), Arg_Colour(argc, args, 5),
                     Arg_Colour(argc, args, 6), Arg_Colour(argc, args, 7), Arg_Int(argc, args, 8),
                     Arg_Bool(argc, args, 9), Arg_Bool(argc, args, 10));
}

// --- the free-form primitive ------------------------------------------------------------------

void F_DrawPrimitiveBegin(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    Primitive_Begin(Arg_Int(argc, args, 0), -1);
}
void F_DrawPrimitiveBeginTexture(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    Primitive_Begin(Arg_Int(argc, args, 0), Arg_Int(argc, args, 1));
}
void F_DrawPrimitiveEnd(CValue&, CInstance*, CInstance*, int, CValue*) { Primitive_End(); }
void F_DrawVertex(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    Primitive_Vertex(A(0), A(1), Graphics_ColourDevice(), 0, 0);
}
void F_DrawVertexColor(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    Primitive_Vertex(A(0), A(1), Colour_ToDevice(Arg_Colour(argc, args, 2), Alpha_ToByte(Arg_Real(argc, args, 3))), 0,
                     0);
}
void F_DrawVertexTexture(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    Primitive_Vertex(A(0), A(1), Graphics_ColourDevice(), A(2), A(3));
}
void F_DrawVertexTextureColor(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    Primitive_Vertex(A(0), A(1), Colour_ToDevice(Arg_Colour(argc, args, 4), Alpha_ToByte(Arg_Real(argc, args, 5))),
                     A(2), A(3));
}

#undef A

}  // namespace

extern const FunctionImpl kShapeFunctions[] = {
    {"draw_rectangle", F_DrawRectangle},
    {"draw_rectangle_color", F_DrawRectangleColor},
    {"draw_roundrect", F_DrawRoundrect},
    {"draw_roundrect_color", F_DrawRoundrectColor},
    {"draw_circle", F_DrawCircle},
    {"draw_circle_color", F_DrawCircleColor},
    {"draw_ellipse", F_DrawEllipse},
    {"draw_ellipse_color", F_DrawEllipseColor},
    {"draw_set_circle_precision", F_DrawSetCirclePrecision},
    {"draw_point_color", F_DrawPointColor},
    {"draw_line_color", F_DrawLineColor},
    {"draw_line_width_color", F_DrawLineWidthColor},
    {"draw_triangle_color", F_DrawTriangleColor},
    {"draw_arrow", F_DrawArrow},
    {"draw_button", F_DrawButton},
    {"draw_healthbar", F_DrawHealthbar},
    {"draw_primitive_begin", F_DrawPrimitiveBegin},
    {"draw_primitive_begin_texture", F_DrawPrimitiveBeginTexture},
    {"draw_primitive_end", F_DrawPrimitiveEnd},
    {"draw_vertex", F_DrawVertex},
    {"draw_vertex_color", F_DrawVertexColor},
    {"draw_vertex_texture", F_DrawVertexTexture},
    {"draw_vertex_texture_color", F_DrawVertexTextureColor},
};
extern const size_t kShapeFunctionCount = std::size(kShapeFunctions);
