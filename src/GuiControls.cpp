// The GUI's controls. A button's cell follows its state: unavailable (3) when disabled, pressed (2) while the
// button pressed on it is held over it, highlighted (1) under the pointer, normal (0) otherwise; focus adds a
// frame inside the cell.
// The check box and the slider draw with the skin's dialog frame, so they match the dialogs they sit in.
#include "GuiControls.h"

#include "Dialog.h"
#include "Font.h"
#include "GraphicSurface.h"
#include "Gui.h"
#include "GuiLayerAccess.h"
#include "ImageList.h"
#include "SkinLoader.h"

namespace {

const Uint32 cellNormal = 0, cellHighlighted = 1, cellPressed = 2, cellUnavailable = 3;
const Uint16 boxSize = 14;
const Uint16 knobWidth = 10;

unsigned short cellWidth(unsigned short w)
{
    ImageList *sheet = guiButtonSheet();
    return w ? w : (sheet && sheet->count() ? sheet->width(0) : 96);
}

unsigned short cellHeight(unsigned short h)
{
    ImageList *sheet = guiButtonSheet();
    return h ? h : (sheet && sheet->count() ? sheet->height(0) : 28);
}

bool isActivation(const SDL_keysym &key)
{
    return key.sym == SDLK_RETURN || key.sym == SDLK_KP_ENTER || key.sym == SDLK_SPACE;
}

EngineFont *labelFont(GuiWidget *widget)
{
    return guiFont(widget->isEnabled() ? GUIFONT_TEXT : GUIFONT_UNAVAILABLE);
}

Sint16 textTop(const SDL_Rect &area, EngineFont *font)
{
    return Sint16(area.y + (Sint32(area.h) - Sint32(font->charHeight())) / 2);
}

}  // namespace

Button::Button(const char *label, short x, short y, Widget *parent, unsigned short w, unsigned short h)
    : GuiWidget(label, x, y, cellWidth(w), cellHeight(h), parent)
{
}

void Button::draw(const SDL_Rect &area)
{
    ImageList *sheet = guiButtonSheet();
    Uint32 cell = !isEnabled()                           ? cellUnavailable
                  : (isPressed() && isHovered())         ? cellPressed
                  : isHovered()                         ? cellHighlighted
                                                         : cellNormal;
    if (sheet && cell < sheet->count()) {
        Sint16 x = Sint16(area.x + (Sint32(area.w) - sheet->width(cell)) / 2);
        Sint16 y = Sint16(area.y + (Sint32(area.h) - sheet->height(cell)) / 2);
        sheet->blitImage(cell, x, y);
    }
    EngineFont *font = isEnabled() ? guiFont(GUIFONT_LIGHT) : guiFont(GUIFONT_UNAVAILABLE);
    if (font) {
        Sint32 width = Sint32(font->textSize(getCaption()));
        Sint32 shift = cell == cellPressed ? 1 : 0;
        font->blitText(Sint16(area.x + (Sint32(area.w) - width) / 2 + shift), Sint16(textTop(area, font) + shift), 0,
                       getCaption());
    }
    if (hasFocus() && area.w > 8 && area.h > 8)
        guiFrame(SDL_Rect{Sint16(area.x + 3), Sint16(area.y + 3), Uint16(area.w - 6), Uint16(area.h - 6)}, 0xff,
                 0xff, 0xff);
}

SDL_bool Button::isFocusable()
{
    return SDL_TRUE;
}

void Button::mouseReleased(short, short, SDL_bool inside)
{
    if (inside)
        click();
}

SDL_bool Button::keyPressed(const SDL_keysym &key)
{
    if (!isActivation(key))
        return SDL_FALSE;
    click();
    return SDL_TRUE;
}

void Button::click()
{
    if (isEnabled())
        runAction();
}

CheckBox::CheckBox(const char *label, short x, short y, unsigned short w, unsigned short h, Widget *parent)
    : GuiWidget(label, x, y, w, h, parent), checked(SDL_FALSE)
{
}

