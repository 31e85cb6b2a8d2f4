// The GL backend. The only place that talks to the GL: a 3.3 core context on the game
// window, one streamed vertex buffer, the shader pair of gl_shaders.cpp and textures
// with framebuffers for render targets.
//
// Orientation: every texture, whether uploaded or drawn to, keeps its top row first
// (row 0 at t = 0), as the layer above expects. Drawing into a texture therefore flips
// clip y; only the window, which the GL shows bottom row first, is drawn unflipped.
// The flip also turns the winding around, which the cull mode accounts for.
#include "gl/gl_backend.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "gl/gl_shaders.h"
#include "graphics/graphics.h"
#include "graphics/vertex.h"
#include "platform/console.h"
#include "platform/window_sdl.h"

namespace {

struct TGLTexture {
    GLuint texture = 0;
    GLuint framebuffer = 0;
    GLuint depthStencil = 0;
    int width = 0, height = 0;
    bool inUse = false;
};

struct TProgram {
    GLuint id = 0;
    uint64_t applied = 0;  // the uniform generation last uploaded
    float pixelOffset[2] = {0, 0};
    GLint textureModeValue = -1;  // as last uploaded
    GLint world = -1, view = -1, projection = -1, pixelOffsetLoc = -1, flipY = -1;
    GLint lighting = -1, ambient = -1, lightEnabled = -1, lightKind = -1, lightVector = -1, lightRange = -1,
          lightColour = -1;
    GLint texture = -1, textureMode = -1, alphaTest = -1, alphaFunc = -1, alphaRef = -1;
    GLint fog = -1, fogColour = -1, fogStart = -1, fogEnd = -1;
};

GLenum BlendFactor(uint32_t v) {
    switch (v) {
    case 2: return GL_ONE;
    case 3: return GL_SRC_COLOR;
    case 4: return GL_ONE_MINUS_SRC_COLOR;
    case 5: return GL_SRC_ALPHA;
    case 6: return GL_ONE_MINUS_SRC_ALPHA;
    case 7: return GL_DST_ALPHA;
    case 8: return GL_ONE_MINUS_DST_ALPHA;
    case 9: return GL_DST_COLOR;
    case 10: return GL_ONE_MINUS_DST_COLOR;
    case 11: return GL_SRC_ALPHA_SATURATE;
    case 12: return GL_SRC_ALPHA;
    case 13: return GL_ONE_MINUS_SRC_ALPHA;
    case 14: return GL_CONSTANT_COLOR;
    case 15: return GL_ONE_MINUS_CONSTANT_COLOR;
    // The second colour output does not exist here: the first stands in for it.
    case 16: return GL_SRC_COLOR;
    case 17: return GL_ONE_MINUS_SRC_COLOR;
    default: return GL_ZERO;
    }
}

GLenum CompareFunc(uint32_t v) {
    switch (v) {
    case 1: return GL_NEVER;
    case 2: return GL_LESS;
    case 3: return GL_EQUAL;
    case 4: return GL_LEQUAL;
    case 5: return GL_GREATER;
    case 6: return GL_NOTEQUAL;
    case 7: return GL_GEQUAL;
    default: return GL_ALWAYS;
    }
}

GLenum Primitive(int p) {
    switch (p) {
    case kPrimPointList: return GL_POINTS;
    case kPrimLineList: return GL_LINES;
    case kPrimLineStrip: return GL_LINE_STRIP;
    case kPrimTriangleStrip: return GL_TRIANGLE_STRIP;
    case kPrimTriangleFan: return GL_TRIANGLE_FAN;
    default: return GL_TRIANGLES;
    }
}

void Enable(GLenum cap, bool on) { on ? glEnable(cap) : glDisable(cap); }

float BitsToFloat(uint32_t u) {
    float f;
    std::memcpy(&f, &u, 4);
    return f;
}

void ColourOf(uint32_t argb, float out[4]) {
    out[0] = float((argb >> 16) & 0xFF) / 255.0f;
    out[1] = float((argb >> 8) & 0xFF) / 255.0f;
    out[2] = float(argb & 0xFF) / 255.0f;
    out[3] = float(argb >> 24) / 255.0f;
}

GLuint Compile(GLenum kind, const std::string& source, std::string& error) {
    GLuint s = glCreateShader(kind);
    const char* text = source.c_str();
    glShaderSource(s, 1, &text, nullptr);
    glCompileShader(s);
    GLint ok = 0;
    glGetShaderiv(s, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        char log[2048] = {};
        glGetShaderInfoLog(s, sizeof log - 1, nullptr, log);
        error = std::string("shader compile failed: ") + log;
        glDeleteShader(s);
        return 0;
    }
    return s;
}

class TGLBackend final : public IRenderBackend {
public:
    TGLBackend(SDL_Window* window, SDL_GLContext context) : window_(window), context_(context) {}

