// EnvRenamer: the configuration script's text as the packaged interpreter must compile it. In the configuration
// language _ENV is an ordinary name; the packaged interpreter takes it for the table of globals, so a script
// could replace it and assign past the configuration's handler.
// Depends on: nothing but the C++ library.
#ifndef ZARVELLO_ENVRENAMER_H
#define ZARVELLO_ENVRENAMER_H

#include <cstddef>
#include <vector>

// Whether the size bytes at name spell _ENV followed by at least `underscores` underscores and nothing else.
bool spellsEnv(const char *name, std::size_t size, std::size_t underscores);

// Renames, in the text of a script, every identifier that the packaged interpreter reads as a variable and that
// is spelled _ENV followed by zero or more underscores, by appending one underscore. No variable is then named
// _ENV, so every global goes through the table of globals and its handler; the renaming is one to one, so the
// script's own spelling is had back by dropping the underscore again. Field names (after "." or ":") and the
// keys of table constructors ("{_ENV = 1}") are strings in both languages and keep their spelling.
// The scanner follows the packaged interpreter's lexer wherever that lexer accepts the text: white space,
// comments short and long, short strings with their escapes, long strings of every level, names and the
// tokens around them. Where that lexer or its parser refuses the text the chunk never runs, whatever the
// renaming did there. Nesting is tracked (brackets, braces, blocks from "function", "do", "if" and "repeat" to
// "end" or "until") only to tell a constructor's key from a variable.
// The renamed text is handed out in pieces through next(), so the script is never copied.
class EnvRenamer {
public:
    EnvRenamer(const char *inText, std::size_t inSize) : text(inText), size(inSize) {}

    // The next piece of the renamed text and its size; null once everything was handed out.
    const char *next(std::size_t *pieceSize);

private:
    enum Previous { TOKEN_OTHER, TOKEN_FIELD_MARK, TOKEN_FIELD_START };

    static bool isNameStart(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
    static bool isDigit(char c) { return c >= '0' && c <= '9'; }
    static bool isNamePart(char c) { return isNameStart(c) || isDigit(c); }
    static bool isNewline(char c) { return c == '\n' || c == '\r'; }
    bool at(std::size_t i, char c) const { return i < size && text[i] == c; }

    // A long bracket "[", level "=", "[" opens at i: its level, or -1.
    long longBracketLevel(std::size_t i) const;

    // Past the closing bracket ("]", level "=", "]") of the long string or comment of level that opens at i; the
    // end of the text when it never closes. Every character is looked at once or twice.
    std::size_t afterLongBracket(std::size_t i, long level) const;

    std::size_t skipSpaceAndComments(std::size_t i) const;

    // Past the short string that opens at i. After a backslash the next character is taken whatever it is; a
    // line end there counts with its partner ("\r\n" or "\n\r"), as the lexer counts it.
    std::size_t afterShortString(std::size_t i) const;

    void open(bool brace) { nesting.push_back(brace); }
    void close()
    {
        if (!nesting.empty())
            nesting.pop_back();
    }

    // Whether the name just scanned, ending at end, is read as a variable: not after "." or ":", and not the key
    // of a constructor's field (first in the field, directly inside the braces, followed by a single "=").
    bool isVariable(std::size_t end) const;

    // Scans one token (after the white space and comments before it); true when it is a name to rename, with
    // scanned just past it.
    bool nextTokenIsRenamed();

    const char *text;
    std::size_t size;
    std::size_t scanned = 0;
    std::size_t handedOut = 0;
    bool underscoreDue = false;
    Previous previous = TOKEN_OTHER;
    std::vector<bool> nesting;  // true for a brace
};

#endif
