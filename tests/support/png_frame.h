// A PNG the program dumped (a presented frame), read back as 8-bit RGB
// pixels for the suites to compare.
#pragma once

#include <png.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace wrentest {

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb&) const = default;
};
inline std::ostream& operator<<(std::ostream& out, const Rgb& c) {
    return out << "(" << c.r << ", " << c.g << ", " << c.b << ")";
}

struct Frame {
    int width = 0, height = 0;
    int fileChannels = 0;  // as the file stores its pixels: 3 for RGB
    std::vector<uint8_t> rgb;
    Rgb at(int x, int y) const {
        size_t i = (size_t(y) * size_t(width) + size_t(x)) * 3;
        return {rgb[i], rgb[i + 1], rgb[i + 2]};
    }
};

// False when the file is missing or no PNG.
inline bool readPng(const std::string& path, Frame* frame) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
    frame->fileChannels = int(PNG_IMAGE_SAMPLE_CHANNELS(image.format));
    image.format = PNG_FORMAT_RGB;
    frame->width = int(image.width);
    frame->height = int(image.height);
    frame->rgb.resize(PNG_IMAGE_SIZE(image));
    return png_image_finish_read(&image, nullptr, frame->rgb.data(), 0, nullptr) != 0;
}

}  // namespace wrentest
