// zorvex-bench-particles [PARTICLES] [FRAMES] [SIZE]: times the particle phase of a frame:
// one system kept at PARTICLES live particles (100,000 by default; a stream replaces
// the ones that die, with gravity, a speed increase, a two-colour fade and three
// alphas) updated and drawn as disk shapes (SIZE times 64 pixels across, 0.2 by
// default: a software rasteriser's fill rate dominates at large sizes), headless on the
// real GL device, with no wait between frames (FRAMES of them, 100 by default). Prints
// the median and mean of the update, the quad building (the system's draw call), the
// draw (with the flush and present) and the whole frame, in wall clock and in the
// process's processor time (the machine may be shared; with LP_NUM_THREADS=0 the
// software rasteriser's work is all in this process's thread), and the draw calls per
// frame.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <numeric>
#include <vector>

#include "gl/gl_backend.h"
#include "graphics/graphics.h"
#include "graphics/render_backend.h"
#include "particle/particle.h"
#include "platform/window.h"
#include "value/random.h"

namespace {

constexpr int kScreenW = 640, kScreenH = 480;
constexpr int kWarmUp = 10;
constexpr int kLife = 60;

// The process's processor time: on a machine shared with other work the wall clock
// also counts the time others had.
double CpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1000.0 + double(t.tv_nsec) / 1e6;
}

double Ms(std::chrono::steady_clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

struct TStats {
    double median = 0, mean = 0;
};
TStats Stats(std::vector<double> v) {
    TStats s;
    if (v.empty()) return s;
    std::sort(v.begin(), v.end());
    s.median = v[v.size() / 2];
    s.mean = std::accumulate(v.begin(), v.end(), 0.0) / double(v.size());
    return s;
}

}  // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int frames = argc > 2 ? std::atoi(argv[2]) : 100;
    const double size = argc > 3 ? std::atof(argv[3]) : 0.2;
    if (count < 1 || frames < 1 || !(size > 0)) {
        std::fprintf(stderr, "usage: zorvex-bench-particles [PARTICLES] [FRAMES] [SIZE]\n");
        return 2;
    }
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    if (!Platform_Init(true)) {
        std::fprintf(stderr, "no video\n");
        return 1;
    }
    {
        TWindow window;
        GLBackend_Install();
        if (!window.Create(kScreenW, kScreenH, 0) || !Graphics_Init(window, kScreenW, kScreenH, 0)) {
            std::fprintf(stderr, "no graphics device: %s\n", Graphics_LastError().c_str());
            Platform_Shutdown();
            return 1;
        }
        Random_SetSeed(1);
        const int type = ParticleType_Create();
        CParticleType& t = *ParticleType_Get(type);
        t.shape = 1;
        t.sizeMin = size * 0.5, t.sizeMax = size * 1.5, t.sizeIncrease = 0;
        t.speedMin = 1, t.speedMax = 3, t.speedIncrease = -0.01;
        t.directionMin = 0, t.directionMax = 360;
        t.gravity = 0.05;
        t.lifeMin = t.lifeMax = kLife;
        t.colourMode = 1, t.colour[0] = 0x00FFFF, t.colour[1] = 0xFF0000;
        t.alpha1 = 1, t.alpha2 = 0.7, t.alpha3 = 0;
        const int system = ParticleSystem_Create();
        CParticleSystem& s = *ParticleSystem_Get(system);
        // Fill to the count with ages spread over a life, then stream what dies.
        s.emitters.push_back(CParticleEmitter{true, count / kLife, 0, kScreenW, 0, kScreenH, 0, 0, type});
        Particles_Create(system, 320, 240, type, count);
        for (int i = 0; i < count; ++i) {
            CParticle& p = s.particles[size_t(i)];
            p.x = float(i % kScreenW), p.y = float((i / kScreenW) % kScreenH);
            p.age = i % kLife;
        }
        std::vector<double> update, build, draw, whole, updateCpu, buildCpu, drawCpu, wholeCpu;
        int64_t drawCalls = 0;
        double live = 0;
        for (int f = 0; f < kWarmUp + frames; ++f) {
            Graphics_ResetCounters();
            const double c0 = CpuMs();
            const auto t0 = std::chrono::steady_clock::now();
            ParticleSystem_Update(system);
            const auto t1 = std::chrono::steady_clock::now();
            const double c1 = CpuMs();
            Graphics_BeginFrame();
            Graphics_Clear(0xFF000000u, 1, 0, 7);
            const double cb = CpuMs();
            const auto tb = std::chrono::steady_clock::now();
            ParticleSystem_Draw(system);
            const auto te = std::chrono::steady_clock::now();
            const double ce = CpuMs();
            Graphics_EndFrame(true);
            const auto t2 = std::chrono::steady_clock::now();
            const double c2 = CpuMs();
            if (f < kWarmUp) continue;
            update.push_back(Ms(t1 - t0));
            build.push_back(Ms(te - tb));
            updateCpu.push_back(c1 - c0);
            buildCpu.push_back(ce - cb);
            drawCpu.push_back(c2 - c1);
            wholeCpu.push_back(c2 - c0);
            draw.push_back(Ms(t2 - t1));
            whole.push_back(Ms(t2 - t0));
            drawCalls += Graphics_Counters().drawCalls;
            live += Particles_Count(system);
        }
        const TStats u = Stats(update), b = Stats(build), d = Stats(draw), w = Stats(whole);
        const TStats uc = Stats(updateCpu), bc = Stats(buildCpu), dc = Stats(drawCpu), wc = Stats(wholeCpu);
        std::printf("%d particles of size %.2f (%.0f live on average), %d frames (after %d warm-up), %s\n", count, size,
                    live / frames, frames, kWarmUp, Graphics_Backend()->Describe().c_str());
        std::printf("update median %.3f ms mean %.3f ms  processor time median %.3f ms\n", u.median, u.mean, uc.median);
        std::printf(
            "quads  median %.3f ms mean %.3f ms  processor time median %.3f ms (the system's draw call: "
            "vertices and flushes)\n",
            b.median, b.mean, bc.median);
        std::printf("draw   median %.3f ms mean %.3f ms  processor time median %.3f ms  draw calls/frame %.2f\n",
                    d.median, d.mean, dc.median, double(drawCalls) / frames);
        std::printf("frame  median %.3f ms mean %.3f ms  processor time median %.3f ms  (%.0f frames per second)\n",
                    w.median, w.mean, wc.median, w.median > 0 ? 1000.0 / w.median : 0.0);
        Particles_FreeAll();
        Graphics_Shutdown();
    }
    Platform_Shutdown();
    return 0;
}
