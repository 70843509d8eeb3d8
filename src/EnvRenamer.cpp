// The _ENV renamer: a scanner that follows the packaged interpreter's lexer token by token and hands the text
// out in pieces, an underscore added after every variable spelled _ENV, _ENV_, ...
// Depends on: nothing but the C++ library.
#include "EnvRenamer.h"

#include <cstring>
#include <string_view>

bool spellsEnv(const char *name, std::size_t size, std::size_t underscores)
{
    if (size < 4 + underscores || std::memcmp(name, "_ENV", 4) != 0)
        return false;
    for (std::size_t i = 4; i < size; ++i)
        if (name[i] != '_')
            return false;
    return true;
}

// The next piece of the renamed text and its size; null once everything was handed out.
const char *EnvRenamer::next(std::size_t *pieceSize)
{
    if (underscoreDue) {
        underscoreDue = false;
        *pieceSize = 1;
        return "_";
    }
    const std::size_t from = handedOut;
    while (scanned < size) {
        if (nextTokenIsRenamed()) {
            underscoreDue = true;
            break;
        }
    }
    const std::size_t to = underscoreDue ? scanned : size;
    handedOut = to;
    *pieceSize = to - from;
    return to > from ? text + from : nullptr;
}

// A long bracket "[", level "=", "[" opens at i: its level, or -1.
long EnvRenamer::longBracketLevel(std::size_t i) const
{
    std::size_t j = i + 1;
    while (at(j, '='))
        ++j;
    return at(i, '[') && at(j, '[') ? static_cast<long>(j - i - 1) : -1;
}

// Past the closing bracket ("]", level "=", "]") of the long string or comment of level that opens at i; the
// end of the text when it never closes. Every character is looked at once or twice.
std::size_t EnvRenamer::afterLongBracket(std::size_t i, long level) const
{
    const std::size_t equals = static_cast<std::size_t>(level);
    for (std::size_t j = i + 2 + equals; j < size; ++j) {
        if (text[j] != ']')
            continue;
        std::size_t k = j + 1;
        while (at(k, '=') && k - j - 1 < equals)
            ++k;
        if (k - j - 1 == equals && at(k, ']'))
            return k + 1;
        j = k - 1;
    }
    return size;
}

std::size_t EnvRenamer::skipSpaceAndComments(std::size_t i) const
{
    while (i < size) {
        const char c = text[i];
        if (c == ' ' || c == '\t' || c == '\f' || c == '\v' || isNewline(c)) {
            ++i;
        } else if (c == '-' && at(i + 1, '-')) {
            i += 2;
            const long level = longBracketLevel(i);
            if (level >= 0) {
                i = afterLongBracket(i, level);
            } else {
                while (i < size && !isNewline(text[i]))
                    ++i;
            }
        } else {
            break;
        }
    }
    return i;
}

// Past the short string that opens at i. After a backslash the next character is taken whatever it is; a
// line end there counts with its partner ("\r\n" or "\n\r"), as the lexer counts it.
std::size_t EnvRenamer::afterShortString(std::size_t i) const
{
    const char delimiter = text[i++];
    while (i < size && text[i] != delimiter) {
        if (text[i++] != '\\' || i == size)
            continue;
        const char escaped = text[i++];
        if (isNewline(escaped) && i < size && isNewline(text[i]) && text[i] != escaped)
            ++i;
    }
    return i < size ? i + 1 : size;
}

// Whether the name just scanned, ending at end, is read as a variable: not after "." or ":", and not the key
// of a constructor's field (first in the field, directly inside the braces, followed by a single "=").
bool EnvRenamer::isVariable(std::size_t end) const
{
    if (previous == TOKEN_FIELD_MARK)
        return false;
    if (previous == TOKEN_FIELD_START && !nesting.empty() && nesting.back()) {
        const std::size_t following = skipSpaceAndComments(end);
        if (at(following, '=') && !at(following + 1, '='))
            return false;
    }
    return true;
}

// Scans one token (after the white space and comments before it); true when it is a name to rename, with
// scanned just past it.
bool EnvRenamer::nextTokenIsRenamed()
{
    std::size_t i = skipSpaceAndComments(scanned);
    if (i == size) {
        scanned = size;
        return false;
    }
    const char c = text[i];
    Previous kind = TOKEN_OTHER;
    bool renamed = false;
    if (isNameStart(c)) {
        std::size_t end = i + 1;
        while (end < size && isNamePart(text[end]))
            ++end;
        const std::string_view word(text + i, end - i);
        if (word == "function" || word == "do" || word == "if" || word == "repeat")
            open(false);
        else if (word == "end" || word == "until")
            close();
        else
            renamed = spellsEnv(text + i, end - i, 0) && isVariable(end);
        i = end;
    } else if (isDigit(c) || (c == '.' && i + 1 < size && isDigit(text[i + 1]))) {
        // A numeral, and anything touching it that the lexer would refuse along with it.
        while (i < size && (isNamePart(text[i]) || text[i] == '.'))
            ++i;
    } else if (c == '"' || c == '\'') {
        i = afterShortString(i);
    } else if (c == '[') {
        const long level = longBracketLevel(i);
        if (level >= 0) {
            i = afterLongBracket(i, level);
        } else {
            open(false);
            ++i;
        }
    } else if (c == '{' || c == '(') {
        open(c == '{');
        kind = c == '{' ? TOKEN_FIELD_START : TOKEN_OTHER;
        ++i;
    } else if (c == '}' || c == ')' || c == ']') {
        close();
        ++i;
    } else if (c == ',' || c == ';') {
        kind = TOKEN_FIELD_START;
        ++i;
    } else if (c == '.' || c == ':') {
        // "." and ":" mark a field name; "..", "..." and "::" do not.
        std::size_t end = i + 1;
        while (end < size && text[end] == c && end - i < (c == '.' ? 3u : 2u))
            ++end;
        kind = end - i == 1 ? TOKEN_FIELD_MARK : TOKEN_OTHER;
        i = end;
    } else {
        ++i;
    }
    previous = kind;
    scanned = i;
    return renamed;
}
