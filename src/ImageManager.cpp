// The image cache: a growable array of surfaces in the order they were loaded (capacity starts at 10 and grows
// by 10), and beside it an index from name to entry, so that a game asking for thousands of images every frame
// does not walk the array. The index answers exactly as that walk would: the first image whose name equals the
// one asked for, byte for byte.
// Depends on: ImageLoader, GraphicSurface, CacheIndex, Memory.
#include "ImageManager.h"

#include "CacheIndex.h"
#include "GraphicSurface.h"
#include "ImageLoader.h"

namespace {

ImageManager *globalImageManager = nullptr;

const Uint32 capacityStep = 10;

}  // namespace

ImageManager *ImageManager::globalManager()
{
    if (!globalImageManager)
        globalImageManager = new ImageManager();
    return globalImageManager;
}

void ImageManager::destroyImageManager()
{
    delete globalImageManager;
    globalImageManager = nullptr;
}

GraphicSurface *ImageManager::getImage(const char *filename)
{
    return globalManager()->retreiveImage(filename);
}

ImageManager::ImageManager()
    : list(new GraphicSurface *[capacityStep]), currentSize(0), maxSize(capacityStep), index(new CacheIndex())
{
}

ImageManager::~ImageManager()
{
    for (Uint32 i = 0; i < currentSize; ++i)
        list[i]->releaseFromCache();
    delete[] list;
    delete index;
}

GraphicSurface *ImageManager::retreiveImage(const char *filename)
{
    if (!filename)
        return nullptr;
    GraphicSurface *cached = static_cast<GraphicSurface *>(index->find(filename, 0));
    if (cached)
        return cached;
    GraphicSurface *image = loadImage(filename, 0, 0);
    if (image && !addImage(image)) {
        // Not cached, so nothing else holds it: the retain and release destroy it.
        image->retain();
        image->release();
        return nullptr;
    }
    return image;
}

bool ImageManager::addImage(GraphicSurface *image)
{
    if (currentSize == maxSize)
        growToSize(currentSize + capacityStep);
    if (!index->add(image->getName(), 0, image))
        return false;
    image->retainForCache(image->getName());
    list[currentSize++] = image;
    return true;
}

void ImageManager::growToSize(Uint32 newMax)
{
    GraphicSurface **grown = new GraphicSurface *[newMax];
    for (Uint32 i = 0; i < currentSize; ++i)
        grown[i] = list[i];
    delete[] list;
    list = grown;
    maxSize = newMax;
}
