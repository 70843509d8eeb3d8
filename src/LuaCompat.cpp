// The configuration language's interpreter calls on top of the packaged interpreter (5.4, C++ build, so that
// an error raised in a handler unwinds C++ frames). The "setglobal" tag method of the nil tag becomes a
// __newindex handler on the globals table's metatable: it fires exactly for globals that hold nil, and it
// receives (table, name, value), which the trampoline rearranges to the tag method's (name, old, new).
// In the configuration language _ENV is an ordinary name; the packaged interpreter takes it for the table of
// globals, so a script could replace it and assign past the tag method. The script is therefore compiled with
// that identifier renamed (EnvRenamer below), and names are shown to the tag method in the script's spelling.
// Depends on: Utility (opening the script), the packaged interpreter.
#include "LuaCompat.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include <sys/stat.h>
#include <time.h>

// lua.hpp declares the interpreter's functions extern "C"; a library that defines them with C++ names is
// declared by its plain headers.
#ifdef ZARVELLO_LUA_CXX_NAMES
#include <lauxlib.h>
#include <lua.h>
#include <lualib.h>
#else
#include <lua.hpp>
#endif

#include "Utility.h"

// The packaged interpreter's codes and macro-made calls, kept under names of their own before the macros
// that share the configuration language's names are dropped.
namespace packaged {
const int TUSERDATA = LUA_TUSERDATA, TNIL = LUA_TNIL,
          TNUMBER = LUA_TNUMBER, TSTRING = LUA_TSTRING, TTABLE = LUA_TTABLE, TFUNCTION = LUA_TFUNCTION,
          TBOOLEAN = LUA_TBOOLEAN, TTHREAD = LUA_TTHREAD;
const int OK = LUA_OK, ERRFILE = LUA_ERRFILE, ERRSYNTAX = LUA_ERRSYNTAX, ERRMEM = LUA_ERRMEM,
          ERRERR = LUA_ERRERR;
inline int pcall(lua_State *L) { return lua_pcall(L, 0, 0, 0); }
inline void pop(lua_State *L) { lua_pop(L, 1); }
inline void pushglobaltable(lua_State *L) { lua_pushglobaltable(L); }
inline int upvalue(int i) { return lua_upvalueindex(i); }
}  // namespace packaged

#undef LUA_TUSERDATA
#undef LUA_TNIL
#undef LUA_TNUMBER
#undef LUA_TSTRING
#undef LUA_TTABLE
#undef LUA_TFUNCTION
#undef LUA_ERRRUN
#undef LUA_ERRFILE
#undef LUA_ERRSYNTAX
#undef LUA_ERRMEM
#undef LUA_ERRERR
#undef lua_tostring
#undef lua_tonumber
#undef lua_pushcclosure
#undef lua_open
#undef lua_dofile

namespace {

// A script gets at most this much memory, this many instructions and this much time. A configuration needs a
// few hundred instructions and a few dozen kilobytes.
const std::size_t memoryLimit = 64u << 20;
const long instructionLimit = 20000000;
const long timeLimitNanoseconds = 500000000;

// One instruction may do work in proportion to the memory the script holds (compare or join strings of many
// megabytes, at worst some 10 ns a byte), so the clock is read after fewer instructions the more memory is in
// use: after checkWork / (bytes in use) instructions, and at once when the memory in use has doubled since. The
// work between two readings of the clock stays within some 40 ms whatever the script does, and an ordinary
// script reads it every few dozen instructions.
const std::size_t checkWork = 8u << 20;
const std::size_t instructionsPerCheckLimit = 10000;

long nanosecondsNow()
{
    // The coarse clock is read without a system call; its few milliseconds of resolution are plenty here.
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
    return static_cast<long>(now.tv_sec) * 1000000000L + now.tv_nsec;
}

struct Budget {
    std::size_t used;
    long instructions;    // run up to the last check
    int instructionsNow;  // run since the last check, when it comes
    long deadline;
    std::size_t checkAbove;  // the memory in use that brings the next check forward
    lua_State *state;
};

void instructionHook(lua_State *L, lua_Debug *);

// Sets the hook to run after the number of instructions the memory in use allows.
void scheduleCheck(lua_State *L, Budget *budget)
{
    std::size_t count = checkWork / (budget->used ? budget->used : 1);
    if (count < 1)
        count = 1;
    if (count > instructionsPerCheckLimit)
        count = instructionsPerCheckLimit;
    budget->checkAbove = budget->used * 2;
    if (budget->instructionsNow != static_cast<int>(count)) {
        budget->instructionsNow = static_cast<int>(count);
        lua_sethook(L, instructionHook, LUA_MASKCOUNT, static_cast<int>(count));
    }
}

void *limitedAlloc(void *ud, void *ptr, std::size_t osize, std::size_t nsize)
{
    Budget *budget = static_cast<Budget *>(ud);
    std::size_t old = ptr ? osize : 0;
    if (nsize == 0) {
        std::free(ptr);
        budget->used -= old;
        return nullptr;
    }
    if (nsize > old && nsize - old > memoryLimit - budget->used)
        return nullptr;
    void *block = std::realloc(ptr, nsize);
    if (block) {
        budget->used = budget->used - old + nsize;
        // Much more memory than at the last check: check after the running instruction.
        if (budget->state && budget->used > budget->checkAbove) {
            budget->checkAbove = memoryLimit;
            budget->instructionsNow = 1;
            lua_sethook(budget->state, instructionHook, LUA_MASKCOUNT, 1);
        }
    }
    return block;
}

void instructionHook(lua_State *L, lua_Debug *)
{
    void *ud = nullptr;
    lua_getallocf(L, &ud);
    Budget *budget = static_cast<Budget *>(ud);
    budget->instructions += budget->instructionsNow;
    if (budget->instructions > instructionLimit || nanosecondsNow() > budget->deadline)
        luaL_error(L, "the script ran too long");
    scheduleCheck(L, budget);
}

// Whether the size bytes at name spell _ENV followed by at least `underscores` underscores and nothing else.
bool spellsEnv(const char *name, std::size_t size, std::size_t underscores)
{
    if (size < 4 + underscores || std::memcmp(name, "_ENV", 4) != 0)
        return false;
    for (std::size_t i = 4; i < size; ++i)
        if (name[i] != '_')
            return false;
    return true;
}

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
    const char *next(std::size_t *pieceSize)
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

private:
    enum Previous { TOKEN_OTHER, TOKEN_FIELD_MARK, TOKEN_FIELD_START };

