// The modules registered beside the engine: a fixed table in registration order, and the number of them that
// start-up has started, so that shutdown stops exactly those, after a failed start-up too.
// Depends on: Console.
#include "EngineModule.h"

#include "Console.h"

namespace {

EngineModule modules[maxEngineModules];
int registered = 0;
int started = 0;

}  // namespace

SDL_bool registerEngineModule(const EngineModule &module)
{
    if (!module.start || !module.stop) {
        Console::addString("ERROR: registerEngineModule: a module needs a start and a stop function");
        return SDL_FALSE;
    }
    for (int i = 0; i < registered; ++i)
        if (modules[i].start == module.start)
            return SDL_TRUE;
    if (registered == maxEngineModules) {
        Console::addString("ERROR: registerEngineModule: no room for more than %d modules", maxEngineModules);
        return SDL_FALSE;
    }
    modules[registered++] = module;
    return SDL_TRUE;
}

SDL_bool startEngineModules()
{
    while (started < registered) {
        if (modules[started].start() == SDL_FALSE)
            return SDL_FALSE;
        ++started;
    }
    return SDL_TRUE;
}

void stopEngineModules()
{
    while (started > 0)
        modules[--started].stop();
}