    ~TGLBackend() override {
        SDL_GL_MakeCurrent(window_, context_);
        for (TGLTexture& t : textures_) Release(t);
        for (TProgram& p : programs_)
            if (p.id) glDeleteProgram(p.id);
        if (vbo_) glDeleteBuffers(1, &vbo_);
        if (quadIndices_) glDeleteBuffers(1, &quadIndices_);
        glDeleteVertexArrays(3, vaos_);
        if (sampler_) glDeleteSamplers(1, &sampler_);
        if (scratchFramebuffer_) glDeleteFramebuffers(1, &scratchFramebuffer_);
        SDL_GL_MakeCurrent(window_, nullptr);
        SDL_GL_DeleteContext(context_);
    }

    // The program of index `i`, built on first use. A driver that cannot build it leaves
    // the slot empty; the failure is logged once and its draws show nothing.
    TProgram& Program(int i) {
        TProgram& prog = programs_[i];
        if (prog.id || programFailed_[i]) return prog;
        std::string error;
        if (!BuildProgram(i, error)) {
            programFailed_[i] = true;
            Console().Output("%s\n", error.c_str());
        }
        glUseProgram(currentProgram_);
        return prog;
    }

    bool BuildProgram(int i, std::string& error) {
        const bool flat = (i & 1) != 0;
        const int plainTextureMode = i / 2 - 1;
        GLuint vs = Compile(GL_VERTEX_SHADER, GLShaders_Vertex(flat, plainTextureMode), error);
        if (!vs) return false;
        GLuint fs = Compile(GL_FRAGMENT_SHADER, GLShaders_Fragment(flat, plainTextureMode), error);
        if (!fs) {
            glDeleteShader(vs);
            return false;
        }
        GLuint p = glCreateProgram();
        glAttachShader(p, vs);
        glAttachShader(p, fs);
        glLinkProgram(p);
        glDeleteShader(vs);
        glDeleteShader(fs);
        GLint ok = 0;
        glGetProgramiv(p, GL_LINK_STATUS, &ok);
        if (!ok) {
            char log[2048] = {};
            glGetProgramInfoLog(p, sizeof log - 1, nullptr, log);
            error = std::string("shader link failed: ") + log;
            glDeleteProgram(p);
            return false;
        }
        TProgram& prog = programs_[i];
        prog.id = p;
        auto at = [p](const char* name) { return glGetUniformLocation(p, name); };
        prog.world = at("uWorld");
        prog.view = at("uView");
        prog.projection = at("uProjection");
        prog.pixelOffsetLoc = at("uPixelOffset");
        prog.flipY = at("uFlipY");
        prog.lighting = at("uLighting");
        prog.ambient = at("uAmbient");
        prog.lightEnabled = at("uLightEnabled");
        prog.lightKind = at("uLightKind");
        prog.lightVector = at("uLightVector");
        prog.lightRange = at("uLightRange");
        prog.lightColour = at("uLightColour");
        prog.texture = at("uTexture");
        prog.textureMode = at("uTextureMode");
        prog.alphaTest = at("uAlphaTest");
        prog.alphaFunc = at("uAlphaFunc");
        prog.alphaRef = at("uAlphaRef");
        prog.fog = at("uFog");
        prog.fogColour = at("uFogColour");
        prog.fogStart = at("uFogStart");
        prog.fogEnd = at("uFogEnd");
        glUseProgram(p);
        if (prog.texture >= 0) glUniform1i(prog.texture, 0);
        return true;
    }

