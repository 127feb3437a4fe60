// Commands and their native records, a displayable's command array, titles
// and tickers, alerts, and the class records of the interfaces and classes
// that have no code of their own.
#include <string>

#include "HAL_commands.h"
#include "HAL_status.h"
#include "HAL_strings.h"
#include "HAL_window.h"
#include "java_lang_Class.h"
#include "javax_microedition_lcdui_Alert.h"
#include "javax_microedition_lcdui_Command.h"
#include "midp_test_support.h"
#include "runtime/runtime_test_support.h"

using java::lang::String;
using javax::microedition::lcdui::Alert;
using javax::microedition::lcdui::Command;
using javax::microedition::lcdui::Ticker;
using wrentest::text;
using wrentest::thrownName;
using wrentest::midp::ProbeCanvas;

namespace {

std::string labelOf(NativeCommand* c) {
    return c && c->label ? std::string(c->label->buffer(), c->label->buffer() + c->label->length())
                         : std::string("<none>");
}

class CommandTest : public midptest::MidpTest {};

TEST_F(CommandTest, ACommandKeepsWhatItWasMadeWithAndMirrorsItNatively) {
    VMPtr<Command> back = Command::make(WREN_LIT("Back"), Command::BACK, 1);
    EXPECT_EQ(text(back->getLabel()), "Back");
    EXPECT_EQ(back->getLongLabel(), nullptr);
    EXPECT_EQ(back->getCommandType(), 2);
    EXPECT_EQ(back->getPriority(), 1);
    ASSERT_NE(back->nativeCommand, nullptr);
    EXPECT_EQ(labelOf(back->nativeCommand), "Back");
    EXPECT_EQ(back->nativeCommand->type, 2);
    EXPECT_EQ(back->nativeCommand->priority, 1);
    EXPECT_EQ(back->id(), reinterpret_cast<intptr_t>(back->nativeCommand));

    VMPtr<Command> quit =
        Command::make(WREN_LIT("Quit"), WREN_LIT("Quit the game"), Command::EXIT, -5);
    EXPECT_EQ(text(quit->getLongLabel()), "Quit the game");
    EXPECT_EQ(quit->getPriority(), -5);
}

TEST_F(CommandTest, BadTypesAndMissingLabelsAreRefused) {
    VMPtr<String> label = WREN_LIT("Go");
    EXPECT_EQ(thrownName([&] { Command::make(label, 0, 1); }),
              "java.lang.IllegalArgumentException");
    EXPECT_EQ(thrownName([&] { Command::make(label, 9, 1); }),
              "java.lang.IllegalArgumentException");
    EXPECT_EQ(thrownName([&] { Command::make(VMPtr<String>(nullptr), Command::OK, 1); }),
              "java.lang.NullPointerException");
    EXPECT_EQ(thrownName([&] { Command::make(VMPtr<String>(nullptr), label, Command::OK, 1); }),
              "java.lang.NullPointerException");
    // A bad type wins over a missing label: it is checked first.
    EXPECT_EQ(thrownName([&] { Command::make(VMPtr<String>(nullptr), 0, 1); }),
              "java.lang.IllegalArgumentException");
}

TEST_F(CommandTest, TheDismissCommandHasAnEmptyLabelTypeOkAndPriorityZero) {
    VMPtr<Command> dismiss = Alert::S().DISMISS_COMMAND;
    ASSERT_TRUE(dismiss != nullptr);
    EXPECT_EQ(text(dismiss->getLabel()), "");
    EXPECT_EQ(dismiss->getCommandType(), Command::OK);
    EXPECT_EQ(dismiss->getPriority(), 0);
    EXPECT_NE(dismiss->nativeCommand, nullptr);
}

TEST_F(CommandTest, TheNativeCommandNativesCheckTheirArguments) {
    NativeCommand* made = nullptr;
    EXPECT_EQ(HAL_createCommand(&made, nullptr, 3, 1, 0), HAL_BAD_ARGUMENT);
    EXPECT_EQ(made, nullptr);
    EXPECT_EQ(HAL_deleteCommand(nullptr), HAL_BAD_ARGUMENT);
    const jchar label[] = u"Go";
    EXPECT_EQ(HAL_createCommand(nullptr, label, 2, 1, 0), HAL_OK);  // nothing kept, nothing leaked
    ASSERT_EQ(HAL_createCommand(&made, label, 2, 4, 7), HAL_OK);
    EXPECT_EQ(labelOf(made), "Go");
    EXPECT_EQ(HAL_deleteCommand(made), HAL_OK);
}

TEST_F(CommandTest, CommandArrayGrowsByFourAndKeepsEachCommandOnce) {
    VMPtr<ProbeCanvas> canvas = ProbeCanvas::make("c");
    std::vector<VMPtr<Command>> commands;
    for (int i = 0; i < 5; ++i) {
        commands.push_back(Command::make(String::valueOf(jint(i)), Command::SCREEN, i));
        canvas->addCommand(commands.back());
        EXPECT_EQ(canvas->commands->length, i < 4 ? 4 : 8);
    }
    canvas->addCommand(commands[2]);
    EXPECT_EQ(canvas->commandCount, 5);
    EXPECT_EQ(canvas->addCommandToArray(commands[0]), -1);
    EXPECT_EQ(thrownName([&] { canvas->addCommand(nullptr); }), "java.lang.NullPointerException");
}

TEST_F(CommandTest, RemovingACommandMovesTheLastIntoItsPlace) {
    VMPtr<ProbeCanvas> canvas = ProbeCanvas::make("c");
    VMPtr<Command> a = Command::make(WREN_LIT("a"), Command::SCREEN, 0);
    VMPtr<Command> b = Command::make(WREN_LIT("b"), Command::SCREEN, 0);
    VMPtr<Command> c = Command::make(WREN_LIT("c"), Command::SCREEN, 0);
    for (const VMPtr<Command>& cmd : {a, b, c}) canvas->addCommand(cmd);
    EXPECT_EQ(canvas->removeCommandFromArray(a), 0);
    EXPECT_EQ(canvas->commandCount, 2);
    EXPECT_TRUE(canvas->commands->at(0) == c);
    EXPECT_TRUE(canvas->commands->at(1) == b);
    EXPECT_TRUE(canvas->commands->at(2) == nullptr);
    EXPECT_EQ(canvas->removeCommandFromArray(a), -1);
    canvas->removeCommand(a);  // absent: nothing happens
    EXPECT_EQ(canvas->commandCount, 2);
}

TEST_F(CommandTest, TitleAndTicker) {
    VMPtr<ProbeCanvas> canvas = ProbeCanvas::make("c");
    EXPECT_EQ(canvas->getTitle(), nullptr);
    VMPtr<String> first = String::make("Title");
    canvas->setTitle(first);
    canvas->setTitle(String::make("Title"));  // equal text: the first is kept
    EXPECT_TRUE(canvas->getTitle() == first);
    canvas->setTitle(nullptr);
    EXPECT_EQ(canvas->getTitle(), nullptr);

    EXPECT_EQ(thrownName([] { Ticker::make(VMPtr<String>(nullptr)); }),
              "java.lang.NullPointerException");
    VMPtr<Ticker> ticker = Ticker::make(WREN_LIT("news"));
    canvas->setTicker(ticker);
    EXPECT_TRUE(canvas->getTicker() == ticker);
    EXPECT_EQ(text(canvas->getTicker()->getString()), "news");
    canvas->setTicker(nullptr);
    EXPECT_EQ(canvas->getTicker(), nullptr);
}

TEST_F(CommandTest, ClassRecordsOfTheClassesWithoutCode) {
    struct Case {
        const char* name;
        const char* super;
        bool isInterface;
        bool isAbstract;
        bool hasFactory;
    } cases[] = {
        {"javax.microedition.lcdui.CommandListener", "", true, false, false},
        {"javax.microedition.lcdui.Screen", "javax.microedition.lcdui.Displayable", false, true,
         false},
        {"javax.microedition.lcdui.Alert", "javax.microedition.lcdui.Screen", false, false, false},
        {"javax.microedition.lcdui.DefaultAlertListener", "java.lang.Object", false, false, true},
        {"javax.microedition.lcdui.Command", "java.lang.Object", false, false, false},
        {"javax.microedition.lcdui.Canvas", "javax.microedition.lcdui.Displayable", false, true,
         false},
        {"javax.microedition.lcdui.game.GameCanvas", "javax.microedition.lcdui.Canvas", false,
         false, false},
        {"javax.microedition.midlet.MIDletStateChangeException", "java.lang.Exception", false,
         false, true},
        {"com.nimbault.marl.AMS", "java.lang.Object", false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        java::lang::Class* cls = vmFindClass(c.name);
        ASSERT_NE(cls, nullptr);
        EXPECT_STREQ(cls->superName, c.super);
        EXPECT_EQ(cls->isInterface, c.isInterface);
        EXPECT_EQ(cls->isAbstract, c.isAbstract);
        EXPECT_EQ(cls->factory != nullptr, c.hasFactory);
    }
    EXPECT_NE(vmFindClass("com.nimbault.marl.AMS")->mainEntry, nullptr);
}

}  // namespace