    static bool isNameStart(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
    static bool isDigit(char c) { return c >= '0' && c <= '9'; }
    static bool isNamePart(char c) { return isNameStart(c) || isDigit(c); }
    static bool isNewline(char c) { return c == '\n' || c == '\r'; }
    bool at(std::size_t i, char c) const { return i < size && text[i] == c; }

    // A long bracket "[", level "=", "[" opens at i: its level, or -1.
    long longBracketLevel(std::size_t i) const
    {
        std::size_t j = i + 1;
        while (at(j, '='))
            ++j;
        return at(i, '[') && at(j, '[') ? static_cast<long>(j - i - 1) : -1;
    }

    // Past the closing bracket ("]", level "=", "]") of the long string or comment of level that opens at i; the
    // end of the text when it never closes. Every character is looked at once or twice.
    std::size_t afterLongBracket(std::size_t i, long level) const
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

    std::size_t skipSpaceAndComments(std::size_t i) const
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
    std::size_t afterShortString(std::size_t i) const
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

    void open(bool brace) { nesting.push_back(brace); }
    void close()
    {
        if (!nesting.empty())
            nesting.pop_back();
    }

    // Whether the name just scanned, ending at end, is read as a variable: not after "." or ":", and not the key
    // of a constructor's field (first in the field, directly inside the braces, followed by a single "=").
    bool isVariable(std::size_t end) const
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
    bool nextTokenIsRenamed()
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

    const char *text;
    std::size_t size;
    std::size_t scanned = 0;
    std::size_t handedOut = 0;
    bool underscoreDue = false;
    Previous previous = TOKEN_OTHER;
    std::vector<bool> nesting;  // true for a brace
};

const char *readRenamed(lua_State *, void *renamer, std::size_t *size)
{
    return static_cast<EnvRenamer *>(renamer)->next(size);
}

int setglobalTrampoline(lua_State *L)
{
    lua4::lua_CFunction method = reinterpret_cast<lua4::lua_CFunction>(lua_touserdata(L, packaged::upvalue(1)));
    lua_settop(L, 3);
    // The name as the script spells it: a renamed _ENV loses its added underscore.
    if (::lua_type(L, 2) == packaged::TSTRING) {
        std::size_t length = 0;
        const char *name = ::lua_tolstring(L, 2, &length);
        if (spellsEnv(name, length, 1)) {
            ::lua_pushlstring(L, name, length - 1);
            lua_replace(L, 2);
        }
    }
    lua_pushvalue(L, 2);
    lua_replace(L, 1);
    lua_pushnil(L);
    lua_replace(L, 2);
    return method(L);
}

// Codes of the configuration language (index) and of the packaged interpreter (value).
const int packagedType[] = {packaged::TUSERDATA, packaged::TNIL,      packaged::TNUMBER,  packaged::TSTRING,
                            packaged::TTABLE,    packaged::TFUNCTION, packaged::TBOOLEAN, packaged::TTHREAD};

}  // namespace