    // Programs are built when a draw first needs them (see Program): most games use two
    // or three of the eight, and each one costs the driver a compile and a link. The full
    // program is built now, so that a driver that cannot build our shaders stops the game
    // at start with the reason instead of drawing nothing (the others are the same source
    // with parts left out).
    bool Start(std::string& error) {
        if (!BuildProgram(0, error)) return false;
        glUseProgram(0);
        glGenBuffers(1, &vbo_);
        glBindBuffer(GL_ARRAY_BUFFER, vbo_);
        glBufferData(GL_ARRAY_BUFFER, kStreamBytes, nullptr, GL_STREAM_DRAW);
        streamOffset_ = 0;
        // The corners of every quad a batch can hold, 0 1 2 2 3 0 from each quad's first
        // vertex: quads then cost four vertices to send and to transform instead of six.
        std::vector<uint16_t> corners(size_t(kIndexedQuads) * 6);
        for (size_t q = 0; q < size_t(kIndexedQuads); ++q) {
            static const uint16_t kCorner[6] = {0, 1, 2, 2, 3, 0};
            for (size_t i = 0; i < 6; ++i) corners[q * 6 + i] = uint16_t(q * 4 + kCorner[i]);
        }
        glGenBuffers(1, &quadIndices_);
        glGenVertexArrays(3, vaos_);
        const int sizes[3] = {16, 24, 36};
        for (int i = 0; i < 3; ++i) {
            glBindVertexArray(vaos_[i]);
            glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, quadIndices_);
            if (i == 0)
                glBufferData(GL_ELEMENT_ARRAY_BUFFER, GLsizeiptr(corners.size() * sizeof(uint16_t)), corners.data(),
                             GL_STATIC_DRAW);
            glBindBuffer(GL_ARRAY_BUFFER, vbo_);
            const GLsizei stride = sizes[i];
            glEnableVertexAttribArray(0);
            glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<void*>(0));
            glEnableVertexAttribArray(1);
            if (sizes[i] == 36) {
                glEnableVertexAttribArray(3);
                glVertexAttribPointer(3, 3, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<void*>(12));
                glVertexAttribPointer(1, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, stride, reinterpret_cast<void*>(24));
                glEnableVertexAttribArray(2);
                glVertexAttribPointer(2, 2, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<void*>(28));
            } else {
                glVertexAttribPointer(1, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, stride, reinterpret_cast<void*>(12));
                if (sizes[i] == 24) {
                    glEnableVertexAttribArray(2);
                    glVertexAttribPointer(2, 2, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<void*>(16));
                }
            }
        }
        glBindVertexArray(0);
        // What the layouts without them read.
        glVertexAttrib2f(2, 0, 0);
        glVertexAttrib3f(3, 0, 0, 0);

        glGenSamplers(1, &sampler_);
        glBindSampler(0, sampler_);
        ApplySampler();
        glGenFramebuffers(1, &scratchFramebuffer_);

        glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
        glPixelStorei(GL_PACK_ALIGNMENT, 4);
        glProvokingVertex(GL_FIRST_VERTEX_CONVENTION);
        glBlendColor(1, 1, 1, 1);
        glDepthFunc(GL_LEQUAL);
        glDisable(GL_SCISSOR_TEST);
        glPointSize(1);
        for (float* m : {world_, view_, projection_})
            for (int i = 0; i < 16; ++i) m[i] = (i % 5 == 0) ? 1.0f : 0.0f;
        rs_[kRsZWrite] = 1;
        rs_[kRsColourWriteMask] = 15;
        ApplyRasterState();
        while (glGetError() != GL_NO_ERROR) {
        }
        return true;
    }

    // --- textures ----------------------------------------------------------------------

    // A new texture of the size, bound to unit 0, its pixels given or left to the caller;
    // false (nothing made) for a size the device cannot have.
    static bool StartTexture(TGLTexture& t, int width, int height, const uint32_t* pixels) {
        GLint maxSize = 0;
        glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
        if (width < 1 || height < 1 || width > maxSize || height > maxSize) return false;
        t.width = width;
        t.height = height;
        t.inUse = true;
        while (glGetError() != GL_NO_ERROR) {
        }
        glGenTextures(1, &t.texture);
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_2D, t.texture);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, pixels);
        return true;
    }

    BackendTexture CreateTexture(int width, int height, bool renderTarget) override {
        TGLTexture t;
        if (!StartTexture(t, width, height, nullptr)) return 0;
        bool ok = glGetError() == GL_NO_ERROR;
        if (ok && renderTarget) {
            glGenRenderbuffers(1, &t.depthStencil);
            glBindRenderbuffer(GL_RENDERBUFFER, t.depthStencil);
            glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, width, height);
            glGenFramebuffers(1, &t.framebuffer);
            glBindFramebuffer(GL_FRAMEBUFFER, t.framebuffer);
            glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, t.texture, 0);
            glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, t.depthStencil);
            ok = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
            if (ok) ClearBound(0, 1, 0, 7);
        } else if (ok) {
            // Contents start as zero, so filtering at the edge of a smaller image
            // placed on the texture never reads garbage.
            glBindFramebuffer(GL_FRAMEBUFFER, scratchFramebuffer_);
            glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, t.texture, 0);
            if (glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE) ClearBound(0, 1, 0, 1);
            glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, 0, 0);
        }
        BindFramebuffer();
        RebindTexture();
        if (!ok || glGetError() != GL_NO_ERROR) {
            Release(t);
            return 0;
        }
        return Keep(t);
    }

    // A made texture into a free slot; its handle.
    BackendTexture Keep(const TGLTexture& t) {
        size_t slot = 0;
        while (slot < textures_.size() && textures_[slot].inUse) ++slot;
        if (slot == textures_.size()) textures_.push_back(t);
        else textures_[slot] = t;
        return BackendTexture(slot + 1);
    }

    BackendTexture CreateTextureFrom(int width, int height, const uint32_t* pixels) override {
        // Every texel is given, so the clear CreateTexture makes is not needed.
        TGLTexture t;
        if (!pixels || !StartTexture(t, width, height, pixels)) return 0;
        RebindTexture();
        if (glGetError() != GL_NO_ERROR) {
            Release(t);
            return 0;
        }
        return Keep(t);
    }

    bool UploadTexture(BackendTexture handle, int x, int y, int w, int h, const uint32_t* pixels) override {
        TGLTexture* t = Lookup(handle);
        if (!t || !pixels || x < 0 || y < 0 || w < 1 || h < 1 || x + w > t->width || y + h > t->height) return false;
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_2D, t->texture);
        glTexSubImage2D(GL_TEXTURE_2D, 0, x, y, w, h, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, pixels);
        RebindTexture();
        return glGetError() == GL_NO_ERROR;
    }

    void FreeTexture(BackendTexture handle) override {
        TGLTexture* t = Lookup(handle);
        if (!t) return;
        if (bound_ == handle) SetTexture(0, 0);
        if (target_ == handle) SetTarget(0, windowW(), windowH());
        Release(*t);
        *t = TGLTexture{};
    }

    bool ReadTexture(BackendTexture handle, int x, int y, int w, int h, std::vector<uint32_t>& out) override {
        TGLTexture* t = Lookup(handle);
        if (!t || x < 0 || y < 0 || w < 1 || h < 1 || x + w > t->width || y + h > t->height) return false;
        out.assign(size_t(w) * size_t(h), 0);
        GLuint fb = t->framebuffer;
        if (!fb) {
            glBindFramebuffer(GL_FRAMEBUFFER, scratchFramebuffer_);
            glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, t->texture, 0);
            fb = scratchFramebuffer_;
        }
        glBindFramebuffer(GL_READ_FRAMEBUFFER, fb);
        glReadBuffer(GL_COLOR_ATTACHMENT0);
        glReadPixels(x, y, w, h, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, out.data());
        if (fb == scratchFramebuffer_) {
            glBindFramebuffer(GL_FRAMEBUFFER, scratchFramebuffer_);
            glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, 0, 0);
        }
        BindFramebuffer();
        return glGetError() == GL_NO_ERROR;
    }

    // --- targets -----------------------------------------------------------------------

    void SetTarget(BackendTexture target, int width, int height) override {
        target_ = Lookup(target) ? target : 0;
        targetW_ = width;
        targetH_ = height;
        BindFramebuffer();
        ApplyRasterState();
        SetViewport(0, 0, width, height);
        ++generation_;
    }

    void SetViewport(int x, int y, int width, int height) override {
        viewport_[0] = x;
        viewport_[1] = y;
        viewport_[2] = std::max(width, 0);
        viewport_[3] = std::max(height, 0);
        const int glY = target_ ? y : targetH_ - y - viewport_[3];
        glViewport(x, glY, viewport_[2], viewport_[3]);
    }

    // --- state -------------------------------------------------------------------------

    void SetTransform(int which, const float m[16]) override {
        float* dst = which == 0 ? view_ : which == 1 ? projection_ : world_;
        if (which < 0 || which > 2) return;
        std::memcpy(dst, m, sizeof(float) * 16);
        ++generation_;
    }

    void SetRenderState(int id, uint32_t value) override {
        if (id < 0 || id >= kRenderStateCount) return;
        rs_[id] = value;
        switch (id) {
        case kRsZEnable: Enable(GL_DEPTH_TEST, value != 0); break;
        case kRsZWrite: glDepthMask(value ? GL_TRUE : GL_FALSE); break;
        case kRsZFunc: glDepthFunc(CompareFunc(value)); break;
        case kRsFillMode:
            glPolygonMode(GL_FRONT_AND_BACK, value == 1 ? GL_POINT : value == 2 ? GL_LINE : GL_FILL);
            break;
        case kRsShadeMode: break;  // chooses the program at the next draw
        case kRsSrcBlend:
        case kRsDestBlend: ApplyBlend(); break;
        case kRsBlendOp: {
            const GLenum ops[] = {GL_FUNC_ADD, GL_FUNC_SUBTRACT, GL_FUNC_REVERSE_SUBTRACT, GL_MIN, GL_MAX};
            glBlendEquation(value >= 1 && value <= 5 ? ops[value - 1] : GL_FUNC_ADD);
            break;
        }
        case kRsAlphaBlend: Enable(GL_BLEND, value != 0); break;
        case kRsCullMode: ApplyRasterState(); break;
        case kRsDither: Enable(GL_DITHER, value != 0); break;
        case kRsStencil: Enable(GL_STENCIL_TEST, value != 0); break;
        case kRsColourWriteMask: ApplyColourMask(); break;
        case kRsAlphaTest:
        case kRsAlphaRef:
        case kRsAlphaFunc:
        case kRsFogEnable:
        case kRsFogColour:
        case kRsFogStart:
        case kRsFogEnd:
        case kRsFogTableMode:
        case kRsFogVertexMode:
        case kRsLighting: ++generation_; break;
        default: break;  // last pixel, specular, range fog, stencil z-fail: nothing to do
        }
    }

    void SetSamplerState(int stage, int kind, bool flag) override {
        if (stage != 0 || kind < 0 || kind > 3) return;
        samplerFlags_[kind] = flag;
        ApplySampler();
    }

    // The texture and the blending only choose the texture mode, which Draw keeps up
    // to date by itself: binding another texture between two draws, the most common
    // change of all, costs no uniform uploads.
    void SetTextureBlending(bool modulate) override { modulate_ = modulate; }

    void SetTexture(int stage, BackendTexture handle) override {
        if (stage != 0) return;
        TGLTexture* t = Lookup(handle);
        bound_ = t ? handle : 0;
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_2D, t ? t->texture : 0);
    }

    void SetLight(int index, const CLight& light) override {
        if (index < 0 || index >= kMaxLights) return;
        lights_[index] = light;
        ++generation_;
    }

    void SetAmbient(uint32_t argb) override {
        ambient_ = argb;
        ++generation_;
    }

    // --- drawing -----------------------------------------------------------------------

    void Clear(uint32_t argb, float z, uint32_t stencil, int flags) override { ClearBound(argb, z, stencil, flags); }

    void Draw(int primitive, int vertexSize, const void* vertices, int count) override {
        if (count <= 0 || !vertices) return;
        const GLint first = Stream(primitive, vertexSize, vertices, count);
        glDrawArrays(Primitive(primitive), first, count);
    }

    void DrawQuads(int vertexSize, const void* vertices, int quads) override {
        if (quads <= 0 || !vertices) return;
        if (quads > kIndexedQuads) {
            IRenderBackend::DrawQuads(vertexSize, vertices, quads);
            return;
        }
        const GLint first = Stream(kPrimTriangleList, vertexSize, vertices, quads * 4);
        glDrawElementsBaseVertex(GL_TRIANGLES, quads * 6, GL_UNSIGNED_SHORT, nullptr, first);
    }

    // --- reading back, the window ------------------------------------------------------

    bool ReadPixels(int x, int y, int w, int h, std::vector<uint32_t>& out) override {
        if (w <= 0 || h <= 0) return false;
        out.assign(size_t(w) * size_t(h), 0);
        if (target_) {
            glReadPixels(x, y, w, h, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, out.data());
        } else {
            glReadBuffer(GL_BACK);
            glReadPixels(x, targetH_ - y - h, w, h, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, out.data());
            FlipRows(out, w, h);
        }
        return glGetError() == GL_NO_ERROR;
    }

    void BlitToWindow(BackendTexture surface, int surfaceW, int surfaceH, const CBackendRect& rect, uint32_t clearArgb,
                      bool linear) override {
        TGLTexture* t = Lookup(surface);
        int ww = 0, wh = 0;
        WindowSize(ww, wh);
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        float c[4];
        ColourOf(clearArgb, c);
        glClearColor(c[0], c[1], c[2], 1);
        glClear(GL_COLOR_BUFFER_BIT);
        if (t && t->framebuffer) {
            glBindFramebuffer(GL_READ_FRAMEBUFFER, t->framebuffer);
            // The surface's first row is the picture's top: it goes to the window's top.
            glBlitFramebuffer(0, 0, surfaceW, surfaceH, rect.x, wh - rect.y, rect.x + rect.width,
                              wh - rect.y - rect.height, GL_COLOR_BUFFER_BIT, linear ? GL_LINEAR : GL_NEAREST);
        }
        ApplyColourMask();
        BindFramebuffer();
    }

    bool ReadWindow(std::vector<uint32_t>& out, int& w, int& h) override {
        WindowSize(w, h);
        if (w <= 0 || h <= 0) return false;
        out.assign(size_t(w) * size_t(h), 0);
        glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
        glReadBuffer(GL_BACK);
        glReadPixels(0, 0, w, h, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, out.data());
        BindFramebuffer();
        FlipRows(out, w, h);
        return glGetError() == GL_NO_ERROR;
    }

    bool Present() override {
        SDL_GL_SwapWindow(window_);
        return true;
    }

    void SetVSync(bool on) override { SDL_GL_SetSwapInterval(on ? 1 : 0); }

    void WindowSize(int& w, int& h) override { SDL_GL_GetDrawableSize(window_, &w, &h); }

    std::string Describe() override {
        auto text = [](GLenum name) {
            const GLubyte* s = glGetString(name);
            return s ? std::string(reinterpret_cast<const char*>(s)) : std::string("?");
        };
        return "OpenGL " + text(GL_VERSION) + ", " + text(GL_RENDERER);
    }

