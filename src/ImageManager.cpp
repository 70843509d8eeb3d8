// The image cache: a growable array of surfaces in the order they were loaded, looked up by name with a
// linear scan (a skin loads a handful of images, once, at start-up). Capacity starts at 10 and grows by 10.
// Depends on: ImageLoader, GraphicSurface, Memory.
#include "ImageManager.h"

#include <cstring>

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

ImageManager::ImageManager() : list(new GraphicSurface *[capacityStep]), currentSize(0), maxSize(capacityStep)
{
}

ImageManager::~ImageManager()
{
    for (Uint32 i = 0; i < currentSize; ++i)
        list[i]->release();
    delete[] list;
}

GraphicSurface *ImageManager::retreiveImage(const char *filename)
{
    for (Uint32 i = 0; i < currentSize; ++i)
        if (std::strcmp(list[i]->getName(), filename) == 0)
            return list[i];
    GraphicSurface *image = loadImage(filename, 0, 0);
    if (image)
        addImage(image);
    return image;
}

void ImageManager::addImage(GraphicSurface *image)
{
    if (currentSize == maxSize)
        growToSize(currentSize + capacityStep);
    image->retain();
    list[currentSize++] = image;
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
