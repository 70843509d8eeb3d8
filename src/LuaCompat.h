// The configuration language's interpreter calls, as the configuration code uses them, on top of the
// packaged interpreter. Type codes and status codes are the configuration language's own (nil 1, number 2,
// string 3; a file that cannot be opened gives 2). The "setglobal" tag method of the nil tag fires for every
// assignment to a global whose value is nil and never stores the value itself.
// Scripts load as text only, from a regular file of at most 64 MiB; a script gets no library, at most 64 MiB of
// memory, 20 million instructions and half a second of running (the clock is read more often the more memory the
// script holds), so a hostile script cannot exhaust the machine or hold start-up. _ENV is an ordinary name, as it
// is in the configuration language.
// Depends on: the interpreter library, EnvRenamer and Utility (only in LuaCompat.cpp).
#ifndef ZARVELLO_LUACOMPAT_H
#define ZARVELLO_LUACOMPAT_H

#include <cstddef>

struct lua_State;

namespace lua4 {

typedef int (*lua_CFunction)(lua_State *L);

const int LUA_TUSERDATA = 0;
const int LUA_TNIL = 1;
const int LUA_TNUMBER = 2;
const int LUA_TSTRING = 3;
const int LUA_TTABLE = 4;
const int LUA_TFUNCTION = 5;

const int LUA_ERRRUN = 1;
const int LUA_ERRFILE = 2;
const int LUA_ERRSYNTAX = 3;
const int LUA_ERRMEM = 4;
const int LUA_ERRERR = 5;

// A new interpreter with no library opened; null when memory runs out. stackSize 0 is the default.
lua_State *lua_open(int stackSize);
void lua_close(lua_State *L);

void lua_pushnumber(lua_State *L, double n);
/// Pops the value on top of the stack into the global name, which the script reads by that name (_ENV too).
void lua_setglobal(lua_State *L, const char *name);
void lua_pushcclosure(lua_State *L, lua_CFunction fn, int n);

// Pops the function on top of the stack and installs it for the event of the tag; only the nil tag's
// "setglobal" event is known. Returns 1 when installed, 0 otherwise.
int lua_settagmethod(lua_State *L, int tag, const char *event);

// lua_dofile: LUA_ERRFILE when the file is no regular file or cannot be read, LUA_ERRMEM when it holds more than
// 64 MiB, another code on a syntax, run-time or memory error.
/// Runs the script in the file; 0 on success, otherwise the status of the failure.
int lua_dofile(lua_State *L, const char *filename);

const char *lua_tostring(lua_State *L, int index);
/// The length of the string at index, zero bytes included (0 for a value that is no string or number).
std::size_t lua_strlen(lua_State *L, int index);
double lua_tonumber(lua_State *L, int index);
int lua_type(lua_State *L, int index);
const char *lua_typename(lua_State *L, int type);

// Abandons the running script with the message, which is prefixed with the place in the script
// ("<file>:<line>: "); does not return.
[[noreturn]] void lua_error(lua_State *L, const char *message);

/// Why the last lua_dofile failed, "<file>:<line>: <reason>" when the place is known, cut to 1023 bytes; "" after
/// a success or a file that could not be read.
const char *lastScriptError();

}  // namespace lua4

#endif
