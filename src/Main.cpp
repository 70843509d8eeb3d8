// The program's entry: start up, run, shut down; exit code 0 after a normal run, 1 after a failed start-up.
#include <SDL.h>

#include "GameLoop.h"
#include "Init.h"

int main(int argc, char **argv)
{
    if (initializeSystem(argc, argv) == SDL_TRUE) {
        runGame();
        shutdownSystem();
        return 0;
    }
    shutdownSystem();
    return 1;
}
