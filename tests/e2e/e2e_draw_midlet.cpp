// The drawing MIDlet of the end-to-end program: a game canvas whose frame
// thread paints a white frame with the resource image "/images/tiles.png"
// (as it is and turned by TRANS_ROT90) and the text "Wren" twice (anchored
// TOP | LEFT and BOTTOM | RIGHT to give the same box), flushing every 10 ms.
// It reports the text's width and height once ("frame: text W H"); the End
// key ends the scenario.
#include <string>

#include "VMClass.h"
#include "java_io_IOException.h"
#include "java_io_PrintStream.h"
#include "java_lang_InterruptedException.h"
#include "java_lang_Runnable.h"
#include "java_lang_System.h"
#include "java_lang_Thread.h"
#include "javax_microedition_lcdui_Display.h"
#include "javax_microedition_lcdui_Font.h"
#include "javax_microedition_lcdui_Image.h"
#include "javax_microedition_lcdui_game_GameCanvas.h"
#include "javax_microedition_midlet_MIDlet.h"

namespace wrentest::e2e {

using javax::microedition::lcdui::Display;
using javax::microedition::lcdui::Font;
using javax::microedition::lcdui::Graphics;
using javax::microedition::lcdui::Image;
using javax::microedition::lcdui::game::GameCanvas;
using javax::microedition::midlet::MIDlet;

namespace {
void print(const std::string& line) {
    java::lang::System::S().out->println(line.c_str());
}
}  // namespace

class DrawCanvas : public GameCanvas {
    WREN_CLASS(DrawCanvas, GameCanvas, (midlet, MIDlet))
public:
    void ctor(const VMPtr<MIDlet>& owner) {
        GameCanvas::ctor(false);
        midlet = owner;
    }
    void keyPressed(jint code) override {
        if (code == -11) {  // End
            print("notifyDestroyed");
            midlet->notifyDestroyed();
        }
    }
};

class DrawFrames : public virtual java::lang::Object, public virtual java::lang::Runnable {
    WREN_CLASS(DrawFrames, java::lang::Object, (canvas, DrawCanvas), (midlet, MIDlet),
               (tiles, Image))
public:
    void ctor(const VMPtr<DrawCanvas>& c, const VMPtr<MIDlet>& m, const VMPtr<Image>& image) {
        java::lang::Object::ctor();
        canvas = c;
        midlet = m;
        tiles = image;
    }
    void run() override {
        bool reported = false;
        VMPtr<java::lang::String> text = WREN_LIT("Wren");
        try {
            while (midlet->state != MIDlet::DESTROYED) {
                VMPtr<Graphics> g = canvas->getGraphics();
                g->setColor(0xFFFFFF);
                g->fillRect(0, 0, canvas->getWidth(), canvas->getHeight());
                g->drawImage(tiles, 10, 10, Graphics::TOP | Graphics::LEFT);
                g->drawRegion(tiles, 0, 0, 4, 2, 5, 30, 10, Graphics::TOP | Graphics::LEFT);
                g->setColor(0x000000);
                VMPtr<Font> font = g->getFont();
                jint w = font->stringWidth(text), h = font->getHeight();
                g->drawString(text, 10, 40, Graphics::TOP | Graphics::LEFT);
                g->drawString(text, 100 + w, 40 + h, Graphics::BOTTOM | Graphics::RIGHT);
                canvas->flushGraphics();
                if (!reported) print("frame: text " + std::to_string(w) + " " + std::to_string(h));
                reported = true;
                java::lang::Thread::sleep(10);
            }
        } catch (java::lang::InterruptedException* caught) {
            VMPtr<java::lang::InterruptedException> stopped = caught;  // the program is ending
        }
    }
};

class DrawMIDlet : public MIDlet {
    WREN_CLASS(DrawMIDlet, MIDlet, (canvas, DrawCanvas))
public:
    void ctor() { MIDlet::ctor(); }
    void startApp() override {
        print("startApp");
        if (canvas) return;
        VMPtr<Image> tiles;
        try {
            tiles = Image::createImage(WREN_LIT("/images/tiles.png"));
        } catch (java::io::IOException* caught) {
            VMPtr<java::io::IOException> e = caught;
            print("createImage: " + e->getMessage()->toUtf8());
            notifyDestroyed();
            return;
        }
        canvas = DrawCanvas::make(VMPtr<MIDlet>(this));
        Display::getDisplay(this)->setCurrent(canvas);
        java::lang::Thread::make(DrawFrames::make(canvas, VMPtr<MIDlet>(this), tiles))->start();
    }
    void pauseApp() override {}
    void destroyApp(jboolean) override {}
};

}  // namespace wrentest::e2e

WREN_DEFINE_CLASS(wrentest::e2e::DrawCanvas, "wrentest.e2e.DrawCanvas")
WREN_DEFINE_CLASS(wrentest::e2e::DrawFrames, "wrentest.e2e.DrawFrames", java::lang::Runnable)
WREN_DEFINE_CLASS(wrentest::e2e::DrawMIDlet, "wrentest.e2e.DrawMIDlet")
