/* FirstFrameProbe: preloaded into a program under measurement (LD_PRELOAD), it notes the moment the first
 * screen update has been delivered. When the environment names a file descriptor in ZARVELLO_FIRST_FRAME_FD,
 * the first SDL_UpdateRect, SDL_UpdateRects with at least one rectangle or SDL_Flip writes the CLOCK_MONOTONIC
 * time after the update, as "seconds nanoseconds\n", to that descriptor, and closes it. When
 * ZARVELLO_FIRST_FRAME_EXIT is set, the process then ends at once with status 0, so that a tool counting the
 * work of a start-up (callgrind) sees nothing after the first frame. Every call is passed on unchanged.
 * Depends on: SDL 1.2's symbols, found through dlsym. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#include <SDL.h>

static int reported = 0;

static void reportFirstFrame(void)
{
    if (reported)
        return;
    reported = 1;
    const char *fdText = getenv("ZARVELLO_FIRST_FRAME_FD");
    if (fdText) {
        int fd = atoi(fdText);
        struct timespec now;
        clock_gettime(CLOCK_MONOTONIC, &now);
        char text[64];
        int length = snprintf(text, sizeof text, "%lld %ld\n", (long long)now.tv_sec, now.tv_nsec);
        if (write(fd, text, (size_t)length) != length)
            perror("firstframe");
        close(fd);
    }
    if (getenv("ZARVELLO_FIRST_FRAME_EXIT"))
        _exit(0);
}

static void *realFunction(const char *name)
{
    void *function = dlsym(RTLD_NEXT, name);
    if (!function) {
        fprintf(stderr, "firstframe: no %s to pass on to\n", name);
        abort();
    }
    return function;
}

void SDL_UpdateRect(SDL_Surface *screen, Sint32 x, Sint32 y, Uint32 w, Uint32 h)
{
    static void (*real)(SDL_Surface *, Sint32, Sint32, Uint32, Uint32);
    if (!real)
        *(void **)&real = realFunction("SDL_UpdateRect");
    real(screen, x, y, w, h);
    reportFirstFrame();
}

void SDL_UpdateRects(SDL_Surface *screen, int numrects, SDL_Rect *rects)
{
    static void (*real)(SDL_Surface *, int, SDL_Rect *);
    if (!real)
        *(void **)&real = realFunction("SDL_UpdateRects");
    real(screen, numrects, rects);
    if (numrects > 0)
        reportFirstFrame();
}

int SDL_Flip(SDL_Surface *screen)
{
    static int (*real)(SDL_Surface *);
    if (!real)
        *(void **)&real = realFunction("SDL_Flip");
    int result = real(screen);
    reportFirstFrame();
    return result;
}
