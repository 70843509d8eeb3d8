// The GUI's text widgets. Widths are summed glyph by glyph (a code outside the font's range moves the pen by
// nothing, as in EngineFont::textSize), so a line is measured and cut without copying it; a line is drawn with
// blitText limited to its length, at most the 511 characters one call draws.
#include "GuiText.h"

#include <cstring>

#include "Font.h"
#include "GuiLayerAccess.h"
#include "Video.h"

namespace {

const Sint16 textInset = 4;

Uint32 glyphWidth(EngineFont *font, char c)
{
    const SDL_Rect *rect = font->charRect(static_cast<unsigned char>(c));
    return rect ? rect->w : 0;
}

Uint32 runWidth(EngineFont *font, const char *run, Uint32 length)
{
    Uint32 width = 0;
    for (Uint32 i = 0; i < length; ++i)
        width += glyphWidth(font, run[i]);
    return width;
}

bool printable(char c)
{
    return static_cast<unsigned char>(c) >= 32 && static_cast<unsigned char>(c) < 127;
}

}  // namespace

Label::Label(const char *initial, short x, short y, unsigned short w, unsigned short h, Widget *parent)
    : GuiWidget("label", x, y, w, h, parent), text(nullptr), align(GUIALIGN_LEFT)
{
    setText(initial);
}

Label::~Label()
{
    delete[] text;
}

void Label::setText(const char *newText)
{
    size_t length = newText ? strnlen(newText, maxLength) : 0;
    char *copy = new char[length + 1];
    if (length)
        memcpy(copy, newText, length);
    copy[length] = '\0';
    delete[] text;
    text = copy;
    if (isVisible())
        makeDirty();
}

void Label::setAlignment(GuiAlignment alignment)
{
    align = alignment;
    if (isVisible())
        makeDirty();
}

template <typename Line>
Uint32 Label::eachLine(Line line)
{
    EngineFont *font = guiFont(GUIFONT_TEXT);
    if (!font)
        return 0;
    SDL_Rect extents;
    getExtents(&extents);
    Uint32 width = extents.w;
    Uint32 count = 0;
    const char *p = text;
    while (*p) {
        // The longest run that fits, ending before a line break.
        Uint32 fit = 0, used = 0, lastSpace = 0;
        bool spaceSeen = false;
        while (p[fit] && p[fit] != '\n' && fit < EngineFont::maxTextLength) {
            Uint32 w = glyphWidth(font, p[fit]);
            if (used + w > width && fit > 0)
                break;
            if (p[fit] == ' ') {
                lastSpace = fit;
                spaceSeen = true;
            }
            used += w;
            ++fit;
        }
        Uint32 length = fit, next = fit;
        if (p[fit] == '\n') {
            next = fit + 1;
        } else if (p[fit] && spaceSeen && lastSpace > 0) {
            length = lastSpace;
            next = lastSpace + 1;
        }
        if (!line(p, length))
            return count + 1;
        ++count;
        p += next;
    }
    return count;
}

Uint32 Label::lineCount()
{
    return eachLine([](const char *, Uint32) { return true; });
}

void Label::draw(const SDL_Rect &area)
{
    EngineFont *font = guiFont(isEnabled() ? GUIFONT_TEXT : GUIFONT_UNAVAILABLE);
    if (!font)
        return;
    Sint32 y = area.y;
    Sint32 bottom = area.y + area.h;
    Sint32 step = Sint32(font->charHeight()) + 2;
    eachLine([&](const char *line, Uint32 length) {
        if (y >= bottom)
            return false;
        if (length) {
            Sint32 width = Sint32(runWidth(font, line, length));
            Sint32 x = align == GUIALIGN_LEFT     ? area.x
                       : align == GUIALIGN_RIGHT  ? area.x + area.w - width
                                                  : area.x + (Sint32(area.w) - width) / 2;
            font->blitText(Sint16(x), Sint16(y), length, line);
        }
        y += step;
        return true;
    });
}

TextField::TextField(short x, short y, unsigned short w, unsigned short h, Widget *parent, Uint32 maxLength)
    : GuiWidget("text field", x, y, w, h, parent), length(0),
      maxChars(maxLength == 0 || maxLength > capacity ? capacity : maxLength), caret(0), firstShown(0)
{
    text[0] = '\0';
}

