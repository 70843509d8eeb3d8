// The configuration language's interpreter calls on top of the packaged interpreter (5.4, C++ build, so that
// an error raised in a handler unwinds C++ frames). The "setglobal" tag method of the nil tag becomes a
// __newindex handler on the globals table's metatable: it fires exactly for globals that hold nil, and it
// receives (table, name, value), which the trampoline rearranges to the tag method's (name, old, new).
// In the configuration language _ENV is an ordinary name; the packaged interpreter takes it for the table of
// globals, so a script could replace it and assign past the tag method. The script is therefore compiled with
// that identifier renamed (EnvRenamer.cpp), and names are shown to the tag method in the script's spelling.
// Depends on: EnvRenamer, Utility (opening the script), the packaged interpreter.
#include "LuaCompat.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

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

#include "EnvRenamer.h"
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

// The message of the last failed script, kept by lua_dofile without allocating (a script may fail for want of
// memory).
char lastError[1024];

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
    lastError[0] = '\0';
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
    const char *message = ::lua_type(L, -1) == packaged::TSTRING ? ::lua_tolstring(L, -1, nullptr) : "";
    std::snprintf(lastError, sizeof lastError, "%s", message);
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
    // Where in the script: the function that made the failing assignment.
    luaL_where(L, 1);
    ::lua_pushstring(L, message);
    ::lua_concat(L, 2);
    ::lua_error(L);
    std::abort();
}

const char *lastScriptError()
{
    return lastError;
}

}  // namespace lua4
