// Texture x vertex colour (modulate), the texture alone, or the vertex colour alone;
// alpha test with the fixed comparisons; linear fog; per-vertex lighting with up to
// eight lights for the 3-D functions. Everything the stage needs arrives as uniforms,
// so the general program (per shading mode) covers every state.
//
// Most 2-D drawing uses none of lighting, fog and the alpha test. For that case there
// is a plain program per texture mode, made from the same source with those parts left
// out: a software rasteriser runs the fragment code for every pixel and pays for
// each branch and each uniform it reads, even when the branch is never taken. The
// arithmetic the plain programs keep is the general program's, so both give the same
// pixels.
#include "gl/gl_shaders.h"

namespace {

const char kVertex[] = R"(
layout(location = 0) in vec3 aPosition;
layout(location = 1) in vec4 aColour;
layout(location = 2) in vec2 aUV;
layout(location = 3) in vec3 aNormal;

uniform mat4 uWorld;
uniform mat4 uView;
uniform mat4 uProjection;
// Half a pixel towards the pixel centre for points and lines, in clip units.
uniform vec2 uPixelOffset;
// -1 when drawing into a texture: rows are then stored top first.
uniform float uFlipY;

#if GENERAL
uniform bool uLighting;
uniform vec4 uAmbient;
uniform bool uLightEnabled[8];
uniform int uLightKind[8];
uniform vec3 uLightVector[8];
uniform float uLightRange[8];
uniform vec4 uLightColour[8];
#endif

SHADE out vec4 vColour;
out vec2 vUV;
out float vEyeZ;

void main() {
    vec4 world = uWorld * vec4(aPosition, 1.0);
    vec4 eye = uView * world;
    vec4 clip = uProjection * eye;
    clip.xy += uPixelOffset * clip.w;
    clip.y *= uFlipY;
    // Depth 0..1 of the projection kept as it is: clip z from [0, w] to [-w, w].
    clip.z = 2.0 * clip.z - clip.w;
    gl_Position = clip;
    vec4 colour = aColour;
#if GENERAL
    if (uLighting) {
        vec3 n = mat3(uWorld) * aNormal;
        float len = length(n);
        if (len > 0.0) n /= len;
        vec3 light = uAmbient.rgb;
        for (int i = 0; i < 8; ++i) {
            if (!uLightEnabled[i]) continue;
            if (uLightKind[i] == 0) {
                light += uLightColour[i].rgb * max(dot(n, -normalize(uLightVector[i])), 0.0);
            } else {
                vec3 d = uLightVector[i] - world.xyz;
                float dist = length(d);
                if (dist <= uLightRange[i] && dist > 0.0)
                    light += uLightColour[i].rgb * max(dot(n, d / dist), 0.0);
            }
        }
        colour.rgb *= clamp(light, 0.0, 1.0);
    }
#endif
    vColour = colour;
    vUV = aUV;
    vEyeZ = eye.z;
}
)";

const char kFragment[] = R"(
SHADE in vec4 vColour;
in vec2 vUV;
in float vEyeZ;

uniform sampler2D uTexture;
#if GENERAL
uniform int uTextureMode;  // 0 none, 1 modulate, 2 texture only
uniform bool uAlphaTest;
uniform int uAlphaFunc;    // 1 never .. 8 always
uniform float uAlphaRef;   // 0..255
uniform bool uFog;
uniform vec3 uFogColour;
uniform float uFogStart;
uniform float uFogEnd;
#endif

out vec4 fragColour;

#if GENERAL
bool Passes(int f, float a, float r) {
    if (f == 1) return false;
    if (f == 2) return a < r;
    if (f == 3) return a == r;
    if (f == 4) return a <= r;
    if (f == 5) return a > r;
    if (f == 6) return a != r;
    if (f == 7) return a >= r;
    return true;
}
#endif

void main() {
    vec4 c = vColour;
#if GENERAL
    if (uTextureMode == 1) c *= texture(uTexture, vUV);
    else if (uTextureMode == 2) c = texture(uTexture, vUV);
    if (uAlphaTest && !Passes(uAlphaFunc, floor(c.a * 255.0 + 0.5), uAlphaRef)) discard;
    if (uFog) {
        float span = uFogEnd - uFogStart;
        float f = span != 0.0 ? clamp((uFogEnd - vEyeZ) / span, 0.0, 1.0) : (vEyeZ < uFogEnd ? 1.0 : 0.0);
        c.rgb = mix(uFogColour, c.rgb, f);
    }
#elif TEXTURE_MODE == 1
    c *= texture(uTexture, vUV);
#elif TEXTURE_MODE == 2
    c = texture(uTexture, vUV);
#endif
    fragColour = c;
}
)";

std::string Build(const char* body, bool flat, int plainTextureMode) {
    std::string s = "#version 330 core\n";
    s += flat ? "#define SHADE flat\n" : "#define SHADE\n";
    if (plainTextureMode < 0) {
        s += "#define GENERAL 1\n";
    } else {
        s += "#define GENERAL 0\n#define TEXTURE_MODE " + std::to_string(plainTextureMode) + "\n";
    }
    s += body;
    return s;
}

}  // namespace

std::string GLShaders_Vertex(bool flat, int plainTextureMode) { return Build(kVertex, flat, plainTextureMode); }
std::string GLShaders_Fragment(bool flat, int plainTextureMode) { return Build(kFragment, flat, plainTextureMode); }