void TextField::setText(const char *newText)
{
    length = 0;
    for (const char *p = newText; p && *p && length < maxChars; ++p)
        if (printable(*p))
            text[length++] = *p;
    text[length] = '\0';
    caret = length;
    firstShown = 0;
    scrollToCaret();
    if (isVisible())
        makeDirty();
}

void TextField::scrollToCaret()
{
    EngineFont *font = guiFont(GUIFONT_TEXT);
    if (caret < firstShown)
        firstShown = caret;
    if (!font)
        return;
    SDL_Rect extents;
    getExtents(&extents);
    Uint32 room = extents.w > 2 * textInset + 1 ? extents.w - 2 * textInset - 1 : 0;
    while (firstShown < caret && runWidth(font, text + firstShown, caret - firstShown) > room)
        ++firstShown;
}

void TextField::draw(const SDL_Rect &area)
{
    guiFill(area, 0xff, 0xff, 0xff);
    if (hasFocus())
        guiFrame(area, 0x24, 0x54, 0x8f);
    else
        guiFrame(area, 0x8c, 0x94, 0x9e);
    EngineFont *font = guiFont(isEnabled() ? GUIFONT_TEXT : GUIFONT_UNAVAILABLE);
    if (!font)
        return;
    Sint16 top = Sint16(area.y + (Sint32(area.h) - Sint32(font->charHeight())) / 2);
    Sint16 left = Sint16(area.x + textInset);
    // The text stays inside the frame: the clip the layer set, narrowed to the inside.
    SDL_Rect clip;
    SDL_GetClipRect(screen, &clip);
    Sint32 left2 = clip.x > area.x + 1 ? clip.x : area.x + 1;
    Sint32 right2 = clip.x + clip.w < area.x + area.w - 1 ? clip.x + clip.w : area.x + area.w - 1;
    SDL_Rect inner = {Sint16(left2), clip.y, Uint16(right2 > left2 ? right2 - left2 : 0), clip.h};
    SDL_SetClipRect(screen, &inner);
    if (length > firstShown)
        font->blitText(left, top, length - firstShown, text + firstShown);
    SDL_SetClipRect(screen, &clip);
    if (hasFocus()) {
        Sint16 x = Sint16(left + runWidth(font, text + firstShown, caret - firstShown));
        guiFill(SDL_Rect{x, top, 1, Uint16(font->charHeight())}, 0x1e, 0x2a, 0x3a);
    }
}

SDL_bool TextField::isOpaque()
{
    return SDL_TRUE;
}

SDL_bool TextField::isFocusable()
{
    return SDL_TRUE;
}

void TextField::mousePressed(short x, short)
{
    EngineFont *font = guiFont(GUIFONT_TEXT);
    if (!font)
        return;
    Sint32 pen = textInset;
    Uint32 position = firstShown;
    while (position < length) {
        Sint32 w = Sint32(glyphWidth(font, text[position]));
        if (x < pen + w / 2)
            break;
        pen += w;
        ++position;
    }
    caret = position;
    makeDirty();
}

SDL_bool TextField::keyPressed(const SDL_keysym &key)
{
    switch (key.sym) {
    case SDLK_BACKSPACE:
        if (caret > 0) {
            memmove(text + caret - 1, text + caret, length - caret + 1);
            --caret;
            --length;
        }
        break;
    case SDLK_DELETE:
        if (caret < length) {
            memmove(text + caret, text + caret + 1, length - caret);
            --length;
        }
        break;
    case SDLK_HOME:
        caret = 0;
        break;
    case SDLK_END:
        caret = length;
        break;
    case SDLK_LEFT:
        if (caret > 0)
            --caret;
        break;
    case SDLK_RIGHT:
        if (caret < length)
            ++caret;
        break;
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
        runAction();
        return SDL_TRUE;
    default: {
        char c = (key.unicode & 0xFF80) == 0 ? char(key.unicode) : '\0';
        if (!printable(c))
            return SDL_FALSE;
        if (length < maxChars) {
            memmove(text + caret + 1, text + caret, length - caret + 1);
            text[caret++] = c;
            ++length;
        }
        break;
    }
    }
    scrollToCaret();
    makeDirty();
    return SDL_TRUE;
}

TextList::TextList(short x, short y, unsigned short w, unsigned short h, Widget *parent)
    : GuiWidget("text list", x, y, w, h, parent), selected(-1), top(0)
{
}

Uint32 TextList::rowHeight()
{
    EngineFont *font = guiFont(GUIFONT_TEXT);
    return font ? font->charHeight() + 4 : 16;
}

