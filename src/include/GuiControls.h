/// @file
/// The GUI's controls: Button (a text label on the demonstration's button, in its normal, highlighted,
/// pressed and unavailable cells), CheckBox (a box with a tick and a label) and Slider (a value between two
/// bounds, for volumes). Each runs its action (GuiWidget::setAction) when the player uses it, with the mouse or,
/// when it has focus, with the keyboard.
/// Depends on: GuiWidget, the button image "/gfx/buttons/rectangle/blank.tga" (the demonstration's button
/// without its label; "medium.tga" when a game's data lacks it), the skin's caption font,
/// Dialog, Font, GraphicSurface, Gui, GuiLayerAccess, ImageList, SkinLoader.
#ifndef ZARVELLO_GUICONTROLS_H
#define ZARVELLO_GUICONTROLS_H

#include "GuiWidget.h"

/// A push button with a text label. The button image's cells (96 x 28 in
/// the shipped data) are drawn centred in its rectangle.
class Button : public GuiWidget {
public:
    /// A button labelled label (its caption) with its top-left corner at (x, y); w and h of 0 take the size of
    /// the button image's cells.
    Button(const char *label, short x, short y, Widget *parent, unsigned short w = 0, unsigned short h = 0);
    /// The cell for the button's state, the label centred on it, a frame inside it while it has focus.
    void draw(const SDL_Rect &area) override;
    /// Buttons take focus.
    SDL_bool isFocusable() override;
    /// Released over the button it was pressed on: a click.
    void mouseReleased(short x, short y, SDL_bool inside) override;
    /// Return, the keypad's Enter and Space click the button.
    SDL_bool keyPressed(const SDL_keysym &key) override;
    /// Clicks the button: runs its action.
    void click();
};

/// A check box: a small box, ticked or not, with a label to its right; a click or Space toggles it.
class CheckBox : public GuiWidget {
public:
    /// An unticked box labelled label.
    CheckBox(const char *label, short x, short y, unsigned short w, unsigned short h, Widget *parent);
    /// The box, the tick when checked, the label; a frame around the box while it has focus.
    void draw(const SDL_Rect &area) override;
    /// Check boxes take focus.
    SDL_bool isFocusable() override;
    /// Released over the box: toggles it.
    void mouseReleased(short x, short y, SDL_bool inside) override;
    /// Space, Return and the keypad's Enter toggle it.
    SDL_bool keyPressed(const SDL_keysym &key) override;
    /// Ticks or unticks the box without running the action.
    void setChecked(SDL_bool checked);
    /// Whether the box is ticked.
    SDL_bool isChecked() const { return checked; }

private:
    void toggle();
    SDL_bool checked;
};

/// A horizontal slider: a knob on a track, for a value between a minimum and a maximum.
class Slider : public GuiWidget {
public:
    /// A slider from minimum to maximum moved by step with the arrow keys, at minimum. A maximum below the
    /// minimum is taken as the minimum; a step of 0 or less is a hundredth of the range.
    Slider(short x, short y, unsigned short w, unsigned short h, Widget *parent, double minimum, double maximum,
           double step);
    /// The track across the middle, the knob at the value; a frame while it has focus.
    void draw(const SDL_Rect &area) override;
    /// Sliders take focus.
    SDL_bool isFocusable() override;
    /// Moves the knob under the pointer.
    void mousePressed(short x, short y) override;
    /// Follows the pointer while the button is held.
    void mouseMoved(short x, short y) override;
    /// Left and Down lower the value by step, Right and Up raise it, Home and End go to the bounds.
    SDL_bool keyPressed(const SDL_keysym &key) override;
    /// The wheel moves the value by step.
    void mouseWheel(int direction) override;
    /// Sets the value (kept within the bounds) without running the action.
    void setValue(double value);
    /// The value.
    double getValue() const { return value; }

private:
    /// Sets the value and runs the action when it changed.
    void change(double newValue);
    double valueAt(short x);
    double minimum, maximum, step, value;
};

#endif