private:
    int windowW() {
        int w = 0, h = 0;
        WindowSize(w, h);
        return w;
    }
    int windowH() {
        int w = 0, h = 0;
        WindowSize(w, h);
        return h;
    }

    // Makes the program, its uniforms and the vertex layout ready for a draw and puts the
    // vertices into the stream; gives the index of the first one in the buffer.
    GLint Stream(int primitive, int vertexSize, const void* vertices, int count) {
        const int layout = vertexSize == 16 ? 0 : vertexSize == 24 ? 1 : 2;
        const GLint textureMode = bound_ ? (modulate_ ? 1 : 2) : 0;
        const bool plain = rs_[kRsLighting] == 0 && rs_[kRsAlphaTest] == 0 && !FogOn();
        TProgram& p = Program((plain ? 2 + 2 * textureMode : 0) + (rs_[kRsShadeMode] == 1 ? 1 : 0));
        if (currentProgram_ != p.id) {
            glUseProgram(p.id);
            currentProgram_ = p.id;
        }
        if (p.applied != generation_) Upload(p);
        if (p.textureModeValue != textureMode) {
            p.textureModeValue = textureMode;
            glUniform1i(p.textureMode, textureMode);
        }
        const bool thin = primitive == kPrimPointList || primitive == kPrimLineList || primitive == kPrimLineStrip;
        const float ox = thin && viewport_[2] > 0 ? 1.0f / float(viewport_[2]) : 0.0f;
        const float oy = thin && viewport_[3] > 0 ? -1.0f / float(viewport_[3]) : 0.0f;
        if (p.pixelOffset[0] != ox || p.pixelOffset[1] != oy) {
            p.pixelOffset[0] = ox;
            p.pixelOffset[1] = oy;
            glUniform2f(p.pixelOffsetLoc, ox, oy);
        }
        if (currentVao_ != vaos_[layout]) {
            glBindVertexArray(vaos_[layout]);
            currentVao_ = vaos_[layout];
        }
        glBindBuffer(GL_ARRAY_BUFFER, vbo_);
        // The vertex buffer is a stream: each draw's vertices go after the last ones,
        // written without waiting for the draws before (nothing is ever rewritten in
        // place); only when it is full is it orphaned and filled from the start
        // again. Orphaning for every draw would have the driver allocate and clear
        // a whole new buffer per draw call.
        const GLsizeiptr bytes = GLsizeiptr(count) * vertexSize;
        GLsizeiptr offset = (streamOffset_ + vertexSize - 1) / vertexSize * vertexSize;
        if (offset + bytes > kStreamBytes) {
            glBufferData(GL_ARRAY_BUFFER, kStreamBytes, nullptr, GL_STREAM_DRAW);
            offset = 0;
        }
        void* dst = glMapBufferRange(GL_ARRAY_BUFFER, offset, bytes,
                                     GL_MAP_WRITE_BIT | GL_MAP_INVALIDATE_RANGE_BIT | GL_MAP_UNSYNCHRONIZED_BIT);
        if (dst) {
            std::memcpy(dst, vertices, size_t(bytes));
            glUnmapBuffer(GL_ARRAY_BUFFER);
        } else {
            glBufferSubData(GL_ARRAY_BUFFER, offset, bytes, vertices);
        }
        streamOffset_ = offset + bytes;
        return GLint(offset / vertexSize);
    }

    TGLTexture* Lookup(BackendTexture handle) {
        if (handle == 0 || handle > textures_.size()) return nullptr;
        TGLTexture& t = textures_[handle - 1];
        return t.inUse ? &t : nullptr;
    }

    void RebindTexture() {
        TGLTexture* b = Lookup(bound_);
        glBindTexture(GL_TEXTURE_2D, b ? b->texture : 0);
    }

    static void Release(TGLTexture& t) {
        if (t.framebuffer) glDeleteFramebuffers(1, &t.framebuffer);
        if (t.depthStencil) glDeleteRenderbuffers(1, &t.depthStencil);
        if (t.texture) glDeleteTextures(1, &t.texture);
        t.framebuffer = t.depthStencil = t.texture = 0;
    }

    static void FlipRows(std::vector<uint32_t>& p, int w, int h) {
        for (int y = 0; y < h / 2; ++y)
            std::swap_ranges(p.begin() + ptrdiff_t(y) * w, p.begin() + ptrdiff_t(y + 1) * w,
                             p.begin() + ptrdiff_t(h - 1 - y) * w);
    }

    void BindFramebuffer() {
        TGLTexture* t = Lookup(target_);
        glBindFramebuffer(GL_FRAMEBUFFER, t ? t->framebuffer : 0);
        if (!t) glDrawBuffer(GL_BACK);
    }

    // Clears whatever framebuffer is bound, whatever the write masks say.
    void ClearBound(uint32_t argb, float z, uint32_t stencil, int flags) {
        GLbitfield bits = 0;
        if (flags & 1) {
            float c[4];
            ColourOf(argb, c);
            glClearColor(c[0], c[1], c[2], c[3]);
            glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
            bits |= GL_COLOR_BUFFER_BIT;
        }
        if (flags & 2) {
            glClearDepth(std::clamp(z, 0.0f, 1.0f));
            glDepthMask(GL_TRUE);
            bits |= GL_DEPTH_BUFFER_BIT;
        }
        if (flags & 4) {
            glClearStencil(GLint(stencil));
            glStencilMask(0xFFFFFFFFu);
            bits |= GL_STENCIL_BUFFER_BIT;
        }
        if (bits) glClear(bits);
        ApplyColourMask();
        glDepthMask(rs_[kRsZWrite] != 0 ? GL_TRUE : GL_FALSE);
    }

    void ApplyColourMask() {
        const uint32_t m = rs_[kRsColourWriteMask];
        glColorMask((m & 1) != 0, (m & 2) != 0, (m & 4) != 0, (m & 8) != 0);
    }

    void ApplyBlend() {
        const uint32_t s = rs_[kRsSrcBlend], d = rs_[kRsDestBlend];
        GLenum src = BlendFactor(s), dst = BlendFactor(d);
        // "Both" factors set the destination as well.
        if (s == 12) dst = GL_ONE_MINUS_SRC_ALPHA;
        if (s == 13) dst = GL_SRC_ALPHA;
        glBlendFunc(src, dst);
    }

    // Culling, with the winding as the target sees it.
    void ApplyRasterState() {
        const uint32_t mode = rs_[kRsCullMode];
        if (mode != 1 && mode != 2) {
            glDisable(GL_CULL_FACE);
            return;
        }
        glEnable(GL_CULL_FACE);
        glCullFace(GL_BACK);
        // Clockwise on the picture is counter-clockwise in GL terms when drawing into a
        // texture (flipped), and clockwise on the window.
        const bool cullClockwise = mode == 1;
        const bool frontIsGlCw = target_ ? cullClockwise : !cullClockwise;
        glFrontFace(frontIsGlCw ? GL_CW : GL_CCW);
    }

    void ApplySampler() {
        glSamplerParameteri(sampler_, GL_TEXTURE_MAG_FILTER, samplerFlags_[0] ? GL_NEAREST : GL_LINEAR);
        glSamplerParameteri(sampler_, GL_TEXTURE_MIN_FILTER, samplerFlags_[1] ? GL_NEAREST : GL_LINEAR);
        glSamplerParameteri(sampler_, GL_TEXTURE_WRAP_S, samplerFlags_[2] ? GL_CLAMP_TO_EDGE : GL_REPEAT);
        glSamplerParameteri(sampler_, GL_TEXTURE_WRAP_T, samplerFlags_[3] ? GL_CLAMP_TO_EDGE : GL_REPEAT);
    }

    bool FogOn() const { return rs_[kRsFogEnable] != 0 && (rs_[kRsFogTableMode] != 0 || rs_[kRsFogVertexMode] != 0); }

    void Upload(TProgram& p) {
        glUniformMatrix4fv(p.world, 1, GL_FALSE, world_);
        glUniformMatrix4fv(p.view, 1, GL_FALSE, view_);
        glUniformMatrix4fv(p.projection, 1, GL_FALSE, projection_);
        glUniform1f(p.flipY, target_ ? -1.0f : 1.0f);
        p.textureModeValue = bound_ ? (modulate_ ? 1 : 2) : 0;
        glUniform1i(p.textureMode, p.textureModeValue);
        glUniform1i(p.alphaTest, rs_[kRsAlphaTest] != 0);
        glUniform1i(p.alphaFunc, GLint(rs_[kRsAlphaFunc] >= 1 && rs_[kRsAlphaFunc] <= 7 ? rs_[kRsAlphaFunc] : 8));
        glUniform1f(p.alphaRef, float(rs_[kRsAlphaRef] & 0xFF));
        glUniform1i(p.fog, FogOn());
        float c[4];
        ColourOf(rs_[kRsFogColour], c);
        glUniform3f(p.fogColour, c[0], c[1], c[2]);
        glUniform1f(p.fogStart, BitsToFloat(rs_[kRsFogStart]));
        glUniform1f(p.fogEnd, BitsToFloat(rs_[kRsFogEnd]));
        glUniform1i(p.lighting, rs_[kRsLighting] != 0);
        ColourOf(ambient_, c);
        glUniform4fv(p.ambient, 1, c);
        GLint enabled[kMaxLights], kind[kMaxLights];
        float vec[kMaxLights * 3], range[kMaxLights], colour[kMaxLights * 4];
        for (int i = 0; i < kMaxLights; ++i) {
            enabled[i] = lights_[i].enabled;
            kind[i] = lights_[i].kind;
            vec[i * 3] = lights_[i].x;
            vec[i * 3 + 1] = lights_[i].y;
            vec[i * 3 + 2] = lights_[i].z;
            range[i] = lights_[i].range;
            ColourOf(lights_[i].colour, colour + i * 4);
        }
        glUniform1iv(p.lightEnabled, kMaxLights, enabled);
        glUniform1iv(p.lightKind, kMaxLights, kind);
        glUniform3fv(p.lightVector, kMaxLights, vec);
        glUniform1fv(p.lightRange, kMaxLights, range);
        glUniform4fv(p.lightColour, kMaxLights, colour);
        p.applied = generation_;
    }

    SDL_Window* window_;
    SDL_GLContext context_;
    std::vector<TGLTexture> textures_;
    // The general program, then the plain ones for texture modes 0, 1 and 2; each with
    // smooth, then flat shading.
    static constexpr int kProgramCount = 8;
    TProgram programs_[kProgramCount];
    bool programFailed_[kProgramCount] = {};
    // Room for several full batches of the largest vertices; see Draw.
    static constexpr GLsizeiptr kStreamBytes = GLsizeiptr(kBatchVertices) * 36 * 4;
    GLuint vbo_ = 0;
    // What one indexed draw of quads can address with 16-bit indices: a full batch.
    static constexpr int kIndexedQuads = kBatchVertices / 4;
    static_assert(kIndexedQuads * 4 <= 65536);
    GLuint quadIndices_ = 0;
    GLsizeiptr streamOffset_ = 0;
    GLuint vaos_[3] = {0, 0, 0};
    GLuint sampler_ = 0;
    GLuint scratchFramebuffer_ = 0;
    GLuint currentProgram_ = 0;
    GLuint currentVao_ = 0;
    BackendTexture target_ = 0;
    BackendTexture bound_ = 0;
    int targetW_ = 0, targetH_ = 0;
    int viewport_[4] = {0, 0, 0, 0};
    uint32_t rs_[kRenderStateCount] = {};
    bool samplerFlags_[4] = {true, true, true, true};
    bool modulate_ = true;
    uint32_t ambient_ = 0xFF000000u;
    CLight lights_[kMaxLights];
    float world_[16], view_[16], projection_[16];
    uint64_t generation_ = 1;
};

}  // namespace

std::unique_ptr<IRenderBackend> GLBackend_Create(TWindow& window, std::string& error) {
    SDL_Window* w = TWindow_SdlWindow(window);
    if (!w) {
        error = "there is no window";
        return nullptr;
    }
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GLContext context = SDL_GL_CreateContext(w);
    if (!context) {
        error = std::string("no OpenGL 3.3 core context: ") + SDL_GetError();
        return nullptr;
    }
    if (SDL_GL_MakeCurrent(w, context) != 0 || epoxy_gl_version() < 33) {
        error = "the OpenGL context is older than 3.3";
        SDL_GL_DeleteContext(context);
        return nullptr;
    }
    auto backend = std::make_unique<TGLBackend>(w, context);
    if (!backend->Start(error)) return nullptr;
    return backend;
}

void GLBackend_Install() { Graphics_SetBackendFactory(GLBackend_Create); }