Uint32 TextList::visibleRows()
{
    SDL_Rect extents;
    getExtents(&extents);
    Uint32 rows = extents.h > 2 ? (extents.h - 2) / rowHeight() : 0;
    return rows ? rows : 1;
}

void TextList::draw(const SDL_Rect &area)
{
    guiFill(area, 0xff, 0xff, 0xff);
    guiFrame(area, hasFocus() ? 0x24 : 0x8c, hasFocus() ? 0x54 : 0x94, hasFocus() ? 0x8f : 0x9e);
    EngineFont *font = guiFont(isEnabled() ? GUIFONT_TEXT : GUIFONT_UNAVAILABLE);
    EngineFont *light = guiFont(GUIFONT_LIGHT);
    if (!font)
        return;
    Uint32 height = rowHeight();
    Uint32 shown = visibleRows();
    for (Uint32 i = 0; i < shown && top + i < rows.size(); ++i) {
        Uint32 index = top + i;
        Sint16 y = Sint16(area.y + 1 + Sint32(i * height));
        EngineFont *rowFont = font;
        if (Sint32(index) == selected) {
            guiFill(SDL_Rect{Sint16(area.x + 1), y, Uint16(area.w > 2 ? area.w - 2 : 0), Uint16(height)}, 0x24,
                    0x54, 0x8f);
            if (light)
                rowFont = light;
        }
        const std::string &row = rows[index];
        Uint32 count = row.size() > EngineFont::maxTextLength ? EngineFont::maxTextLength : Uint32(row.size());
        if (count)
            rowFont->blitText(Sint16(area.x + textInset), Sint16(y + 2), count, row.c_str());
    }
}

SDL_bool TextList::isOpaque()
{
    return SDL_TRUE;
}

SDL_bool TextList::isFocusable()
{
    return SDL_TRUE;
}

void TextList::mousePressed(short, short y)
{
    if (y < 1)
        return;
    Uint32 index = top + Uint32(y - 1) / rowHeight();
    if (index < rows.size())
        choose(Sint32(index));
}

SDL_bool TextList::keyPressed(const SDL_keysym &key)
{
    if (rows.empty())
        return SDL_FALSE;
    Sint32 last = Sint32(rows.size()) - 1;
    Sint32 page = Sint32(visibleRows());
    Sint32 at = selected;
    switch (key.sym) {
    case SDLK_UP:
        at = at <= 0 ? 0 : at - 1;
        break;
    case SDLK_DOWN:
        at = at < last ? at + 1 : last;
        break;
    case SDLK_PAGEUP:
        at = at - page < 0 ? 0 : at - page;
        break;
    case SDLK_PAGEDOWN:
        at = at + page > last ? last : at + page;
        break;
    case SDLK_HOME:
        at = 0;
        break;
    case SDLK_END:
        at = last;
        break;
    default:
        return SDL_FALSE;
    }
    choose(at);
    return SDL_TRUE;
}

void TextList::mouseWheel(int direction)
{
    Uint32 shown = visibleRows();
    Uint32 maxTop = rows.size() > shown ? Uint32(rows.size()) - shown : 0;
    Sint32 newTop = Sint32(top) + 3 * direction;
    newTop = newTop < 0 ? 0 : newTop > Sint32(maxTop) ? Sint32(maxTop) : newTop;
    if (Uint32(newTop) != top) {
        top = Uint32(newTop);
        makeDirty();
    }
}

void TextList::addRow(const char *row)
{
    rows.push_back(row ? row : "");
    if (isVisible())
        makeDirty();
}

void TextList::clearRows()
{
    rows.clear();
    selected = -1;
    top = 0;
    if (isVisible())
        makeDirty();
}

const char *TextList::rowAt(Uint32 index) const
{
    return index < rows.size() ? rows[index].c_str() : nullptr;
}

void TextList::setSelection(Sint32 index)
{
    selected = (index < 0 || Uint32(index) >= rows.size()) ? -1 : index;
    if (selected >= 0) {
        Uint32 shown = visibleRows();
        if (Uint32(selected) < top)
            top = Uint32(selected);
        else if (Uint32(selected) >= top + shown)
            top = Uint32(selected) - shown + 1;
    }
    if (isVisible())
        makeDirty();
}

void TextList::choose(Sint32 index)
{
    Sint32 old = selected;
    setSelection(index);
    if (selected != old)
        runAction();
}
