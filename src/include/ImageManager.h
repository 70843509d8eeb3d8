/// @file
/// A game uses it to get an image by data name, loaded once and shared.
/// ImageManager: the image cache. Each data file name is loaded once and the same surface handed to everyone
/// who asks for it; cached images stay until the cache is destroyed. A singleton made by the GUI start-up.
/// Depends on: ImageLoader, GraphicSurface, Memory, CacheIndex (the name index).
#ifndef ZARVELLO_IMAGEMANAGER_H
#define ZARVELLO_IMAGEMANAGER_H

#include <SDL_types.h>

class CacheIndex;
class GraphicSurface;

/// The image cache: a singleton made by the GUI start-up, reached through static functions.
class ImageManager {
public:
    /// The cache, created empty on the first call.
    static ImageManager *globalManager();

    /// Releases every cached image and deletes the cache; a later globalManager() makes a new, empty one.
    static void destroyImageManager();

    /// The image loaded from filename (a TGA data file), loading it on the first request. Borrowed: the cache
    /// keeps its own reference, and a caller that keeps the image retains it. Null when it cannot be loaded;
    /// a failure is not remembered, so the next request tries again.
    static GraphicSurface *getImage(const char *filename);

    /// The number of cached images and the room for them.
    Uint32 count() const { return currentSize; }
    /// The room in the cache's array before it grows (by 10).
    Uint32 capacity() const { return maxSize; }

    ImageManager(const ImageManager &) = delete;
    ImageManager &operator=(const ImageManager &) = delete;

private:
    ImageManager();
    ~ImageManager();

    GraphicSurface *retreiveImage(const char *filename);
    // Appends image and takes a reference to it; false, with nothing changed, when the index cannot grow.
    bool addImage(GraphicSurface *image);
    void growToSize(Uint32 newMax);

    GraphicSurface **list;
    Uint32 currentSize;
    Uint32 maxSize;
    CacheIndex *index;  // name -> the first image of that name in list
};

#endif
