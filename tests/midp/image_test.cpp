// Image: the four ways to make one (a PNG resource, encoded bytes, ARGB
// ints, blank and mutable) plus a transformed region, read back exactly
// through getRGB; corrupt data and bad arguments as the exceptions the MIDP
// contract names, never a stop.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "graphics_test_support.h"
#include "java_lang_Throwable.h"
#include "program_folder.h"

using namespace gfxtest;
using wrentest::text;
using wrentest::thrownBy;
using wrentest::thrownName;

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<uint8_t>;
using Rows = std::vector<std::string>;
const char* const kIAE = "java.lang.IllegalArgumentException";
const char* const kAIOOBE = "java.lang.ArrayIndexOutOfBoundsException";
const char* const kNPE = "java.lang.NullPointerException";

// The resource folder is read once per process from WREN_MODULE_DIR; make
// sure it names a folder of this process's own before main runs (another
// suite in this program may have named one already).
wrentest::ProcessProgramFolder moduleDir("/tmp/wren_image_XXXXXX");

const fs::path kFixtures = fs::path(WREN_TEST_FIXTURES) / "images";

Bytes readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Puts `bytes` at rsc/<name> of the program's folder.
void installResource(const std::string& name, const Bytes& bytes) {
    fs::path path = fs::path(std::getenv("WREN_MODULE_DIR")) / "rsc" / name;
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

VMPtr<VMArray<jbyte>> byteArray(const Bytes& bytes, size_t before = 0, size_t after = 0) {
    VMPtr<VMArray<jbyte>> a = VMArray<jbyte>::create(jint(before + bytes.size() + after));
    for (size_t i = 0; i < bytes.size(); ++i) (*a)[jint(before + i)] = jbyte(bytes[i]);
    return a;
}

VMPtr<java::lang::String> str(const char* s) { return java::lang::String::make(s); }

// tiles.png: 4 by 2, RGBA. Row 0: red, green, blue, transparent; row 1:
// white, black, yellow at alpha 0x80, 0x123456. As it reads back after
// RGB565 truncation:
const std::vector<uint32_t> kTiles = {
    kRed,  kGreen, kBlue,      0x00000000,  //
    kWhite, kBlack, 0x80F8FC00, 0xFF103450,
};

TEST(ImageCreate, FromAPngResource) {
    installResource("images/tiles.png", readFile(kFixtures / "tiles.png"));
    VMPtr<Image> img = Image::createImage(str("/images/tiles.png"));
    EXPECT_EQ(img->getWidth(), 4);
    EXPECT_EQ(img->getHeight(), 2);
    EXPECT_FALSE(img->isMutable());
    EXPECT_TRUE(img->hasAlpha());
    EXPECT_EQ(pixels(img), kTiles);
    EXPECT_EQ(thrownName([&] { img->getGraphics(); }), "java.lang.IllegalStateException");
}

TEST(ImageCreate, ANameWithoutSlashIsUnderThePackageFolder) {
    installResource("images/tiles.png", readFile(kFixtures / "tiles.png"));
    VMPtr<java::lang::Throwable> missing =
        thrownBy([] { Image::createImage(str("images/tiles.png")); });
    ASSERT_EQ(wrentest::classNameOf(missing), "java.io.IOException");
    EXPECT_EQ(text(missing->getMessage()), "HAL_createImageWithResource() error: 4");

    // The same name under the class's package folder is another resource.
    const std::string relative = "javax/microedition/lcdui/images/tiles.png";
    installResource(relative, readFile(kFixtures / "dot.png"));
    EXPECT_EQ(pixels(Image::createImage(str("images/tiles.png"))), std::vector<uint32_t>{kBlue});
    EXPECT_EQ(pixels(Image::createImage(str("/images/tiles.png"))), kTiles);
    fs::remove(fs::path(std::getenv("WREN_MODULE_DIR")) / "rsc" / relative);
    EXPECT_EQ(thrownName([] { Image::createImage(VMPtr<java::lang::String>()); }), kNPE);
}

TEST(ImageCreate, CorruptResourcesAreIOExceptions) {
    Bytes png = readFile(kFixtures / "tiles.png");
    struct Case {
        const char* name;
        Bytes bytes;
        const char* message;
    };
    const Case cases[] = {
        {"bad/text.png", Bytes{'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e'},
         "HAL_createImageWithResource() error: 6"},
        {"bad/truncated.png", Bytes(png.begin(), png.begin() + long(png.size() / 2)),
         "HAL_createImageWithResource() error: 6"},
        {"bad/empty.png", Bytes{}, "HAL_createImageWithResource() error: 7"},
    };
    for (const Case& c : cases) {
        installResource(c.name, c.bytes);
        VMPtr<java::lang::Throwable> e =
            thrownBy([&] { Image::createImage(str((std::string("/") + c.name).c_str())); });
        EXPECT_EQ(wrentest::classNameOf(e), "java.io.IOException") << c.name;
        if (e) {
            EXPECT_EQ(text(e->getMessage()), c.message) << c.name;
        }
    }
}

TEST(ImageCreate, FromBytesAnywhereInTheArray) {
    Bytes png = readFile(kFixtures / "tiles.png");
    VMPtr<Image> whole = Image::createImage(byteArray(png), 0, jint(png.size()));
    EXPECT_EQ(pixels(whole), kTiles);
    VMPtr<Image> inside = Image::createImage(byteArray(png, 7, 5), 7, jint(png.size()));
    EXPECT_EQ(pixels(inside), kTiles);
    EXPECT_FALSE(inside->isMutable());
}

TEST(ImageCreate, UndecodableBytesAreIllegalArguments) {
    Bytes png = readFile(kFixtures / "tiles.png");
    VMPtr<VMArray<jbyte>> notImage = byteArray(Bytes{'G', 'I', 'F', '8', '9', 'a', 0, 0});
    VMPtr<VMArray<jbyte>> full = byteArray(png);
    struct Case {
        const char* what;
        VMPtr<VMArray<jbyte>> data;
        jint offset, length;
    };
    const Case cases[] = {
        {"not an image", notImage, 0, 8},
        {"cut in half", full, 0, jint(png.size() / 2)},
        {"past the signature", full, 8, jint(png.size()) - 8},
        // No bytes at all: the bridge calls this a bad argument, which is
        // bad data here like any other.
        {"no bytes", full, 0, 0},
    };
    for (const Case& c : cases) {
        VMPtr<java::lang::Throwable> e =
            thrownBy([&] { Image::createImage(c.data, c.offset, c.length); });
        EXPECT_EQ(wrentest::classNameOf(e), kIAE) << c.what;
        if (e) {
            EXPECT_EQ(text(e->getMessage()), "HAL_createImageWithData() error: HAL_BAD_FORMAT_ERR")
                << c.what;
        }
    }
}

TEST(ImageCreate, ByteRangesOutsideTheArray) {
    VMPtr<VMArray<jbyte>> data = VMArray<jbyte>::create(10);
    struct Case {
        const char* what;
        jint offset, length;
    };
    const Case cases[] = {
        {"negative offset", -1, 2},       {"offset at the end", 10, 0},
        {"negative length", 0, -1},       {"past the end", 5, 6},
        {"length past INT_MAX", 1, INT_MAX},
    };
    for (const Case& c : cases)
        EXPECT_EQ(thrownName([&] { Image::createImage(data, c.offset, c.length); }), kAIOOBE)
            << c.what;
    EXPECT_EQ(thrownName([] { Image::createImage(VMPtr<VMArray<jbyte>>(), 0, 1); }), kNPE);
}

TEST(ImageCreate, FromArgbWithAndWithoutAlpha) {
    VMPtr<VMArray<jint>> argb = VMArray<jint>::of(
        {jint(0x00FF0000), jint(0xFF00FF00), jint(0x800000FF), jint(0x12345678)});
    VMPtr<Image> opaque = Image::createRGBImage(argb, 2, 2, false);
    EXPECT_FALSE(opaque->hasAlpha());
    EXPECT_EQ(pixels(opaque), (std::vector<uint32_t>{kRed, kGreen, kBlue, 0xFF305478}));
    VMPtr<Image> alpha = Image::createRGBImage(argb, 2, 2, true);
    EXPECT_TRUE(alpha->hasAlpha());
    EXPECT_EQ(pixels(alpha), (std::vector<uint32_t>{0x00F80000, kGreen, 0x800000F8, 0x12305478}));
    EXPECT_FALSE(alpha->isMutable());

    // Only alphas below 8 and from 248: colour-keyed. A transparent pixel
    // keeps the key's colour bits, and an opaque pixel that converts to the
    // key reads back transparent too.
    VMPtr<VMArray<jint>> keyed =
        VMArray<jint>::of({jint(0x05FF0000), jint(0xFF0000FF), jint(0xFFFF00FF)});
    VMPtr<Image> img = Image::createRGBImage(keyed, 3, 1, true);
    EXPECT_TRUE(img->hasAlpha());
    EXPECT_EQ(pixels(img), (std::vector<uint32_t>{0x00F800F8, kBlue, 0x00F800F8}));
}

TEST(ImageCreate, ArgbArgumentErrors) {
    VMPtr<VMArray<jint>> four = VMArray<jint>::create(4);
    EXPECT_EQ(thrownName([] { Image::createRGBImage(VMPtr<VMArray<jint>>(), 1, 1, false); }), kNPE);
    EXPECT_EQ(thrownName([&] { Image::createRGBImage(four, 0, 1, false); }), kIAE);
    EXPECT_EQ(thrownName([&] { Image::createRGBImage(four, 1, -1, false); }), kIAE);
    EXPECT_EQ(thrownName([&] { Image::createRGBImage(four, 5, 1, false); }), kAIOOBE);
    // width * height past 32 bits must not wrap to something small.
    EXPECT_EQ(thrownName([&] { Image::createRGBImage(four, 65536, 65536, false); }), kAIOOBE);
    EXPECT_EQ(thrownName([&] { Image::createRGBImage(four, 65537, 65535, false); }), kAIOOBE);
    // A side no surface can have is the caller's bad size, not a reason to
    // stop the program.
    VMPtr<VMArray<jint>> wide = VMArray<jint>::create(40000);
    EXPECT_EQ(thrownName([&] { Image::createRGBImage(wide, 40000, 1, false); }), kIAE);
}

TEST(ImageCreate, FreshMutableImagesReadBackTheConvertedFill) {
    VMPtr<Image> opaque = Image::createImage(10, 10, false, 0x00123456);
    EXPECT_TRUE(opaque->isMutable());
    EXPECT_FALSE(opaque->hasAlpha());
    EXPECT_EQ(pixels(opaque), std::vector<uint32_t>(100, 0xFF103450));
    VMPtr<Image> clear = Image::createImage(10, 10, true, 0x00000000);
    EXPECT_TRUE(clear->hasAlpha());
    EXPECT_EQ(pixels(clear), std::vector<uint32_t>(100, 0));
    VMPtr<Image> red = Image::createImage(3, 2, true, int32_t(0xFFFF0000));
    EXPECT_EQ(pixels(red), std::vector<uint32_t>(6, kRed));
    VMPtr<Image> half = Image::createImage(3, 2, true, int32_t(0x80FF0000));
    EXPECT_EQ(pixels(half), std::vector<uint32_t>(6, 0x80F80000));

    EXPECT_EQ(thrownName([] { Image::createImage(-1, 5, false, 0); }), kIAE);
    EXPECT_EQ(thrownName([] { Image::createImage(5, -1, true, 0); }), kIAE);
    EXPECT_EQ(thrownName([] { Image::createImage(0, 5, false, 0); }), kIAE);
    EXPECT_EQ(thrownName([] { Image::createImage(5, 0, true, 0); }), kIAE);
    EXPECT_EQ(thrownName([] { Image::createImage(40000, 1, false, 0); }), kIAE);
    EXPECT_EQ(thrownName([] { Image::createImage(1, 40000, true, 0); }), kIAE);
}

TEST(ImageCreate, FromARegionUnderATransform) {
    VMPtr<Image> src = imageOf({"rgb", "#y "});
    struct Case {
        jint x, y, w, h, transform;
        Rows expected;
    };
    const Case cases[] = {
        {0, 0, 3, 2, 0, {"rgb", "#y "}},
        {1, 0, 2, 2, 0, {"gb", "y "}},
        {0, 0, 3, 2, 2, {"bgr", " y#"}},   // TRANS_MIRROR
        {0, 0, 3, 2, 5, {"#r", "yg", " b"}},  // TRANS_ROT90
        {0, 1, 2, 1, 6, {"y", "#"}},        // TRANS_ROT270
    };
    for (const Case& c : cases) {
        VMPtr<Image> img = Image::createImage(src, c.x, c.y, c.w, c.h, c.transform);
        EXPECT_FALSE(img->isMutable());
        EXPECT_EQ(picture(img), c.expected) << c.transform;
    }
    EXPECT_EQ(thrownName([&] { Image::createImage(src, 0, 0, 4, 1, 0); }), kIAE);
    EXPECT_EQ(thrownName([&] { Image::createImage(src, 1, 0, INT_MAX, 1, 0); }), kIAE);
    EXPECT_EQ(thrownName([&] { Image::createImage(src, 0, 0, 0, 1, 0); }), kIAE);
    EXPECT_EQ(thrownName([&] { Image::createImage(src, 0, 0, 1, 1, 8); }), kIAE);
    EXPECT_EQ(thrownName([&] { Image::createImage(VMPtr<Image>(), 0, 0, 1, 1, 0); }), kNPE);
}

// --- getRGB --------------------------------------------------------------------------

TEST(ImageRGB, RowsPlacedByOffsetAndScanlength) {
    VMPtr<Image> img = imageOf({"rgb", "#y."});
    VMPtr<VMArray<jint>> out = VMArray<jint>::create(8);
    img->getRGB(out, 1, 3, 1, 0, 2, 2);  // forward: rows 3 apart from 1
    EXPECT_EQ(uint32_t((*out)[1]), kGreen);
    EXPECT_EQ(uint32_t((*out)[2]), kBlue);
    EXPECT_EQ(uint32_t((*out)[4]), kYellow);
    EXPECT_EQ(uint32_t((*out)[5]), kWhite);
    EXPECT_EQ((*out)[3], 0);
    out = VMArray<jint>::create(8);
    img->getRGB(out, 5, -4, 0, 0, 3, 2);  // backward: the second row at 1
    EXPECT_EQ(uint32_t((*out)[5]), kRed);
    EXPECT_EQ(uint32_t((*out)[7]), kBlue);
    EXPECT_EQ(uint32_t((*out)[1]), kBlack);
    EXPECT_EQ(uint32_t((*out)[3]), kWhite);
    EXPECT_EQ((*out)[4], 0);
}

TEST(ImageRGB, ArgumentErrors) {
    VMPtr<Image> img = blank(3, 2);
    VMPtr<VMArray<jint>> out = VMArray<jint>::create(6);
    struct Case {
        const char* what;
        jint offset, scan, x, y, w, h;
        const char* thrown;
    };
    const Case cases[] = {
        {"negative x", 0, 3, -1, 0, 1, 1, kIAE},
        {"past the right edge", 0, 3, 1, 0, 3, 1, kIAE},
        {"past the bottom", 0, 3, 0, 1, 1, 2, kIAE},
        {"x plus width past INT_MAX", 0, 3, 1, 0, INT_MAX, 1, kIAE},
        {"scanlength below width", 0, 2, 0, 0, 3, 1, kIAE},
        {"scanlength INT_MIN, one row", 0, INT_MIN, 0, 0, 3, 1, "nothing"},
        {"negative offset", -1, 3, 0, 0, 1, 1, kAIOOBE},
        {"last row past the end", 1, 3, 0, 0, 3, 2, kAIOOBE},
        {"backward rows before the start", 2, -3, 0, 0, 3, 2, kAIOOBE},
        // The first row runs past the end although the last one fits.
        {"backward first row past the end", 5, -4, 0, 0, 3, 2, kAIOOBE},
        {"zero width, null-free", 0, 3, 0, 0, 0, 2, "nothing"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(thrownName([&] { img->getRGB(out, c.offset, c.scan, c.x, c.y, c.w, c.h); }),
                  c.thrown)
            << c.what;
    }
    // Nothing to copy: not even the array is looked at.
    EXPECT_EQ(thrownName([&] { img->getRGB(nullptr, 0, 0, 0, 0, 0, 0); }), "nothing");
    EXPECT_EQ(thrownName([&] { img->getRGB(nullptr, 0, 3, 0, 0, 1, 1); }), kNPE);
}

}  // namespace
