#include "Png.h"

#include <zlib.h>

#include <cstdlib>
#include <cstring>

namespace rpack {

namespace {

constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

void writeChunk(ByteWriter& w, const char* type, const Bytes& data) {
    w.u32(static_cast<uint32_t>(data.size()));
    const size_t start = w.size();
    w.ascii(type);
    w.bytes(data);
    const uLong crc =
        crc32(crc32(0L, Z_NULL, 0), w.data().data() + start, static_cast<uInt>(w.size() - start));
    w.u32(static_cast<uint32_t>(crc));
}

int paethPredictor(int a, int b, int c) {
    const int p = a + b - c;
    const int pa = std::abs(p - a);
    const int pb = std::abs(p - b);
    const int pc = std::abs(p - c);
    if (pa <= pb && pa <= pc) return a;
    return pb <= pc ? b : c;
}

}  // namespace

Bytes encodePng(const IndexedImage& image) {
    checkRange("image width", image.width, 1, kMaxImageSide);
    checkRange("image height", image.height, 1, kMaxImageSide);
    checkRange("palette size", static_cast<int64_t>(image.palette.size()), 1, 256);
    const size_t w = static_cast<size_t>(image.width);
    const size_t h = static_cast<size_t>(image.height);
    if (image.pixels.size() != w * h) {
        throw ContentError("image of " + std::to_string(w) + "x" + std::to_string(h) + " has " +
                           std::to_string(image.pixels.size()) + " pixels");
    }
    for (size_t i = 0; i < image.pixels.size(); ++i) {
        if (image.pixels[i] >= image.palette.size()) {
            throw ContentError("pixel " + std::to_string(i % w) + "," + std::to_string(i / w) +
                               " uses colour " + std::to_string(image.pixels[i]) + " of a " +
                               std::to_string(image.palette.size()) + "-colour palette");
        }
    }

    ByteWriter out;
    out.bytes(kSignature, sizeof kSignature);

    ByteWriter ihdr;
    ihdr.u32(static_cast<uint32_t>(w));
    ihdr.u32(static_cast<uint32_t>(h));
    ihdr.u8(8);  // bit depth
    ihdr.u8(3);  // indexed colour
    ihdr.u8(0);  // deflate
    ihdr.u8(0);  // adaptive filtering
    ihdr.u8(0);  // not interlaced
    writeChunk(out, "IHDR", ihdr.take());

    Bytes plte;
    size_t alphas = 0;  // tRNS holds the alphas up to the last colour that is not opaque
    for (size_t i = 0; i < image.palette.size(); ++i) {
        const PaletteColour& c = image.palette[i];
        plte.insert(plte.end(), {c.r, c.g, c.b});
        if (c.a != 255) alphas = i + 1;
    }
    writeChunk(out, "PLTE", plte);
    if (alphas) {
        Bytes trns;
        for (size_t i = 0; i < alphas; ++i) trns.push_back(image.palette[i].a);
        writeChunk(out, "tRNS", trns);
    }

    Bytes raw;
    raw.reserve(h * (w + 1));
    for (size_t y = 0; y < h; ++y) {
        raw.push_back(0);
        raw.insert(raw.end(), image.pixels.begin() + static_cast<std::ptrdiff_t>(y * w),
                   image.pixels.begin() + static_cast<std::ptrdiff_t>((y + 1) * w));
    }
    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    Bytes packed(packedSize);
    if (compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()), 9) !=
        Z_OK) {
        throw std::runtime_error("zlib could not compress the image");
    }
    packed.resize(packedSize);
    writeChunk(out, "IDAT", packed);
    writeChunk(out, "IEND", {});
    return out.take();
}

bool looksLikePng(const Bytes& bytes) {
    return bytes.size() >= sizeof kSignature &&
           std::memcmp(bytes.data(), kSignature, sizeof kSignature) == 0;
}

