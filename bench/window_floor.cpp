// What any program pays on this machine before the runner does anything of its own: the
// video system, an OpenGL window, a 3.3 core context on it, one clear and one present,
// made the way the runner makes them (offscreen video and EGL when headless). The start-up
// benchmark times it beside the runner, as the floor under the empty game.
//
//     zorvex-bench-window [--headless] [--stop window|context]
#include <SDL.h>
#include <epoxy/gl.h>

#include <cstdio>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
    bool headless = false;
    std::string stop;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--headless") == 0) headless = true;
        else if (std::strcmp(argv[i], "--stop") == 0 && i + 1 < argc) stop = argv[++i];
        else {
            std::fprintf(stderr, "usage: zorvex-bench-window [--headless] [--stop window|context]\n");
            return 2;
        }
    }
    if (headless) SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, "offscreen", SDL_HINT_OVERRIDE);
    SDL_LoadObject("libEGL.so.1");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        std::fprintf(stderr, "video: %s\n", SDL_GetError());
        return 1;
    }
    SDL_Window* window = SDL_CreateWindow("floor", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, 640, 480,
                                          SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN);
    if (window == nullptr) {
        std::fprintf(stderr, "window: %s\n", SDL_GetError());
        return 1;
    }
    int status = 0;
    if (stop != "window") {
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
        SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
        SDL_GLContext context = SDL_GL_CreateContext(window);
        if (context == nullptr || SDL_GL_MakeCurrent(window, context) != 0) {
            std::fprintf(stderr, "context: %s\n", SDL_GetError());
            status = 1;
        } else if (stop != "context") {
            glClearColor(0, 0, 0, 1);
            glClear(GL_COLOR_BUFFER_BIT);
            SDL_GL_SwapWindow(window);
        }
        if (context != nullptr) SDL_GL_DeleteContext(context);
    }
    SDL_DestroyWindow(window);
    SDL_Quit();
    return status;
}
