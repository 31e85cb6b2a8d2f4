#pragma once
// Shapes of the 2-D layer (rectangles, ellipses, rounded rectangles, arrows, buttons,
// health bars, the colour forms of the layer's primitives) and the free-form primitive
// a script builds vertex by vertex. Colours are device order (0xAARRGGBB, see
// Colour_ToDevice); every vertex's z is the current depth.
#include <cstdint>

// --- the circle table ------------------------------------------------------------------

// Clamped to 4..64, then rounded down to a multiple of 4; 24 at start.
void Shapes_SetCirclePrecision(int n);
int Shapes_CirclePrecision();
// The n + 1 points of the table (n = the precision): cos and sin of i x 2 pi / n, the
// last one equal to the first, so a rim closes on itself.
const float* Shapes_CircleCos();
const float* Shapes_CircleSin();

// --- shapes ----------------------------------------------------------------------------

// Corners in any order (x1 <= x2, y1 <= y2 after ordering); a whole-number right or
// bottom edge is moved out by 0.01. Triangles cover the pixels whose centres they hold,
// so a filled (10, 10, 20, 20) covers pixels 10..19; lines and points are drawn half a
// pixel on, so the outline of the same rectangle runs through pixels 10 and 20 (the
// corner points put in the last pixel that each line leaves out). Colours: top-left,
// top-right, bottom-right, bottom-left as given: they travel with their corner when the
// corners are reordered. Filled: two triangles; outline: a closed 5-vertex line strip
// and the 4 corner points.
void Shapes_Rectangle(float x1, float y1, float x2, float y2, uint32_t c1, uint32_t c2, uint32_t c3, uint32_t c4,
                      bool outline);
// The ellipse inside the box, from the circle table: filled, a fan from the centre
// (colour `centre`) to the rim (colour `edge`); outline, a closed line strip of the rim.
void Shapes_Ellipse(float x1, float y1, float x2, float y2, uint32_t centre, uint32_t edge, bool outline);
// A rectangle with quarter-ellipse corners of radius min(10, width / 2, height / 2) in
// each direction, precision / 4 segments per corner; colours as for the ellipse.
void Shapes_RoundRect(float x1, float y1, float x2, float y2, uint32_t centre, uint32_t edge, bool outline);

void Shapes_Point(float x, float y, uint32_t c);
void Shapes_Line(float x1, float y1, float x2, float y2, uint32_t c1, uint32_t c2);
// Width w across the segment (a 4-vertex fan); nothing when the ends coincide.
void Shapes_LineWidth(float x1, float y1, float x2, float y2, float w, uint32_t c1, uint32_t c2);
void Shapes_Triangle(float x1, float y1, float x2, float y2, float x3, float y3, uint32_t c1, uint32_t c2, uint32_t c3,
                     bool outline);
// A line from (x1, y1) with a filled head at (x2, y2): the head is `size` long (at most
// the whole length) and two thirds of that wide. Nothing when the ends coincide.
void Shapes_Arrow(float x1, float y1, float x2, float y2, float size, uint32_t c);
// A face in colour c with a 2-pixel bevel (less for tiny buttons): lit (c halfway to
// white) on top and left and shaded (c halfway to black) on bottom and right when up,
// the other way round when pressed.
void Shapes_Button(float x1, float y1, float x2, float y2, bool up, uint32_t c);
// amount 0..100 (clamped) of the box filled from one side (direction 0 from the left,
// 1 from the right, 2 from the top, 3 from the bottom) in a colour that goes from
// minColour at 0 to maxColour at 100; behind it the box in backColour when showBack;
// around it a black outline when showBorder. Colours are script order (0xBBGGRR) and
// take the current alpha.
void Shapes_Healthbar(float x1, float y1, float x2, float y2, double amount, uint32_t backColour, uint32_t minColour,
                      uint32_t maxColour, int direction, bool showBack, bool showBorder);

// 0xBBGGRR colours mixed: a + (b - a) x f per channel, rounded (f clamped to 0..1).
uint32_t Colour_Merge(uint32_t a, uint32_t b, double f);

// --- the free-form primitive -----------------------------------------------------------

constexpr int kPrimitiveMaxVertices = 1001;

// Starts a new primitive of a kind (the pr_* values 1..6; others draw nothing) with no
// texture, a texture id, or a texture page entry of the loaded game (its offset in the
// game data): any value that is no live texture id and not -1. Texture coordinates of
// an entry are mapped into its rectangle on the page; an unknown value means no texture.
void Primitive_Begin(int kind, int texture);
// Appends a vertex while fewer than kPrimitiveMaxVertices are stored; the rest are ignored.
void Primitive_Vertex(float x, float y, uint32_t colour, float u, float v);
// Copies the stored vertices into the batch with the texture and forgets them.
void Primitive_End();
int Primitive_VertexCount();