DecodedPng decodePng(const Bytes& bytes) {
    if (!looksLikePng(bytes)) throw FormatError("no PNG signature");
    ByteReader r(bytes);
    r.skip(sizeof kSignature);
    DecodedPng png;
    Bytes plte, trns, idat;
    bool ended = false;
    while (!r.atEnd()) {
        if (ended) throw FormatError("bytes after IEND");
        const uint32_t length = r.u32();
        const size_t start = r.pos();
        const Bytes typeBytes = r.take(4);
        const std::string type(typeBytes.begin(), typeBytes.end());
        if (length > r.remaining()) throw FormatError("chunk " + type + " runs past the end");
        const Bytes data = r.take(length);
        const uint32_t crc = r.u32();
        const uLong expected =
            crc32(crc32(0L, Z_NULL, 0), bytes.data() + start, static_cast<uInt>(4 + length));
        if (crc != static_cast<uint32_t>(expected)) throw FormatError("bad CRC on chunk " + type);
        if (png.chunks.empty() && type != "IHDR") throw FormatError("the first chunk is " + type);
        png.chunks.push_back({type, length});
        if (type == "IHDR") {
            if (length != 13) throw FormatError("IHDR of " + std::to_string(length) + " bytes");
            ByteReader h(data);
            png.width = static_cast<int>(h.u32());
            png.height = static_cast<int>(h.u32());
            png.bitDepth = h.u8();
            png.colourType = h.u8();
            h.u8();
            h.u8();
            png.interlace = h.u8();
        } else if (type == "PLTE") {
            plte = data;
        } else if (type == "tRNS") {
            trns = data;
        } else if (type == "IDAT") {
            idat.insert(idat.end(), data.begin(), data.end());
        } else if (type == "IEND") {
            ended = true;
        }
    }
    if (!ended) throw FormatError("no IEND chunk");

    png.indexed8 = png.bitDepth == 8 && png.colourType == 3 && png.interlace == 0;
    if (!png.indexed8) return png;
    if (plte.empty() || plte.size() % 3 || plte.size() > 768) throw FormatError("bad PLTE chunk");
    if (png.width < 1 || png.height < 1 || png.width > kMaxImageSide ||
        png.height > kMaxImageSide) {
        throw FormatError("image size out of range");
    }
    // A review listing has no use for the pixels of a huge image; a forged
    // header must not make it allocate gigabytes either.
    constexpr uint64_t kMaxRowBytes = 64u << 20;
    if (static_cast<uint64_t>(png.height) * (static_cast<uint64_t>(png.width) + 1) > kMaxRowBytes) {
        png.indexed8 = false;
        return png;
    }
    IndexedImage& img = png.image;
    img.width = png.width;
    img.height = png.height;
    for (size_t i = 0; i < plte.size() / 3; ++i) {
        img.palette.push_back({plte[3 * i], plte[3 * i + 1], plte[3 * i + 2],
                               static_cast<uint8_t>(i < trns.size() ? trns[i] : 255)});
    }
    const size_t w = static_cast<size_t>(png.width);
    const size_t h = static_cast<size_t>(png.height);
    Bytes raw(h * (w + 1));
    uLongf rawSize = static_cast<uLongf>(raw.size());
    if (uncompress(raw.data(), &rawSize, idat.data(), static_cast<uLong>(idat.size())) != Z_OK ||
        rawSize != raw.size()) {
        throw FormatError("IDAT does not inflate to the image's rows");
    }
    img.pixels.resize(w * h);
    for (size_t y = 0; y < h; ++y) {
        const uint8_t filter = raw[y * (w + 1)];
        const uint8_t* in = &raw[y * (w + 1) + 1];
        uint8_t* row = &img.pixels[y * w];
        const uint8_t* up = y ? &img.pixels[(y - 1) * w] : nullptr;
        for (size_t x = 0; x < w; ++x) {
            const int a = x ? row[x - 1] : 0;
            const int b = up ? up[x] : 0;
            const int c = (x && up) ? up[x - 1] : 0;
            int predicted;
            switch (filter) {
                case 0:
                    predicted = 0;
                    break;
                case 1:
                    predicted = a;
                    break;
                case 2:
                    predicted = b;
                    break;
                case 3:
                    predicted = (a + b) / 2;
                    break;
                case 4:
                    predicted = paethPredictor(a, b, c);
                    break;
                default:
                    throw FormatError("row filter " + std::to_string(filter));
            }
            row[x] = static_cast<uint8_t>(in[x] + predicted);
        }
    }
    for (size_t i = 0; i < img.pixels.size(); ++i) {
        if (img.pixels[i] >= img.palette.size()) throw FormatError("pixel beyond the palette");
    }
    return png;
}

}  // namespace rpack
