#include <SDL.h>
#include <png.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "ce_internal.h"

namespace ce {

using namespace detail;

VirtualScreen* virtualScreen(HWND window) {
    std::lock_guard<std::mutex> g(state().mutex);
    WindowRecord* r = recordOf(window);
    return r && !r->foreign ? &r->screen : nullptr;
}

void presentWindow(HWND window) {
    State& s = state();
    {
        std::lock_guard<std::mutex> g(s.mutex);
        WindowRecord* r = recordOf(window);
        if (!r || r->foreign) return;
        if (SDL_Surface* surface = SDL_GetWindowSurface(r->sdl)) {
            int w = std::min(surface->w, r->screen.width);
            int h = std::min(surface->h, r->screen.height);
            if (w > 0 && h > 0)
                SDL_ConvertPixels(w, h, SDL_PIXELFORMAT_RGB888, r->screen.pixels.data(),
                                  r->screen.width * 4, surface->format->format, surface->pixels,
                                  surface->pitch);
            SDL_UpdateWindowSurface(r->sdl);
        }
        ++s.frames;
    }
    runDueScriptSteps();
}

uint64_t presentedFrames() {
    std::lock_guard<std::mutex> g(state().mutex);
    return state().frames;
}

uint64_t scriptStepsRun() {
    std::lock_guard<std::mutex> g(state().mutex);
    return state().stepsRun;
}

bool writeScreenPng(HWND window, const std::string& path, std::string* error) {
    int width;
    int height;
    std::vector<uint8_t> rows;
    {
        std::lock_guard<std::mutex> g(state().mutex);
        WindowRecord* r = recordOf(window);
        if (!r || r->foreign || r->screen.width <= 0 || r->screen.height <= 0) {
            if (error) *error = "no window to dump";
            return false;
        }
        width = r->screen.width;
        height = r->screen.height;
        rows.resize(size_t(width) * size_t(height) * 3);
        uint8_t* out = rows.data();
        for (uint32_t p : r->screen.pixels) {
            *out++ = uint8_t(p >> 16);
            *out++ = uint8_t(p >> 8);
            *out++ = uint8_t(p);
        }
    }
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        if (error) *error = std::strerror(errno);
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    bool ok = png && info;
    if (ok && setjmp(png_jmpbuf(png))) ok = false;
    if (ok) {
        png_init_io(png, file);
        png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8, PNG_COLOR_TYPE_RGB,
                     PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        for (int y = 0; y < height; ++y) png_write_row(png, rows.data() + size_t(y) * size_t(width) * 3);
        png_write_end(png, nullptr);
    }
    png_destroy_write_struct(png ? &png : nullptr, info ? &info : nullptr);
    bool closed = std::fclose(file) == 0;
    if (!ok || !closed) {
        if (error) *error = ok ? std::strerror(errno) : "the PNG encoder failed";
        std::remove(path.c_str());
        return false;
    }
    return true;
}

}  // namespace ce
