// ImageManager: the image cache. Each data file name is loaded once and the same surface handed to everyone
// who asks for it; cached images stay until the cache is destroyed. A singleton made by the GUI start-up.
// Images are kept in the order they were loaded, with an index beside them that finds one by name.
// Depends on: ImageLoader, GraphicSurface, CacheIndex, Memory.
#ifndef ZARVELLO_IMAGEMANAGER_H
#define ZARVELLO_IMAGEMANAGER_H

#include <SDL_types.h>

#include "CacheIndex.h"

class GraphicSurface;

class ImageManager {
public:
    /// The cache, created empty on the first call.
    static ImageManager *globalManager();

    /// Releases every cached image and deletes the cache; a later globalManager() makes a new, empty one.
    static void destroyImageManager();

    /// The image of a TGA data file, loaded on the first request; borrowed (retain to keep); null if unloadable.
    static GraphicSurface *getImage(const char *filename);

    /// The number of cached images.
    Uint32 count() const { return currentSize; }
    /// The room for cached images: 10, growing by 10.
    Uint32 capacity() const { return maxSize; }

    ImageManager(const ImageManager &) = delete;
    ImageManager &operator=(const ImageManager &) = delete;

private:
    ImageManager();
    ~ImageManager();

    GraphicSurface *retreiveImage(const char *filename);
    // Appends image and takes a reference to it; false, with nothing changed, when the index has no room.
    bool addImage(GraphicSurface *image);
    void growToSize(Uint32 newMax);

    GraphicSurface **list;
    Uint32 currentSize;
    Uint32 maxSize;
    CacheIndex index;  // name -> the first image in list of that name
};

#endif
