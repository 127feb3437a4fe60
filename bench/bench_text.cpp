// Text the game's way: a page of 2000 characters decoded from a text table,
// measured, wrapped to 200 pixels and painted in a 95-glyph bitmap font
// (5x7 inks, advance 6) into a 240x320 RGB565 frame (the lines inside it;
// the rest are skipped, as the game's paint does), in characters per microsecond beside memcpy of
// the frame in frames per millisecond. Each figure is the median over rounds that time memcpy and
// the text in turn, so that load from other processes moves both sides of a ratio alike.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "bench_timing.h"
#include "HAL_threads.h"
#include "VM.h"
#include "javax_microedition_lcdui_Graphics.h"
#include "javax_microedition_lcdui_Image.h"
#include "wren_Gob.h"
#include "wren_Resources.h"
#include "wren_util_text_RichFont.h"
#include "wren_util_text_Translation.h"
#include "wren_util_text_WrappedText.h"

namespace {

using javax::microedition::lcdui::Graphics;
using javax::microedition::lcdui::Image;
using wren::Gob;
using wren::util::text::RichFont;
using wren::util::text::Translation;
using wren::util::text::WrappedText;

constexpr jint W = 240, H = 320, kChars = 2000;
constexpr int kRounds = 51, kReps = 20;

// Glyphs for ' '..'~' in the converted form, with the header in the box
// heights of the first seven.
VMPtr<VMArray<Gob*>> glyphs() {
    VMPtr<VMArray<Gob*>> set = VMArray<Gob*>::create(95);
    VMPtr<VMArray<jint>> ink = VMArray<jint>::create(5 * 7);
    for (jint i = 0; i < 35; ++i) ink[i] = (i % 3) ? jint(0xFF102030) : 0;
    const jshort header[7] = {9, 7, 6, 0, 10, 0, 1};
    for (jint c = 0; c < 95; ++c) {
        VMPtr<Gob> g = Gob::createFromRGB(ink, 5, 7, true);
        g->boxX = jshort(32 + c);
        g->boxWidth = 6;
        g->boxHeight = c < 7 ? header[c] : 0;
        set[c] = g;
    }
    return set;
}

// One text of words of 2 to 9 letters.
VMPtr<Translation> table() {
    std::vector<uint8_t> entry{0, 1, uint8_t(kChars >> 8), uint8_t(kChars)};
    for (jint i = 0; i < kChars; ++i) entry.push_back(i % 7 == 6 ? ' ' : uint8_t('a' + i % 26));
    VMPtr<VMArray<jbyte>> b = VMArray<jbyte>::create(jint(entry.size()));
    for (size_t i = 0; i < entry.size(); ++i) b[jint(i)] = jbyte(entry[i]);
    return Translation::make(wren::Resources::openStream(b, 0, b->length), b->length);
}

template <typename F>
double seconds(F&& f) {
    return benchtiming::seconds(kReps, f);
}
using benchtiming::median;

void run() {
    VMPtr<Image> frame = Image::createImage(W, H, false, 0);
    VMPtr<Graphics> g = frame->getGraphics();
    std::vector<uint16_t> a(size_t(W) * H, 1), b(size_t(W) * H);
    auto copy = [&] {
        std::memcpy(b.data(), a.data(), a.size() * 2);
        asm volatile("" : : "r"(b.data()) : "memory");
    };
    VMPtr<RichFont> font = RichFont::make();
    font->setBitmapFont(glyphs());
    VMPtr<Translation> texts = table();
    VMPtr<WrappedText> wrapped = WrappedText::make(nullptr);
    VMPtr<java::lang::String> page = texts->getString(0);
    wrapped->wrap(font, page, 200);

    struct Row {
        const char* name;
        std::vector<double> rates;
    } rows[] = {{"decode", {}}, {"measure", {}}, {"wrap", {}}, {"paint", {}}};
    std::vector<double> memcpyRates;
    double chars = double(kChars) * kReps;
    for (int r = 0; r < kRounds; ++r) {
        memcpyRates.push_back(kReps / seconds(copy) / 1e3);
        rows[0].rates.push_back(chars / seconds([&] { texts->getString(0); }) / 1e6);
        rows[1].rates.push_back(chars / seconds([&] { font->stringWidth(page); }) / 1e6);
        rows[2].rates.push_back(chars / seconds([&] { wrapped->wrap(font, page, 200); }) / 1e6);
        rows[3].rates.push_back(chars / seconds([&] { wrapped->paint(g, 4, 0, 20); }) / 1e6);
    }
    double memcpyRate = median(memcpyRates);
    std::printf(
        "A page of %d characters, %d lines of 200 px, into a %dx%d frame (median of %d "
        "rounds)\n",
        kChars, wrapped->getLineCount(), W, H, kRounds);
    std::printf("memcpy of the frame: %.1f frames/ms\n\n", memcpyRate);
    std::printf("%-8s %12s %14s\n", "step", "chars/us", "pages/memcpy");
    for (const Row& row : rows) {
        double rate = median(row.rates);
        // How many whole pages take the time of one frame copy.
        std::printf("%-8s %12.1f %14.3f\n", row.name, rate, rate * 1e3 / kChars / memcpyRate);
    }
}

}  // namespace

int main() {
    HAL_enterVMLock();
    int booted = VM::start(8u << 20, 256u << 20, NativeThread_adoptCurrent(), nullptr, 0);
    if (booted != VM::INITIALIZATION_FAILED && booted != VM::BOOTED) {
        std::fprintf(stderr, "bench_text: runtime start-up failed (%d)\n", booted);
        return 1;
    }
    try {
        run();
    } catch (java::lang::Object* caught) {
        VMPtr<java::lang::Object> e = caught;
        std::fprintf(stderr, "bench_text: uncaught %s\n", e->toString()->toUtf8().c_str());
        return 1;
    }
    return 0;
}
