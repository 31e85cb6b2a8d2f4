/* A dynamic library that the engine's tests call into: reals and strings in and out,
 * up to sixteen arguments, and start/end functions whose calls it counts. */
#include <stdio.h>
#include <string.h>

static char buffer[256];
static int starts = 0;
static int ends = 0;

double ext_zero(void) { return 42.0; }
double ext_add(double a, double b) { return a + b; }
double ext_sub(double a, double b) { return a - b; }
/* Each argument weighted by its position, so a swapped or lost argument shows. */
double ext_weigh8(double a, double b, double c, double d, double e, double f, double g, double h) {
    return a + 2 * b + 3 * c + 4 * d + 5 * e + 6 * f + 7 * g + 8 * h;
}
double ext_weigh16(double a1, double a2, double a3, double a4, double a5, double a6, double a7, double a8, double a9,
                   double a10, double a11, double a12, double a13, double a14, double a15, double a16) {
    return a1 + 2 * a2 + 3 * a3 + 4 * a4 + 5 * a5 + 6 * a6 + 7 * a7 + 8 * a8 + 9 * a9 + 10 * a10 + 11 * a11 + 12 * a12 +
           13 * a13 + 14 * a14 + 15 * a15 + 16 * a16;
}
double ext_length(const char* s) { return s ? (double)strlen(s) : -1.0; }
/* The result lives in the library's buffer, which the next call overwrites. */
const char* ext_join(const char* a, const char* b) {
    snprintf(buffer, sizeof buffer, "%s+%s", a, b);
    return buffer;
}
const char* ext_repeat(const char* s, double times) {
    buffer[0] = 0;
    for (int i = 0; i < (int)times && strlen(buffer) + strlen(s) < sizeof buffer; ++i) strcat(buffer, s);
    return buffer;
}
/* Mixed order: string, real, string, real. */
const char* ext_mix(const char* a, double x, const char* b, double y) {
    snprintf(buffer, sizeof buffer, "%s%g%s%g", a, x, b, y);
    return buffer;
}
const char* ext_null(void) { return NULL; }

double ext_start(void) {
    ++starts;
    return 0;
}
double ext_end(void) {
    ++ends;
    printf("library end %d\n", ends);
    fflush(stdout);
    return 0;
}
const char* ext_counts(void) {
    snprintf(buffer, sizeof buffer, "starts=%d ends=%d", starts, ends);
    return buffer;
}
