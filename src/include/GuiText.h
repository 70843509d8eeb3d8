/// @file
/// The GUI's text widgets: Label (text over several lines, wrapped to its width at spaces, aligned left, centred
/// or right), TextField (one line the player edits: the characters the fonts draw, a caret, a maximum length)
/// and TextList (rows of text with a selection that scrolls). They draw with a dark text font made from the
/// skin's caption font.
/// Depends on: GuiWidget, Font, the skin's caption font, GuiLayerAccess, Video.
#ifndef ZARVELLO_GUITEXT_H
#define ZARVELLO_GUITEXT_H

#include <string>
#include <vector>

#include "GuiWidget.h"

/// How a label places each line.
enum GuiAlignment {
    GUIALIGN_LEFT,    ///< Each line starts at the label's left edge.
    GUIALIGN_CENTRE,  ///< Each line is centred in the label's width.
    GUIALIGN_RIGHT    ///< Each line ends at the label's right edge.
};

/// Text over several lines: "\n" breaks a line, and a line wider than the label breaks at its last space that
/// fits (a word wider than the label breaks where it must). Lines below the label's height are not drawn.
class Label : public GuiWidget {
public:
    /// The longest text a label keeps; longer text is cut.
    static const Uint32 maxLength = 8191;
    /// A label showing text (cut to maxLength characters), aligned left.
    Label(const char *text, short x, short y, unsigned short w, unsigned short h, Widget *parent);
    /// Frees the text.
    ~Label() override;
    /// Draws the lines that fit.
    void draw(const SDL_Rect &area) override;
    /// Replaces the text (cut to maxLength characters; null is empty).
    void setText(const char *text);
    /// The text (owned by the label).
    const char *getText() const { return text; }
    /// Sets the alignment of every line.
    void setAlignment(GuiAlignment alignment);
    /// The number of lines the text takes at the label's width.
    Uint32 lineCount();

private:
    /// Calls line(start, length) for each line at the label's width; returns the count.
    template <typename Line>
    Uint32 eachLine(Line line);
    char *text;
    GuiAlignment align;
};

/// One line of text the player edits. Printable characters are typed at the caret; Backspace and Delete remove,
/// Home, End, Left and Right move the caret, a click places it, Return submits (runs the action).
class TextField : public GuiWidget {
public:
    /// The longest text a field can hold.
    static const Uint32 capacity = 511;
    /// An empty field that takes at most maxLength characters (0 or more than capacity: capacity).
    TextField(short x, short y, unsigned short w, unsigned short h, Widget *parent, Uint32 maxLength = 0);
    /// A white box with a frame, the text and, while it has focus, the caret.
    void draw(const SDL_Rect &area) override;
    /// Covers its whole rectangle.
    SDL_bool isOpaque() override;
    /// Text fields take focus.
    SDL_bool isFocusable() override;
    /// Places the caret at the character boundary nearest the pointer.
    void mousePressed(short x, short y) override;
    /// Edits, moves the caret or submits; other keys are left to the game.
    SDL_bool keyPressed(const SDL_keysym &key) override;
    /// Replaces the text (cut to the maximum length, characters outside the printable range dropped) and puts
    /// the caret at its end.
    void setText(const char *text);
    /// The text.
    const char *getText() const { return text; }
    /// The caret's position, in characters from the start.
    Uint32 caretPosition() const { return caret; }

private:
    /// Keeps the caret within the visible part of the text.
    void scrollToCaret();
    char text[capacity + 1];
    Uint32 length, maxChars, caret, firstShown;
};

/// Rows of text, one of which may be selected; the rows scroll to keep the selection in view.
class TextList : public GuiWidget {
public:
    /// An empty list.
    TextList(short x, short y, unsigned short w, unsigned short h, Widget *parent);
    /// The rows that fit, the selected one highlighted.
    void draw(const SDL_Rect &area) override;
    /// Covers its whole rectangle.
    SDL_bool isOpaque() override;
    /// Lists take focus.
    SDL_bool isFocusable() override;
    /// Selects the row under the pointer.
    void mousePressed(short x, short y) override;
    /// Up, Down, Page Up, Page Down, Home and End move the selection.
    SDL_bool keyPressed(const SDL_keysym &key) override;
    /// The wheel scrolls the rows by three.
    void mouseWheel(int direction) override;
    /// Appends a row (null is empty).
    void addRow(const char *row);
    /// Removes every row and the selection.
    void clearRows();
    /// The number of rows.
    Uint32 rowCount() const { return Uint32(rows.size()); }
    /// Row index, null when index is not below rowCount().
    const char *rowAt(Uint32 index) const;
    /// Selects row index (-1 or an index past the rows: none) without running the action, and scrolls to it.
    void setSelection(Sint32 index);
    /// The selected row, -1 when none is.
    Sint32 getSelection() const { return selected; }
    /// The first row shown.
    Uint32 firstRow() const { return top; }

private:
    Uint32 rowHeight();
    Uint32 visibleRows();
    /// Selects and runs the action when the selection changed.
    void choose(Sint32 index);
    std::vector<std::string> rows;
    Sint32 selected;
    Uint32 top;
};

#endif
