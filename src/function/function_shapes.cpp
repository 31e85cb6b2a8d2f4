#include "function/function_shapes.h"

#include <cmath>
#include <iterator>

#include "graphics/graphics.h"
#include "graphics/shapes.h"
#include "value/value.h"

namespace {

double Arg(int argc, const CValue* args, int i) { return i < argc && args[i].IsReal() ? args[i].val : 0.0; }
float F(int argc, const CValue* args, int i) { return float(Arg(argc, args, i)); }
// Integers are rounded to the nearest, halves to even.
int IntArg(int argc, const CValue* args, int i) { return Real_TruncToInt32(std::nearbyint(Arg(argc, args, i))); }
bool BoolArg(int argc, const CValue* args, int i) { return Arg(argc, args, i) >= 0.5; }
// A script colour (0xBBGGRR; whatever lies above is dropped).
uint32_t Bgr(int argc, const CValue* args, int i) {
    const double v = std::nearbyint(Arg(argc, args, i));
    if (!std::isfinite(v)) return 0;
    return uint32_t(int64_t(std::fmod(v, 4294967296.0))) & 0xFFFFFF;
}
// A colour argument with the current alpha, as the vertices want it.
uint32_t Colour(int argc, const CValue* args, int i) {
    return Colour_ToDevice(Bgr(argc, args, i), Graphics_AlphaByte());
}

#define A(i) F(argc, args, i)

// --- shapes -----------------------------------------------------------------------------------

void F_DrawRectangle(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    const uint32_t c = Graphics_ColourDevice();
    Shapes_Rectangle(A(0), A(1), A(2), A(3), c, c, c, c, BoolArg(argc, args, 4));
}
void F_DrawRectangleColor(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    Shapes_Rectangle(A(0), A(1), A(2), A(3), Colour(argc, args, 4), Colour(argc, args, 5), Colour(argc, args, 6),
                     Colour(argc, args, 7), BoolArg(argc, args, 8));
}
void F_DrawRoundrect(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    const uint32_t c = Graphics_ColourDevice();
    Shapes_RoundRect(A(0), A(1), A(2), A(3), c, c, BoolArg(argc, args, 4));
}
void F_DrawRoundrectColor(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    Shapes_RoundRect(A(0), A(1), A(2), A(3), Colour(argc, args, 4), Colour(argc, args, 5), BoolArg(argc, args, 6));
}
void F_DrawCircle(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    const float x = A(0), y = A(1), r = A(2);
    const uint32_t c = Graphics_ColourDevice();
    Shapes_Ellipse(x - r, y - r, x + r, y + r, c, c, BoolArg(argc, args, 3));
}
void F_DrawCircleColor(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    const float x = A(0), y = A(1), r = A(2);
    Shapes_Ellipse(x - r, y - r, x + r, y + r, Colour(argc, args, 3), Colour(argc, args, 4), BoolArg(argc, args, 5));
}
void F_DrawEllipse(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    const uint32_t c = Graphics_ColourDevice();
    Shapes_Ellipse(A(0), A(1), A(2), A(3), c, c, BoolArg(argc, args, 4));
}
void F_DrawEllipseColor(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    Shapes_Ellipse(A(0), A(1), A(2), A(3), Colour(argc, args, 4), Colour(argc, args, 5), BoolArg(argc, args, 6));
}
void F_DrawSetCirclePrecision(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    Shapes_SetCirclePrecision(IntArg(argc, args, 0));
}

void F_DrawPointColor(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    Shapes_Point(A(0), A(1), Colour(argc, args, 2));
}
void F_DrawLineColor(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    Shapes_Line(A(0), A(1), A(2), A(3), Colour(argc, args, 4), Colour(argc, args, 5));
}
void F_DrawLineWidthColor(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    Shapes_LineWidth(A(0), A(1), A(2), A(3), A(4), Colour(argc, args, 5), Colour(argc, args, 6));
}
void F_DrawTriangleColor(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    Shapes_Triangle(A(0), A(1), A(2), A(3), A(4), A(5), Colour(argc, args, 6), Colour(argc, args, 7),
                    Colour(argc, args, 8), BoolArg(argc, args, 9));
}

void F_DrawArrow(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    Shapes_Arrow(A(0), A(1), A(2), A(3), A(4), Graphics_ColourDevice());
}
void F_DrawButton(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    Shapes_Button(A(0), A(1), A(2), A(3), BoolArg(argc, args, 4), Graphics_ColourDevice());
}
// (x1, y1, x2, y2, amount, backcol, mincol, maxcol, direction, showback, showborder)
void F_DrawHealthbar(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    Shapes_Healthbar(A(0), A(1), A(2), A(3), Arg(argc, args, 4), Bgr(argc, args, 5), Bgr(argc, args, 6),
                     Bgr(argc, args, 7), IntArg(argc, args, 8), BoolArg(argc, args, 9), BoolArg(argc, args, 10));
}

// --- the free-form primitive ------------------------------------------------------------------

void F_DrawPrimitiveBegin(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    Primitive_Begin(IntArg(argc, args, 0), -1);
}
void F_DrawPrimitiveBeginTexture(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    Primitive_Begin(IntArg(argc, args, 0), IntArg(argc, args, 1));
}
void F_DrawPrimitiveEnd(CValue&, CInstance*, CInstance*, int, CValue*) { Primitive_End(); }
void F_DrawVertex(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    Primitive_Vertex(A(0), A(1), Graphics_ColourDevice(), 0, 0);
}
void F_DrawVertexColor(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    Primitive_Vertex(A(0), A(1), Colour_ToDevice(Bgr(argc, args, 2), Alpha_ToByte(Arg(argc, args, 3))), 0, 0);
}
void F_DrawVertexTexture(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    Primitive_Vertex(A(0), A(1), Graphics_ColourDevice(), A(2), A(3));
}
void F_DrawVertexTextureColor(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    Primitive_Vertex(A(0), A(1), Colour_ToDevice(Bgr(argc, args, 4), Alpha_ToByte(Arg(argc, args, 5))), A(2), A(3));
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