namespace lua4 {

lua_State *lua_open(int)
{
    Budget *budget = static_cast<Budget *>(std::calloc(1, sizeof(Budget)));
    if (!budget)
        return nullptr;
    lua_State *L = lua_newstate(limitedAlloc, budget);
    if (!L) {
        std::free(budget);
        return nullptr;
    }
    budget->state = L;
    scheduleCheck(L, budget);
    return L;
}

void lua_close(lua_State *L)
{
    if (!L)
        return;
    void *ud = nullptr;
    lua_getallocf(L, &ud);
    ::lua_close(L);
    std::free(ud);
}

void lua_pushnumber(lua_State *L, double n)
{
    ::lua_pushnumber(L, n);
}

void lua_setglobal(lua_State *L, const char *name)
{
    // The script reads _ENV under its renamed spelling.
    if (spellsEnv(name, std::strlen(name), 0)) {
        ::lua_pushfstring(L, "%s_", name);
        ::lua_insert(L, -2);
        packaged::pushglobaltable(L);
        ::lua_insert(L, -3);
        ::lua_settable(L, -3);
        packaged::pop(L);
        return;
    }
    ::lua_setglobal(L, name);
}

void lua_pushcclosure(lua_State *L, lua_CFunction fn, int n)
{
    ::lua_pushcclosure(L, fn, n);
}

int lua_settagmethod(lua_State *L, int tag, const char *event)
{
    if (tag != LUA_TNIL || std::strcmp(event, "setglobal") != 0 || !::lua_iscfunction(L, -1)) {
        packaged::pop(L);
        return 0;
    }
    lua_CFunction method = ::lua_tocfunction(L, -1);
    packaged::pop(L);
    packaged::pushglobaltable(L);
    ::lua_createtable(L, 0, 1);
    ::lua_pushlightuserdata(L, reinterpret_cast<void *>(method));
    ::lua_pushcclosure(L, setglobalTrampoline, 1);
    ::lua_setfield(L, -2, "__newindex");
    ::lua_setmetatable(L, -2);
    packaged::pop(L);
    return 1;
}

int lua_dofile(lua_State *L, const char *filename)
{
    // Only a regular file is read: a FIFO or terminal of that name cannot hold start-up.
    std::FILE *file = openRegularFile(filename, "rb");
    if (!file)
        return LUA_ERRFILE;
    // The whole script, at most as large as the memory a script may use.
    std::string script;
    struct stat fileStatus;
    if (fstat(fileno(file), &fileStatus) == 0 && fileStatus.st_size > 0) {
        const std::size_t fileSize = static_cast<std::size_t>(fileStatus.st_size);
        script.reserve(fileSize < memoryLimit ? fileSize : memoryLimit + 1);
    }
    char block[65536];
    std::size_t got;
    while (script.size() <= memoryLimit && (got = std::fread(block, 1, sizeof block, file)) > 0)
        script.append(block, got);
    const bool readError = std::ferror(file) != 0;
    std::fclose(file);
    if (readError)
        return LUA_ERRFILE;
    if (script.size() > memoryLimit)
        return LUA_ERRMEM;

    // As the packaged interpreter loads a file: a UTF-8 byte order mark is skipped, and a first line starting
    // with "#" is taken out, its line end kept so that line numbers stay right.
    std::string_view text(script);
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    if (!text.empty() && text[0] == '#') {
        const std::size_t lineEnd = text.find('\n');
        text.remove_prefix(lineEnd == std::string_view::npos ? text.size() : lineEnd);
    }
    EnvRenamer renamer(text.data(), text.size());
    const std::string chunkName = std::string("@") + filename;
    int status = ::lua_load(L, readRenamed, &renamer, chunkName.c_str(), "t");
    // The script's time counts from its first instruction; reading and compiling take time in proportion to
    // the file, whose size is bounded.
    if (status == packaged::OK) {
        void *ud = nullptr;
        lua_getallocf(L, &ud);
        static_cast<Budget *>(ud)->deadline = nanosecondsNow() + timeLimitNanoseconds;
        status = packaged::pcall(L);
    }
    if (status == packaged::OK)
        return 0;
    packaged::pop(L);
    if (status == packaged::ERRFILE)
        return LUA_ERRFILE;
    if (status == packaged::ERRSYNTAX)
        return LUA_ERRSYNTAX;
    if (status == packaged::ERRMEM)
        return LUA_ERRMEM;
    if (status == packaged::ERRERR)
        return LUA_ERRERR;
    return LUA_ERRRUN;
}

const char *lua_tostring(lua_State *L, int index)
{
    return ::lua_tolstring(L, index, nullptr);
}

std::size_t lua_strlen(lua_State *L, int index)
{
    std::size_t length = 0;
    ::lua_tolstring(L, index, &length);
    return length;
}

double lua_tonumber(lua_State *L, int index)
{
    return ::lua_tonumberx(L, index, nullptr);
}

int lua_type(lua_State *L, int index)
{
    int type = ::lua_type(L, index);
    for (int code = 0; code < static_cast<int>(sizeof packagedType / sizeof packagedType[0]); ++code)
        if (packagedType[code] == type)
            return code;
    return LUA_TUSERDATA;
}

const char *lua_typename(lua_State *L, int type)
{
    if (type < 0 || type >= static_cast<int>(sizeof packagedType / sizeof packagedType[0]))
        return "no value";
    return ::lua_typename(L, packagedType[type]);
}

void lua_error(lua_State *L, const char *message)
{
    ::lua_pushstring(L, message);
    ::lua_error(L);
    std::abort();
}

}  // namespace lua4
