// Menu: a title dialog with Play, Options and Quit, made of the engine's GUI widgets. Options opens a modal
// dialog with a slider (the volume), a check box (music) and a text field (the player's name), whose values are
// the game settings of menu.conf; OK keeps them (and writes them to the player's own menu.conf, which wins over
// the shipped one at the next start), Cancel, the close button or Escape leave them. Play shows what
// the game would start with; Back returns to the title. Everything works with the mouse or the keyboard alone
// (Tab, Shift+Tab, Return, Space, the arrows). Quit, or closing the window, ends it.
// Depends on: the installed Zarvello engine.
#include <zarvello/ConfigTable.h>
#include <zarvello/Console.h>
#include <zarvello/Game.h>
#include <zarvello/GameLoop.h>
#include <zarvello/GuiControls.h>
#include <zarvello/GuiDialog.h>
#include <zarvello/GuiLayer.h>
#include <zarvello/GuiText.h>
#include <zarvello/Init.h>
#include <zarvello/PlayerData.h>
#include <zarvello/PlayerSettings.h>
#include <zarvello/Utility.h>
#include <zarvello/Video.h>

#include <SDL.h>

namespace {

// The game settings.
double volume;
SDL_bool music;
char playerName[21];

// The widgets; the widget tree holds them, these are borrowed pointers.
DialogWindow *title = nullptr;
DialogWindow *options = nullptr;
DialogWindow *playing = nullptr;
Label *playingText = nullptr;
Slider *volumeSlider = nullptr;
CheckBox *musicBox = nullptr;
TextField *nameField = nullptr;

// What lies under the dialogs: a plain dark blue, repainted wherever a dialog leaves. The dialogs are 200
// pixels tall where they can be, the height the shipped body background fits exactly.
void paintBackground(SDL_Rect *area)
{
    clearScreenArea(area, 24, 40, 72);
}

void openOptions(GuiWidget *, void *)
{
    volumeSlider->setValue(volume);
    musicBox->setChecked(music);
    nameField->setText(playerName);
    options->show();
    setGuiFocus(volumeSlider);
}

void keepOptions(GuiWidget *, void *)
{
    volume = volumeSlider->getValue();
    music = musicBox->isChecked();
    zarvello::snprintf(sizeof playerName - 1, playerName, "%s", nameField->getText());
    Console::addString("menu: options kept: volume %d, music %s, name '%s'", int(volume), music ? "on" : "off",
                       playerName);
    writePlayerSettings();
    options->hide();
}

void dropOptions(GuiWidget *, void *)
{
    options->hide();
}

void play(GuiWidget *, void *)
{
    char text[160];
    zarvello::snprintf(sizeof text - 1, text, "Playing as %s\nVolume %d, music %s.\n\nA game would start here.",
                       playerName, int(volume), music ? "on" : "off");
    playingText->setText(text);
    Console::addString("menu: playing as '%s' (volume %d, music %s)", playerName, int(volume), music ? "on" : "off");
    title->hide();
    playing->show();
}

void backToTitle(GuiWidget *, void *)
{
    playing->hide();
    title->show();
}

void quit(GuiWidget *, void *)
{
    stopGame();
}

SDL_bool setUp()
{
    paintBackground(nullptr);
    setGuiBackground(paintBackground);

    title = new DialogWindow("Zarvello", 250, 150, 300, 200);
    title->setClosable(SDL_FALSE);
    Label *welcome = new Label("Welcome! Choose with the mouse, or with Tab and Return.", 20, 26, 260, 32, title);
    welcome->setAlignment(GUIALIGN_CENTRE);
    (new Button("Play", 102, 62, title))->setAction(play, nullptr);
    (new Button("Options", 102, 100, title))->setAction(openOptions, nullptr);
    (new Button("Quit", 102, 138, title))->setAction(quit, nullptr);

    options = new DialogWindow("Options", 200, 120, 400, 200);
    options->setModal(SDL_TRUE);
    options->setDraggable(SDL_TRUE);
    options->setAction(dropOptions, nullptr);
    new Label("Volume", 20, 38, 100, 20, options);
    volumeSlider = new Slider(130, 36, 240, 20, options, 0, 100, 5);
    musicBox = new CheckBox("Music", 20, 70, 200, 20, options);
    new Label("Name", 20, 106, 100, 20, options);
    nameField = new TextField(130, 102, 240, 22, options, sizeof playerName - 1);
    nameField->setAction(keepOptions, nullptr);
    (new Button("OK", 80, 150, options))->setAction(keepOptions, nullptr);
    (new Button("Cancel", 224, 150, options))->setAction(dropOptions, nullptr);
    options->hide();

    playing = new DialogWindow("Playing", 150, 200, 500, 160);
    playing->setClosable(SDL_FALSE);
    playingText = new Label("", 20, 32, 460, 70, playing);
    (new Button("Back", 202, 110, playing))->setAction(backToTitle, nullptr);
    playing->hide();
    return SDL_TRUE;
}

}  // namespace

int main(int argc, char **argv)
{
    setGameName("menu");
    setWindowCaption("Menu");
    setConfigFileName("menu.conf");
    registerNumberSetting("volume", &volume, 80);
    registerOnOffSetting("music", &music, SDL_TRUE);
    registerTextSetting("playerName", playerName, sizeof playerName, "Player");
    GameHooks hooks = {setUp, nullptr, nullptr, nullptr};
    return runEngine(argc, argv, &hooks);
}
