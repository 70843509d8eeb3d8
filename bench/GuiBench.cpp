// The GUI layer at game scale: a frame in which 100 widgets are on the screen and none is dirty (what every
// frame of a menu costs while the player reads it); redrawing a dialog that holds 10 widgets (a label, a text
// field, a check box, a slider, a list and five buttons), beside one blit of a surface of the dialog's size to
// the same place, the least any redraw of that area can cost; and routing a mouse click (press and release)
// through a tree of 1,000 widgets (10 dialogs of 99 buttons) to the button under the pointer. The widgets draw
// with the shipped skin from the build's data archive; before anything is timed, the click is checked to reach
// its button and nothing else.
// Depends on: GuiLayer and the widget kinds, SkinLoader (`skin`), NFILoader, RenderQueue, Google Benchmark.
#include <cstdlib>
#include <vector>

#include <SDL.h>
#include <benchmark/benchmark.h>

#include "BenchSupport.h"
#include "GraphicSurface.h"
#include "Gui.h"
#include "GuiControls.h"
#include "GuiDialog.h"
#include "GuiLayer.h"
#include "GuiText.h"
#include "NFILoader.h"
#include "RenderQueue.h"
#include "SkinLoader.h"
#include "Video.h"
#include "WidgetManager.h"

namespace {

int clicks = 0;
void countClick(GuiWidget *, void *)
{
    ++clicks;
}

// Takes every widget away, flushes the queue, and starts the next case from a clean screen.
void clearWidgets()
{
    WidgetManager *manager = WidgetManager::globalManager();
    while (manager->widgetCount() > 0) {
        Widget *w = manager->widgetAtIndex(0);
        w->makeClean();
        manager->removeWidget(w);
    }
    drawGui();
    RenderQueue::globalRenderQueue()->updateScreen();
}

void cleanFrame(benchmark::State &state)
{
    for (int i = 0; i < 100; ++i)
        new Button("", Sint16((i % 10) * 80), Sint16((i / 10) * 40), nullptr, 70, 30);
    drawGui();
    RenderQueue::globalRenderQueue()->updateScreen();
    for (auto _ : state)
        drawGui();
    if (RenderQueue::globalRenderQueue()->count() != 0)
        benchFailure("a frame with nothing dirty queued something");
    state.counters["per_widget"] = benchmark::Counter(
        double(state.iterations()) * 100, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    clearWidgets();
}

void dialogRedraw(benchmark::State &state)
{
    DialogWindow *dialog = new DialogWindow("Options", 200, 120, 400, 300);
    new Label("Volume", 20, 42, 100, 20, dialog);
    new Slider(130, 40, 240, 20, dialog, 0, 100, 5);
    new CheckBox("Music", 20, 80, 200, 20, dialog);
    TextField *field = new TextField(130, 118, 240, 22, dialog, 20);
    field->setText("Player");
    TextList *list = new TextList(20, 150, 150, 80, dialog);
    for (int i = 0; i < 8; ++i)
        list->addRow("A row of the list");
    list->setSelection(1);
    new Button("OK", 190, 150, dialog);
    new Button("Cancel", 290, 150, dialog);
    new Button("Apply", 190, 200, dialog);
    new Button("Help", 290, 200, dialog);
    new Button("Reset", 190, 250, dialog);
    drawGui();
    RenderQueue *queue = RenderQueue::globalRenderQueue();
    queue->updateScreen();
    for (auto _ : state) {
        dialog->makeDirty();
        drawGui();
        state.PauseTiming();
        queue->updateScreen();
        state.ResumeTiming();
    }
    clearWidgets();
}

void blitSameArea(benchmark::State &state)
{
    GraphicSurface *surface = GraphicSurface::newSurface(400, 300, "dialog-sized");
    surface->retain();
    SDL_FillRect(surface->getSurface(), nullptr, SDL_MapRGB(screen->format, 200, 200, 200));
    for (auto _ : state)
        surface->blitToScreen(200, 120);
    surface->release();
}

void routeClick(benchmark::State &state)
{
    std::vector<Button *> buttons;
    for (int d = 0; d < 10; ++d) {
        DialogWindow *dialog = new DialogWindow("Many", Sint16(d * 80), 0, 80, 600);
        for (int i = 0; i < 99; ++i) {
            Button *b = new Button("", Sint16(4 + (i % 3) * 24), Sint16(24 + (i / 3) * 17), dialog, 22, 16);
            buttons.push_back(b);
        }
    }
    Button *target = buttons[9 * 99 + 98];  // the last one: the walk goes through every dialog before it
    target->setAction(countClick, nullptr);
    drawGui();
    RenderQueue::globalRenderQueue()->updateScreen();
    SDL_Rect r;
    target->screenExtents(&r);
    SDL_Event press = {};
    press.type = SDL_MOUSEBUTTONDOWN;
    press.button.button = SDL_BUTTON_LEFT;
    press.button.x = Uint16(r.x + 5);
    press.button.y = Uint16(r.y + 5);
    SDL_Event release = press;
    release.type = SDL_MOUSEBUTTONUP;
    clicks = 0;
    handleGuiEvent(&press, SDLK_ESCAPE);
    handleGuiEvent(&release, SDLK_ESCAPE);
    if (clicks != 1)
        benchFailure("the click did not reach its button");
    for (auto _ : state) {
        handleGuiEvent(&press, SDLK_ESCAPE);
        handleGuiEvent(&release, SDLK_ESCAPE);
    }
    clearWidgets();
}

void prepare()
{
    openBenchScreen();
    NFILoader::globalLoader()->addNFIFile(ZARVELLO_DATA_ARCHIVE);
    skin = loadSkin("default");
    if (!skin)
        benchFailure("the shipped skin is missing: " ZARVELLO_DATA_ARCHIVE);
    benchmark::RegisterBenchmark("gui/clean_frame/100", cleanFrame);
    benchmark::RegisterBenchmark("gui/dialog_redraw/10", dialogRedraw);
    benchmark::RegisterBenchmark("gui/blit_same_area", blitSameArea);
    benchmark::RegisterBenchmark("gui/route_click/1000", routeClick);
}

void finish()
{
    shutdownGUI();
    delete RenderQueue::globalRenderQueue();
    delete NFILoader::globalLoader();
}

}  // namespace

int main(int argc, char **argv)
{
    return runBenchmarkProgram(argc, argv, prepare, finish);
}
