// Font: drawing and measuring single lines of text from a font's glyph strip.
// Drawing one colour-keyed SDL blit per character costs more in call overhead than the pixels themselves, so
// each glyph's ink is recorded once as horizontal runs and blitText fills those runs straight into the screen,
// clipped exactly as SDL clips a blit. The per-character blit stays as the fallback for strips the runs cannot
// reproduce (a blended strip, a screen in another layout) and as the reference the runs are held to.
#include "Font.h"

#include <algorithm>
#include <cstdarg>
#include <cstring>
#include <new>

#include "GraphicSurface.h"
#include "Utility.h"
#include "Video.h"

namespace {

// SDL_Rect positions are 16-bit: a pen further right than this cannot be handed to a blit, and nothing there
// can be on the screen.
const int maxPenX = 32767;

Uint32 effectiveLimit(Uint32 constrain)
{
    return (constrain == 0 || constrain > EngineFont::maxTextLength) ? EngineFont::maxTextLength : constrain;
}

// Cuts a span of length pixels drawn from src to dst along one axis to the clip's [clipStart, clipEnd).
void clipSpan(int &src, int &dst, int &length, int clipStart, int clipEnd)
{
    if (clipStart > dst) {
        length -= clipStart - dst;
        src += clipStart - dst;
        dst = clipStart;
    }
    if (dst + length > clipEnd)
        length = clipEnd - dst;
}

}  // namespace

EngineFont::EngineFont(GraphicSurface *strip, const FontHeader &header, Uint8 r, Uint8 g, Uint8 b)
    : surface(strip), fontInfo(header), chars(), r(r), g(g), b(b), inkPixel(0), keyPixel(0), runsRecorded(false),
      runs(nullptr), runStart()
{
    surface->retain();
    std::memcpy(nameText, fontInfo.fontName, sizeof fontInfo.fontName);
    nameText[sizeof fontInfo.fontName] = '\0';
    SDL_Surface *sdlStrip = surface->getSurface();
    if (sdlStrip)
        inkPixel = SDL_MapRGB(sdlStrip->format, r, g, b);
}

EngineFont::~EngineFont()
{
    delete[] runs;
    if (surface)
        surface->release();
}

SDL_bool EngineFont::recordGlyphRuns(SDL_Surface *lockedStrip, Uint32 key)
{
    keyPixel = key;
    const Uint8 *pixels = static_cast<const Uint8 *>(lockedStrip->pixels);
    if (lockedStrip->format->BytesPerPixel != 2 || (!pixels && lockedStrip->w > 0 && lockedStrip->h > 0))
        return SDL_FALSE;

    // Two passes over the strip: count the runs, then record them.
    for (int pass = 0; pass < 2; ++pass) {
        Uint32 count = 0;
        for (int k = 0; k < numChars; ++k) {
            runStart[k] = count;
            const SDL_Rect &rect = chars[k];
            int width = std::min<int>(rect.w, lockedStrip->w - rect.x);
            int height = std::min<int>(rect.h, lockedStrip->h);
            for (int y = 0; y < height; ++y) {
                const Uint16 *row =
                    reinterpret_cast<const Uint16 *>(pixels + static_cast<size_t>(y) * lockedStrip->pitch) + rect.x;
                int x = 0;
                while (x < width) {
                    if (row[x] == keyPixel) {
                        ++x;
                        continue;
                    }
                    int start = x;
                    while (x < width && row[x] != keyPixel) {
                        // Filling with the ink is exact only if every shown pixel is the ink.
                        if (row[x] != inkPixel)
                            return SDL_FALSE;
                        ++x;
                    }
                    if (pass == 1)
                        runs[count] = GlyphRun{static_cast<Uint16>(y), static_cast<Uint16>(start),
                                               static_cast<Uint16>(x - start)};
                    ++count;
                }
            }
        }
        runStart[numChars] = count;
        if (pass == 0) {
            runs = new (std::nothrow) GlyphRun[count > 0 ? count : 1];
            if (!runs)
                return SDL_FALSE;
        }
    }
    runsRecorded = true;
    return SDL_TRUE;
}

bool EngineFont::runBlitterApplies() const
{
    if (!runsRecorded || !screen || screen->locked)
        return false;
    const SDL_Surface *strip = surface->getSurface();
    if (!strip || (strip->flags & (SDL_SRCCOLORKEY | SDL_SRCALPHA)) != SDL_SRCCOLORKEY ||
        strip->format->colorkey != keyPixel)
        return false;
    const SDL_PixelFormat *from = strip->format;
    const SDL_PixelFormat *to = screen->format;
    return to->BytesPerPixel == 2 && from->BytesPerPixel == 2 && from->Rmask == to->Rmask &&
           from->Gmask == to->Gmask && from->Bmask == to->Bmask && from->Amask == to->Amask;
}

