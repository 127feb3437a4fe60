// Image decoding over arbitrary bytes: a clean status and, on success, an
// image whose every pixel reads back.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "HAL_graphics.h"
#include "HAL_status.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 20)) return 0;
    NativeImage* image = nullptr;
    jint w = 0, h = 0;
    int32_t status = HAL_createImageWithData(&image, data, jint(size), &w, &h);
    if (status == HAL_OK && image) {
        std::vector<jint> pixels(size_t(w) * size_t(h));
        HAL_getImmutableRGB(image, pixels.data(), int64_t(pixels.size()), w, 0, 0, w, h);
        HAL_deleteImage(image);
    }
    return 0;
}
