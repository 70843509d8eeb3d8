// The GUI's widget kinds and the layer that drives them, as a game uses them: widgets made on a 16-bit screen
// of SDL's dummy driver with the shipped skin, events pushed into SDL's queue and handled by the engine's event
// handling, frames drawn by the layer, and the screen's pixels and the render queue read back.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Console.h"
#include "Dialog.h"
#include "Game.h"
#include "GameLoop.h"
#include "Gui.h"
#include "GuiControls.h"
#include "GuiDialog.h"
#include "GuiLayer.h"
#include "GuiText.h"
#include "ImageList.h"
#include "ImageLoader.h"
#include "ImageTestSupport.h"
#include "RenderQueue.h"
#include "SkinLoader.h"
#include "TestSupport.h"
#include "Widget.h"
#include "WidgetManager.h"

namespace {

const Uint8 backR = 16, backG = 32, backB = 48;  // the cleared background, exact on a 5-6-5 screen

int eventsSeenByGame = 0;
void countEvent(SDL_Event *)
{
    ++eventsSeenByGame;
}

void countCall(GuiWidget *, void *data)
{
    ++*static_cast<int *>(data);
}

class GuiTest : public ImageDisplayTest {
protected:
    void SetUp() override
    {
        ImageDisplayTest::SetUp();
        NFILoader::globalLoader()->addNFIFile(ZARVELLO_BUILD_DIR "/data/default.nfi");
        skin = loadSkin("default");
        ASSERT_NE(skin, nullptr) << "the shipped skin is built into " ZARVELLO_BUILD_DIR "/data/default.nfi";
        clearScreenArea(nullptr, backR, backG, backB);
        eventsSeenByGame = 0;
        GameHooks hooks = {nullptr, nullptr, countEvent, nullptr};
        setGameHooks(&hooks);
    }
    void TearDown() override
    {
        setGameHooks(nullptr);
        shutdownGUI();
        delete RenderQueue::globalRenderQueue();
        ImageDisplayTest::TearDown();
    }