Uint32 EngineFont::blitText(Sint16 destX, Sint16 destY, Uint32 constrain, const char *str)
{
    if (!runBlitterApplies())
        return blitTextPerCharacter(destX, destY, constrain, str);
    if (!str)
        return 0;
    Uint32 limit = effectiveLimit(constrain);
    Uint32 count = 0;
    while (count < limit && str[count])
        ++count;

    bool locked = SDL_MUSTLOCK(screen);
    if (locked && SDL_LockSurface(screen) < 0)
        return count;

    const SDL_Surface *strip = surface->getSurface();
    const int stripW = strip->w;
    const int stripH = strip->h;
    const SDL_Rect clip = screen->clip_rect;
    const int clipRight = clip.x + clip.w;
    const int clipBottom = clip.y + clip.h;
    Uint8 *const pixels = static_cast<Uint8 *>(screen->pixels);
    const int pitch = screen->pitch;
    const Uint16 ink = static_cast<Uint16>(inkPixel);

    int penX = destX;
    for (Uint32 i = 0; i < count && penX <= maxPenX; ++i) {
        unsigned glyph = static_cast<unsigned char>(str[i]) - firstChar;
        if (glyph >= static_cast<unsigned>(numChars))
            continue;
        const SDL_Rect &rect = chars[glyph];
        int dstX = penX;
        penX += rect.w;

        // The same cuts SDL makes: the source rectangle to the strip, then the destination to the clip.
        int srcX = rect.x;
        int srcY = rect.y;
        int w = std::min<int>(rect.w, stripW - srcX);
        int h = std::min<int>(rect.h, stripH - srcY);
        int dstY = destY;
        clipSpan(srcX, dstX, w, clip.x, clipRight);
        clipSpan(srcY, dstY, h, clip.y, clipBottom);
        if (w <= 0 || h <= 0)
            continue;

        const int left = srcX - rect.x;
        const int top = srcY - rect.y;
        const GlyphRun *run = runs + runStart[glyph];
        const GlyphRun *end = runs + runStart[glyph + 1];
        Uint8 *origin = pixels + static_cast<ptrdiff_t>(dstY) * pitch + static_cast<ptrdiff_t>(dstX) * 2;
        if (left == 0 && top == 0 && w == rect.w && h == rect.h) {
            for (; run != end; ++run)
                std::fill_n(reinterpret_cast<Uint16 *>(origin + static_cast<ptrdiff_t>(run->y) * pitch) + run->x,
                            run->length, ink);
            continue;
        }
        for (; run != end; ++run) {
            int row = run->y - top;
            if (row < 0 || row >= h)
                continue;
            int from = std::max<int>(run->x, left);
            int to = std::min<int>(run->x + run->length, left + w);
            if (from < to)
                std::fill_n(reinterpret_cast<Uint16 *>(origin + static_cast<ptrdiff_t>(row) * pitch) + (from - left),
                            to - from, ink);
        }
    }

    if (locked)
        SDL_UnlockSurface(screen);
    return count;
}

Uint32 EngineFont::blitTextPerCharacter(Sint16 destX, Sint16 destY, Uint32 constrain, const char *str)
{
    if (!str)
        return 0;
    Uint32 limit = effectiveLimit(constrain);
    SDL_Surface *strip = surface ? surface->getSurface() : nullptr;
    int penX = destX;
    Uint32 count = 0;
    for (; count < limit && str[count]; ++count) {
        const SDL_Rect *rect = charRect(static_cast<unsigned char>(str[count]));
        if (!rect || penX > maxPenX)
            continue;
        // A fresh destination per glyph: SDL moves it to the clip edge, and the next glyph must not follow.
        SDL_Rect source = *rect;
        SDL_Rect destination = {static_cast<Sint16>(penX), destY, 0, 0};
        if (strip && screen)
            SDL_BlitSurface(strip, &source, screen, &destination);
        penX += rect->w;
    }
    return count;
}

Uint32 EngineFont::blitTextFmt(Sint16 destX, Sint16 destY, Uint32 constrain, const char *str, ...)
{
    char buffer[maxTextLength + 1];
    va_list args;
    va_start(args, str);
    zarvello::vsnprintf(static_cast<int>(maxTextLength), buffer, str, args);
    va_end(args);
    if (constrain != 0 && constrain < maxTextLength)
        buffer[constrain] = '\0';
    return blitText(destX, destY, 0, buffer);
}

Uint32 EngineFont::textSize(const char *text) const
{
    if (!text)
        return 0;
    // blitText draws at most maxTextLength characters of a text; the width is that of what it draws.
    Uint64 width = 0;
    for (Uint32 drawn = 0; *text && drawn < maxTextLength; ++text, ++drawn) {
        const SDL_Rect *rect = charRect(static_cast<unsigned char>(*text));
        if (rect)
            width += rect->w;
    }
    return width > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<Uint32>(width);
}

Uint32 EngineFont::textSizeFmt(const char *text, ...) const
{
    char buffer[maxTextLength + 1];
    va_list args;
    va_start(args, text);
    zarvello::vsnprintf(static_cast<int>(maxTextLength), buffer, text, args);
    va_end(args);
    return textSize(buffer);
}

const char *EngineFont::getFilename() const
{
    if (!surface || !surface->getName())
        return "/invalid/font/object";
    return surface->getName();
}

void EngineFont::setAlpha(Uint8 alpha)
{
    if (surface)
        surface->setAlpha(alpha);
}