void CheckBox::draw(const SDL_Rect &area)
{
    SDL_Rect box = {area.x, Sint16(area.y + (Sint32(area.h) - boxSize) / 2), boxSize, boxSize};
    guiFill(box, 0xff, 0xff, 0xff);
    guiFrame(box, 0x4b, 0x56, 0x64);
    if (checked) {
        Uint8 shade = isEnabled() ? 0x24 : 0x8c;
        // A tick: a short stroke down to the right, then a long one up to the right, two pixels thick.
        for (int i = 0; i < 3; ++i)
            guiFill(SDL_Rect{Sint16(box.x + 3 + i), Sint16(box.y + 6 + i), 2, 2}, shade, 0x54, 0x8f);
        for (int i = 0; i < 6; ++i)
            guiFill(SDL_Rect{Sint16(box.x + 5 + i), Sint16(box.y + 7 - i), 2, 2}, shade, 0x54, 0x8f);
    }
    if (hasFocus() || isHovered())
        guiFrame(SDL_Rect{Sint16(box.x - 2), Sint16(box.y - 2), Uint16(boxSize + 4), Uint16(boxSize + 4)}, 0x24,
                 0x54, 0x8f);
    EngineFont *font = labelFont(this);
    if (font)
        font->blitText(Sint16(area.x + boxSize + 6), textTop(area, font), 0, getCaption());
}

SDL_bool CheckBox::isFocusable()
{
    return SDL_TRUE;
}

void CheckBox::mouseReleased(short, short, SDL_bool inside)
{
    if (inside)
        toggle();
}

SDL_bool CheckBox::keyPressed(const SDL_keysym &key)
{
    if (!isActivation(key))
        return SDL_FALSE;
    toggle();
    return SDL_TRUE;
}

void CheckBox::setChecked(SDL_bool value)
{
    SDL_bool newValue = value ? SDL_TRUE : SDL_FALSE;
    if (newValue == checked)
        return;
    checked = newValue;
    if (isVisible())
        makeDirty();
}

void CheckBox::toggle()
{
    setChecked(checked ? SDL_FALSE : SDL_TRUE);
    runAction();
}

Slider::Slider(short x, short y, unsigned short w, unsigned short h, Widget *parent, double low, double high,
               double stepSize)
    : GuiWidget("slider", x, y, w, h, parent), minimum(low), maximum(high < low ? low : high),
      step(stepSize > 0 ? stepSize : ((high < low ? low : high) - low) / 100), value(low)
{
}

double Slider::valueAt(short x)
{
    SDL_Rect extents;
    getExtents(&extents);
    double travel = double(extents.w > knobWidth ? extents.w - knobWidth : 1);
    double at = (x - knobWidth / 2) / travel;
    at = at < 0 ? 0 : at > 1 ? 1 : at;
    return minimum + at * (maximum - minimum);
}

void Slider::draw(const SDL_Rect &area)
{
    SDL_Rect track = {Sint16(area.x + knobWidth / 2), Sint16(area.y + area.h / 2 - 3),
                      Uint16(area.w > knobWidth ? area.w - knobWidth : 0), 6};
    if (skin)
        bevelBox(&track, skin->getDialogBack(), skin->getDialogBevels());
    double at = maximum > minimum ? (value - minimum) / (maximum - minimum) : 0;
    Sint32 travel = area.w > knobWidth ? area.w - knobWidth : 0;
    SDL_Rect knob = {Sint16(area.x + Sint32(at * travel + 0.5)), Sint16(area.y + 2), knobWidth,
                     Uint16(area.h > 4 ? area.h - 4 : area.h)};
    if (skin)
        bevelBox(&knob, skin->getCaptionBack(isEnabled()), skin->getCaptionBevels(isEnabled()));
    else
        guiFill(knob, 0x24, 0x54, 0x8f);
    if (hasFocus())
        guiFrame(area, 0x24, 0x54, 0x8f);
}

SDL_bool Slider::isFocusable()
{
    return SDL_TRUE;
}

void Slider::mousePressed(short x, short)
{
    change(valueAt(x));
}

void Slider::mouseMoved(short x, short)
{
    if (isPressed())
        change(valueAt(x));
}

SDL_bool Slider::keyPressed(const SDL_keysym &key)
{
    switch (key.sym) {
    case SDLK_LEFT:
    case SDLK_DOWN:
        change(value - step);
        return SDL_TRUE;
    case SDLK_RIGHT:
    case SDLK_UP:
        change(value + step);
        return SDL_TRUE;
    case SDLK_HOME:
        change(minimum);
        return SDL_TRUE;
    case SDLK_END:
        change(maximum);
        return SDL_TRUE;
    default:
        return SDL_FALSE;
    }
}

void Slider::mouseWheel(int direction)
{
    change(value - direction * step);
}

void Slider::setValue(double newValue)
{
    newValue = newValue < minimum ? minimum : newValue > maximum ? maximum : newValue;
    if (newValue == value)
        return;
    value = newValue;
    if (isVisible())
        makeDirty();
}

void Slider::change(double newValue)
{
    double old = value;
    setValue(newValue);
    if (value != old)
        runAction();
}