    // One frame: the queued events handled as the main loop handles them, then the GUI drawn.
    void frame()
    {
        handleEvents();
        drawGui();
    }
    void push(SDL_Event event) { ASSERT_EQ(0, SDL_PushEvent(&event)); }
    void moveTo(int x, int y)
    {
        SDL_Event e = {};
        e.type = SDL_MOUSEMOTION;
        e.motion.x = Uint16(x);
        e.motion.y = Uint16(y);
        push(e);
        frame();
    }
    void button(Uint8 type, int x, int y, Uint8 which = SDL_BUTTON_LEFT)
    {
        SDL_Event e = {};
        e.type = type;
        e.button.button = which;
        e.button.x = Uint16(x);
        e.button.y = Uint16(y);
        push(e);
        frame();
    }
    void click(int x, int y)
    {
        moveTo(x, y);
        button(SDL_MOUSEBUTTONDOWN, x, y);
        button(SDL_MOUSEBUTTONUP, x, y);
    }
    void key(SDLKey sym, Uint16 unicode = 0, SDLMod mod = KMOD_NONE)
    {
        SDL_Event e = {};
        e.type = SDL_KEYDOWN;
        e.key.keysym.sym = sym;
        e.key.keysym.unicode = unicode;
        e.key.keysym.mod = mod;
        push(e);
        frame();
    }
    void type(const char *text)
    {
        for (const char *p = text; *p; ++p)
            key(SDLKey(*p), Uint16(*p));
    }
    Uint16 at(int x, int y) const { return pixelAt(screen, x, y); }
    Uint16 background() const { return Uint16(SDL_MapRGB(screen->format, backR, backG, backB)); }
    // Whether every pixel of r is the background.
    bool isBackground(const SDL_Rect &r) const
    {
        for (int y = r.y; y < r.y + r.h; ++y)
            for (int x = r.x; x < r.x + r.w; ++x)
                if (at(x, y) != background())
                    return false;
        return true;
    }
    SDL_Rect closeButtonOf(DialogWindow *dialog)
    {
        SDL_Rect d;
        dialog->screenExtents(&d);
        ImageList *button = skin->getCaptionButton(SDL_TRUE);
        ImageList *bevels = skin->getCaptionBevels(SDL_TRUE);
        return SDL_Rect{Sint16(d.x + d.w - (button->width(0) + bevels->width(0))),
                        Sint16(d.y + dialog->captionHeight() / 2 - button->height(0) / 2), button->width(0),
                        button->height(0)};
    }
};

TEST_F(GuiTest, NothingIsDrawnOrTakenUntilAGuiWidgetIsMade)
{
    Widget *plain = new Widget("plain", 10, 10, 100, 100, nullptr);
    drawGui();
    EXPECT_EQ(plain->isDirty(), SDL_TRUE) << "a game with plain widgets keeps them as they are";
    EXPECT_EQ(RenderQueue::globalRenderQueue()->count(), 0);
    SDL_Event e = {};
    e.type = SDL_MOUSEBUTTONDOWN;
    e.button.button = SDL_BUTTON_LEFT;
    e.button.x = 20;
    e.button.y = 20;
    EXPECT_EQ(handleGuiEvent(&e, SDLK_ESCAPE), SDL_FALSE);
    EXPECT_TRUE(isBackground(SDL_Rect{0, 0, 800, 600}));
}

TEST_F(GuiTest, ButtonShowsTheNormalHighlightedPressedAndUnavailableCells)
{
    GraphicSurface *sheet = loadImage("/gfx/buttons/rectangle/blank.tga", 0, 0);
    ASSERT_NE(sheet, nullptr);
    sheet->retain();
    Button *ok = new Button("", 100, 100, nullptr);
    unsigned short w, h;
    ok->getDimensions(w, h);
    ASSERT_EQ(w, 96);
    ASSERT_EQ(h, 28);
    // A point of each cell where the four cells differ.
    const int px = 48, py = 20;
    std::vector<Uint16> cells;
    for (int cell = 0; cell < 4; ++cell)
        cells.push_back(pixelAt(sheet->getSurface(), px, py + 28 * cell));
    for (int i = 0; i < 4; ++i)
        for (int j = i + 1; j < 4; ++j)
            ASSERT_NE(cells[size_t(i)], cells[size_t(j)]) << "cells " << i << " and " << j << " look alike here";

    drawGui();
    EXPECT_EQ(at(100 + px, 100 + py), cells[0]) << "normal";
    moveTo(110, 110);
    EXPECT_EQ(at(100 + px, 100 + py), cells[1]) << "highlighted under the pointer";
    button(SDL_MOUSEBUTTONDOWN, 110, 110);
    EXPECT_EQ(at(100 + px, 100 + py), cells[2]) << "pressed";
    button(SDL_MOUSEBUTTONUP, 110, 110);
    moveTo(500, 500);
    EXPECT_EQ(at(100 + px, 100 + py), cells[0]) << "normal again once the pointer left";
    ok->setEnabled(SDL_FALSE);
    drawGui();
    EXPECT_EQ(at(100 + px, 100 + py), cells[3]) << "unavailable";
    sheet->release();
}

TEST_F(GuiTest, ClickRunsTheActionWhenPressAndReleaseFallOnTheButton)
{
    int clicks = 0;
    Button *ok = new Button("OK", 100, 100, nullptr);
    ok->setAction(countCall, &clicks);
    drawGui();
    click(120, 110);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(eventsSeenByGame, 0) << "the events the button used go no further";

    moveTo(120, 110);
    button(SDL_MOUSEBUTTONDOWN, 120, 110);
    moveTo(400, 400);
    button(SDL_MOUSEBUTTONUP, 400, 400);
    EXPECT_EQ(clicks, 1) << "released away from the button: no click";

    ok->setEnabled(SDL_FALSE);
    click(120, 110);
    EXPECT_EQ(clicks, 1) << "an unavailable button does not click";
}

TEST_F(GuiTest, EventsTheGuiDoesNotUseReachTheGame)
{
    new Button("OK", 100, 100, nullptr);
    drawGui();
    click(500, 500);
    EXPECT_EQ(eventsSeenByGame, 3) << "motion, press and release over no widget";
    key(SDLK_a, 'a');
    EXPECT_EQ(eventsSeenByGame, 4) << "a key with no widget focused";
    SDL_Event quit = {};
    quit.type = SDL_QUIT;
    EXPECT_EQ(handleGuiEvent(&quit, SDLK_ESCAPE), SDL_FALSE) << "the window close is never the GUI's";
    SDL_Event escape = {};
    escape.type = SDL_KEYDOWN;
    escape.key.keysym.sym = SDLK_ESCAPE;
    EXPECT_EQ(handleGuiEvent(&escape, SDLK_ESCAPE), SDL_FALSE) << "without a modal dialog Escape quits as before";
}

TEST_F(GuiTest, TabAndShiftTabMoveTheFocusInOrderAndReturnOrSpacePressTheFocusedButton)
{
    DialogWindow *dialog = new DialogWindow("Focus", 50, 50, 400, 300);
    int first = 0, second = 0;
    Button *one = new Button("One", 20, 40, dialog);
    TextField *field = new TextField(20, 80, 200, 22, dialog);
    CheckBox *box = new CheckBox("Box", 20, 120, 150, 20, dialog);
    Label *label = new Label("not focusable", 20, 160, 200, 20, dialog);
    Button *two = new Button("Two", 20, 200, dialog);
    one->setAction(countCall, &first);
    two->setAction(countCall, &second);
    drawGui();
    EXPECT_EQ(guiFocus(), nullptr);

    key(SDLK_TAB);
    EXPECT_EQ(guiFocus(), one);
    EXPECT_EQ(one->hasFocus(), SDL_TRUE);
    key(SDLK_TAB);
    EXPECT_EQ(guiFocus(), field);
    key(SDLK_TAB);
    EXPECT_EQ(guiFocus(), box);
    key(SDLK_TAB);
    EXPECT_EQ(guiFocus(), two) << "the label is passed over";
    key(SDLK_TAB);
    EXPECT_EQ(guiFocus(), one) << "round to the first";
    key(SDLK_TAB, 0, KMOD_LSHIFT);
    EXPECT_EQ(guiFocus(), two) << "Shift+Tab goes back";
    EXPECT_EQ(setGuiFocus(label), SDL_FALSE);

    key(SDLK_RETURN);
    EXPECT_EQ(second, 1);
    key(SDLK_SPACE, ' ');
    EXPECT_EQ(second, 2);
    EXPECT_EQ(eventsSeenByGame, 0);

    click(80, 140);
    EXPECT_EQ(guiFocus(), field) << "a click focuses";
    key(SDLK_TAB);
    key(SDLK_SPACE, ' ');
    EXPECT_EQ(box->isChecked(), SDL_TRUE);

    // The focused button is drawn with a white frame inside it; without focus there is none there.
    setGuiFocus(one);
    drawGui();
    SDL_Rect r;
    one->screenExtents(&r);
    Uint16 white = Uint16(SDL_MapRGB(screen->format, 255, 255, 255));
    EXPECT_EQ(at(r.x + 3, r.y + 14), white);
    setGuiFocus(nullptr);
    drawGui();
    EXPECT_NE(at(r.x + 3, r.y + 14), white);
}

TEST_F(GuiTest, TextFieldEditsAtTheCaretWithinItsMaximumLength)
{
    TextField *field = new TextField(100, 100, 200, 22, nullptr, 6);
    int submitted = 0;
    field->setAction(countCall, &submitted);
    drawGui();
    click(150, 110);
    ASSERT_EQ(guiFocus(), field);
    type("abc");
    EXPECT_STREQ(field->getText(), "abc");
    key(SDLK_LEFT);
    key(SDLK_BACKSPACE);
    EXPECT_STREQ(field->getText(), "ac");
    EXPECT_EQ(field->caretPosition(), 1u);
    key(SDLK_HOME);
    key(SDLK_DELETE);
    EXPECT_STREQ(field->getText(), "c");
    key(SDLK_END);
    type("xyz12345");
    EXPECT_STREQ(field->getText(), "cxyz12") << "at most six characters";
    key(SDLK_RIGHT);
    EXPECT_EQ(field->caretPosition(), 6u);
    SDL_Event e = {};
    e.type = SDL_KEYDOWN;
    e.key.keysym.sym = SDLK_UNKNOWN;
    e.key.keysym.unicode = 0xE9;  // a character the fonts do not draw
    push(e);
    frame();
    EXPECT_STREQ(field->getText(), "cxyz12");
    EXPECT_EQ(eventsSeenByGame, 1) << "a key the field does not use goes on to the game";
    key(SDLK_RETURN);
    EXPECT_EQ(submitted, 1);

    click(101, 110);
    EXPECT_EQ(field->caretPosition(), 0u) << "a click at the left edge puts the caret first";
    field->setText("hello\tworld");
    EXPECT_STREQ(field->getText(), "hellow") << "a tab is no character of the field, and the rest is cut";
    EXPECT_EQ(eventsSeenByGame, 1);
}

TEST_F(GuiTest, DialogIsDrawnAsTheEngineDrawsItsDialogBoxes)
{
    new DialogWindow("I am an enabled dialog box", 10, 10, 250, 200);
    drawGui();
    std::vector<Uint16> drawn;
    for (int y = 10; y < 210; ++y)
        for (int x = 10; x < 260; ++x)
            drawn.push_back(at(x, y));
    clearScreenArea(nullptr, backR, backG, backB);
    SDL_Rect box = {10, 10, 250, 200};
    makeDialog(SDL_TRUE, &box, skin, "I am an enabled dialog box");
    size_t i = 0, differ = 0;
    for (int y = 10; y < 210; ++y)
        for (int x = 10; x < 260; ++x)
            differ += at(x, y) != drawn[i++];
    EXPECT_EQ(differ, 0u);
}

TEST_F(GuiTest, CaptionButtonClosesTheDialogAndWhatItCoveredComesBack)
{
    DialogWindow *dialog = new DialogWindow("Close me", 100, 100, 300, 200);
    int closed = 0;
    dialog->setAction(countCall, &closed);
    drawGui();
    SDL_Rect area = {100, 100, 300, 200};
    EXPECT_FALSE(isBackground(area));
    SDL_Rect close = closeButtonOf(dialog);
    click(close.x + close.w / 2, close.y + close.h / 2);
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(dialog->isVisible(), SDL_FALSE);
    EXPECT_TRUE(isBackground(area)) << "the dialog leaves no trace";

    dialog->show();
    drawGui();
    click(200, 200);
    EXPECT_EQ(closed, 1) << "a click on the body does not close it";
    EXPECT_EQ(dialog->isVisible(), SDL_TRUE);
}

TEST_F(GuiTest, MovedOrHiddenWidgetsLeaveNoTraceAndOnlyWhatWasDrawnIsQueued)
{
    RenderQueue *queue = RenderQueue::globalRenderQueue();
    Button *b = new Button("Move", 100, 100, nullptr);
    drawGui();
    ASSERT_EQ(queue->count(), 1);
    EXPECT_EQ(queue->rectAt(0).x, 100);
    EXPECT_EQ(queue->rectAt(0).y, 100);
    EXPECT_EQ(queue->rectAt(0).w, 96);
    EXPECT_EQ(queue->rectAt(0).h, 28);
    queue->updateScreen();

    drawGui();
    EXPECT_EQ(queue->count(), 0) << "a frame with nothing dirty queues nothing";

    b->setLocation(300, 300);
    drawGui();
    EXPECT_TRUE(isBackground(SDL_Rect{100, 100, 96, 28}));
    EXPECT_FALSE(isBackground(SDL_Rect{300, 300, 96, 28}));
    EXPECT_EQ(queue->count(), 2) << "the old place and the new";
    queue->updateScreen();

    b->hide();
    drawGui();
    EXPECT_TRUE(isBackground(SDL_Rect{0, 0, 800, 600}));
}

TEST_F(GuiTest, ButtonInADialogIsRedrawnWithinItsOwnRectangleOnly)
{
    DialogWindow *dialog = new DialogWindow("Hover", 100, 100, 300, 200);
    Button *b = new Button("OK", 20, 40, dialog);
    drawGui();
    RenderQueue *queue = RenderQueue::globalRenderQueue();
    queue->updateScreen();
    std::vector<Uint16> before;
    for (int y = 100; y < 300; ++y)
        for (int x = 100; x < 400; ++x)
            before.push_back(at(x, y));

    moveTo(130, 150);
    ASSERT_EQ(b->isHovered(), SDL_TRUE);
    ASSERT_EQ(queue->count(), 1);
    EXPECT_EQ(queue->rectAt(0).x, 120);
    EXPECT_EQ(queue->rectAt(0).y, 140);
    EXPECT_EQ(queue->rectAt(0).w, 96);
    EXPECT_EQ(queue->rectAt(0).h, 28);
    queue->updateScreen();

    moveTo(390, 290);
    size_t i = 0, differ = 0;
    for (int y = 100; y < 300; ++y)
        for (int x = 100; x < 400; ++x)
            differ += at(x, y) != before[i++];
    EXPECT_EQ(differ, 0u) << "the dialog under the button is as it was once the pointer left";
}

TEST_F(GuiTest, GameBackgroundCallbackRepaintsWhatAWidgetUncovers)
{
    static int repaints = 0;
    repaints = 0;
    setGuiBackground([](SDL_Rect *area) {
        ++repaints;
        clearScreenArea(area, 0, 252, 0);
    });
    Button *b = new Button("Hide", 100, 100, nullptr);
    drawGui();
    b->hide();
    drawGui();
    EXPECT_GE(repaints, 1);
    EXPECT_EQ(at(101, 101), Uint16(SDL_MapRGB(screen->format, 0, 252, 0)));
    setGuiBackground(nullptr);
}

TEST_F(GuiTest, ModalDialogKeepsClicksFromTheWidgetsBelowAndEscapeClosesIt)
{
    int clicks = 0;
    Button *below = new Button("Below", 500, 400, nullptr);
    below->setAction(countCall, &clicks);
    DialogWindow *modal = new DialogWindow("Modal", 100, 100, 300, 200);
    modal->setModal(SDL_TRUE);
    Button *inside = new Button("Inside", 20, 40, modal);
    int insideClicks = 0;
    inside->setAction(countCall, &insideClicks);
    drawGui();

    click(520, 410);
    EXPECT_EQ(clicks, 0);
    EXPECT_EQ(eventsSeenByGame, 0) << "the modal dialog takes the clicks outside it";
    click(130, 150);
    EXPECT_EQ(insideClicks, 1);
    key(SDLK_TAB);
    EXPECT_EQ(guiFocus(), inside) << "focus stays in the modal dialog";
    key(SDLK_TAB);
    EXPECT_EQ(guiFocus(), inside);

    key(SDLK_ESCAPE);
    EXPECT_EQ(modal->isVisible(), SDL_FALSE) << "Escape closes the modal dialog";
    EXPECT_EQ(eventsSeenByGame, 0) << "and quits nothing";
    click(520, 410);
    EXPECT_EQ(clicks, 1);
}

void destroyDialogOf(GuiWidget *widget, void *)
{
    static_cast<GuiWidget *>(widget->getParent())->destroy();
}

void removeItself(GuiWidget *widget, void *)
{
    widget->getParent()->removeChild(widget);
}

TEST_F(GuiTest, WidgetsTakenAwayInsideTheirOwnCallbacksAreGoneSafely)
{
    WidgetManager *manager = WidgetManager::globalManager();
    DialogWindow *dialog = new DialogWindow("Doomed", 100, 100, 300, 200);
    Button *quit = new Button("Close", 20, 40, dialog);
    quit->setAction(destroyDialogOf, nullptr);
    Button *self = new Button("Self", 150, 40, dialog);
    self->setAction(removeItself, nullptr);
    drawGui();
    ASSERT_EQ(manager->widgetCount(), 1u);

    click(260, 150);
    EXPECT_EQ(dialog->childCount(), 1u) << "the button that removed itself is gone";
    EXPECT_FALSE(isBackground(SDL_Rect{100, 100, 300, 200}));
    key(SDLK_TAB);
    EXPECT_EQ(guiFocus(), quit);
    key(SDLK_RETURN);
    EXPECT_EQ(manager->widgetCount(), 0u) << "the dialog destroyed by its own button";
    EXPECT_EQ(guiFocus(), nullptr);
    drawGui();
    EXPECT_TRUE(isBackground(SDL_Rect{0, 0, 800, 600}));
}

TEST_F(GuiTest, ThousandWidgetsInATreeAreDrawnAndRouted)
{
    WidgetManager *manager = WidgetManager::globalManager();
    std::vector<Button *> buttons;
    int clicks = 0;
    for (int d = 0; d < 10; ++d) {
        DialogWindow *dialog = new DialogWindow("Many", Sint16(d * 80), 0, 80, 600);
        for (int i = 0; i < 99; ++i) {
            Button *b = new Button("", Sint16(4 + (i % 3) * 24), Sint16(24 + (i / 3) * 17), dialog, 22, 16);
            b->setAction(countCall, &clicks);
            buttons.push_back(b);
        }
    }
    EXPECT_EQ(manager->widgetCount(), 10u);
    drawGui();
    EXPECT_EQ(manager->dirtyWidgetCount(), 0u);
    EXPECT_GT(RenderQueue::globalRenderQueue()->count(), 0);
    EXPECT_LE(RenderQueue::globalRenderQueue()->count(), 64);
    Button *target = buttons[5 * 99 + 50];
    SDL_Rect r;
    target->screenExtents(&r);
    click(r.x + 5, r.y + 5);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(guiFocus(), target);
}

TEST_F(GuiTest, LabelOfAHundredThousandCharactersIsCutAndWrapped)
{
    std::string text;
    for (int i = 0; i < 20000; ++i)
        text += "word ";
    Label *label = new Label(text.c_str(), 10, 10, 300, 100, nullptr);
    EXPECT_EQ(strlen(label->getText()), size_t(Label::maxLength));
    EXPECT_GT(label->lineCount(), 100u);
    drawGui();
    EXPECT_TRUE(isBackground(SDL_Rect{10, 110, 300, 100})) << "no line below the label";
    EXPECT_TRUE(isBackground(SDL_Rect{310, 10, 100, 100})) << "no text past its width";
    EXPECT_FALSE(isBackground(SDL_Rect{10, 10, 300, 100}));
}

TEST_F(GuiTest, LabelAlignsItsLinesLeftCentredOrRight)
{
    Label *label = new Label("Hi\nthere", 100, 100, 300, 40, nullptr);
    EXPECT_EQ(label->lineCount(), 2u);
    auto inkColumns = [&](int *left, int *right) {
        *left = 800;
        *right = -1;
        for (int y = 100; y < 140; ++y)
            for (int x = 100; x < 400; ++x)
                if (at(x, y) != background()) {
                    *left = std::min(*left, x);
                    *right = std::max(*right, x);
                }
    };
    int left, right;
    drawGui();
    inkColumns(&left, &right);
    EXPECT_LT(left, 103);
    label->setAlignment(GUIALIGN_RIGHT);
    drawGui();
    inkColumns(&left, &right);
    EXPECT_GT(right, 396);
    label->setAlignment(GUIALIGN_CENTRE);
    drawGui();
    inkColumns(&left, &right);
    EXPECT_NEAR((left + right) / 2, 250, 3);
}

TEST_F(GuiTest, SliderCheckBoxAndListAnswerMouseAndKeys)
{
    int changes = 0;
    Slider *volume = new Slider(100, 100, 200, 20, nullptr, 0, 100, 5);
    volume->setAction(countCall, &changes);
    CheckBox *box = new CheckBox("Music", 100, 150, 200, 20, nullptr);
    TextList *list = new TextList(100, 200, 200, 3 * 19 + 2, nullptr);
    for (int i = 0; i < 10; ++i)
        list->addRow(("Row " + std::to_string(i)).c_str());
    drawGui();

    click(300 - 5, 110);
    EXPECT_DOUBLE_EQ(volume->getValue(), 100);
    key(SDLK_LEFT);
    EXPECT_DOUBLE_EQ(volume->getValue(), 95);
    key(SDLK_HOME);
    EXPECT_DOUBLE_EQ(volume->getValue(), 0);
    EXPECT_EQ(changes, 3);

    click(105, 160);
    EXPECT_EQ(box->isChecked(), SDL_TRUE);
    click(105, 160);
    EXPECT_EQ(box->isChecked(), SDL_FALSE);

    click(150, 205);
    EXPECT_EQ(list->getSelection(), 0);
    key(SDLK_END);
    EXPECT_EQ(list->getSelection(), 9);
    EXPECT_GT(list->firstRow(), 0u) << "the rows scrolled to the selection";
    key(SDLK_HOME);
    EXPECT_EQ(list->firstRow(), 0u);
    button(SDL_MOUSEBUTTONDOWN, 150, 210, SDL_BUTTON_WHEELDOWN);
    EXPECT_EQ(list->firstRow(), 3u);
}

TEST_F(GuiTest, DraggableDialogFollowsItsCaptionBar)
{
    DialogWindow *dialog = new DialogWindow("Drag", 100, 100, 200, 150);
    dialog->setDraggable(SDL_TRUE);
    drawGui();
    moveTo(150, 105);
    button(SDL_MOUSEBUTTONDOWN, 150, 105);
    moveTo(250, 205);
    button(SDL_MOUSEBUTTONUP, 250, 205);
    short x, y;
    dialog->getLocation(x, y);
    EXPECT_EQ(x, 200);
    EXPECT_EQ(y, 200);
    EXPECT_TRUE(isBackground(SDL_Rect{100, 100, 100, 100}));
    EXPECT_FALSE(isBackground(SDL_Rect{200, 200, 200, 150}));
}

}  // namespace
