// The image cache: one load per name, shared surfaces with the cache's single reference, growth by ten, failed
// loads not remembered, and what survives its destruction.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "GraphicSurface.h"
#include "ImageManager.h"
#include "ImageTestSupport.h"

namespace {

class ImageCache : public ImageDisplayTest {
protected:
    std::string putImage(const std::string &name) { return put(name, tgaFromRgb(2, 2, patternRgb(2, 2))); }
};

TEST_F(ImageCache, SameNameGivesTheSameSurfaceLoadedOnce)
{
    putImage("/gfx/tile.tga");
    GraphicSurface *first = ImageManager::getImage("/gfx/tile.tga");
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(1, first->retainCount());
    // Gone from the disk, the file can only come from the cache now.
    std::remove((dataDirectory + "/gfx/tile.tga").c_str());
    EXPECT_EQ(first, ImageManager::getImage("/gfx/tile.tga"));
    EXPECT_EQ(1, first->retainCount());
    EXPECT_EQ(1u, ImageManager::globalManager()->count());
}

TEST_F(ImageCache, NamesDifferingInCaseAreDifferentEntries)
{
    putImage("/tile.tga");
    GraphicSurface *lower = ImageManager::getImage("/tile.tga");
    ASSERT_NE(nullptr, lower);
    // The loose-file lookup is case-sensitive too, so the second name needs its own file.
    putImage("/Tile.tga");
    GraphicSurface *upper = ImageManager::getImage("/Tile.tga");
    ASSERT_NE(nullptr, upper);
    EXPECT_NE(lower, upper);
    EXPECT_EQ(2u, ImageManager::globalManager()->count());
}

TEST_F(ImageCache, CapacityGrowsByTenAtTheEleventhAndTwentyFirstImage)
{
    ImageManager *cache = ImageManager::globalManager();
    EXPECT_EQ(10u, cache->capacity());
    std::vector<GraphicSurface *> images;
    for (int i = 0; i < 21; ++i) {
        const std::string name = "/image" + std::to_string(i) + ".tga";
        images.push_back(ImageManager::getImage(putImage(name).c_str()));
        ASSERT_NE(nullptr, images.back());
        const Uint32 expected = i < 10 ? 10 : (i < 20 ? 20 : 30);
        EXPECT_EQ(expected, cache->capacity()) << "after image " << i + 1;
    }
    EXPECT_EQ(21u, cache->count());
    for (int i = 0; i < 21; ++i)
        EXPECT_EQ(images[i], ImageManager::getImage(("/image" + std::to_string(i) + ".tga").c_str()));
}

TEST_F(ImageCache, FailedLoadIsNotRememberedAndTriedAgain)
{
    EXPECT_EQ(nullptr, ImageManager::getImage("/missing.tga"));
    EXPECT_EQ(nullptr, ImageManager::getImage("/missing.tga"));
    EXPECT_EQ(2, linesEqualTo("tgaImageFromFile ('/missing.tga'): Couldn't open file"));
    EXPECT_EQ(0u, ImageManager::globalManager()->count());
    putImage("/missing.tga");
    EXPECT_NE(nullptr, ImageManager::getImage("/missing.tga"));
    EXPECT_EQ(1u, ImageManager::globalManager()->count());
}

TEST_F(ImageCache, RawImageCannotBeCachedForWantOfASize)
{
    put("/back.raw", patternRgb(2, 2));
    EXPECT_EQ(nullptr, ImageManager::getImage("/back.raw"));
    EXPECT_TRUE(logged("rawImageFromFile ('/back.raw' , 0 , 0): Programmer forgot to specify image dimensions. Twit."));
    EXPECT_EQ(0u, ImageManager::globalManager()->count());
}

TEST_F(ImageCache, RetainedImageOutlivesTheCache)
{
    GraphicSurface *kept = ImageManager::getImage(putImage("/kept.tga").c_str());
    ASSERT_NE(nullptr, kept);
    ASSERT_NE(nullptr, ImageManager::getImage(putImage("/dropped.tga").c_str()));
    kept->retain();
    const Uint32 withBoth = totalAllocatedMemory();
    ImageManager::destroyImageManager();
    // The image held only by the cache has gone with it (and its name with it); the retained one is whole.
    EXPECT_LT(totalAllocatedMemory(), withBoth);
    EXPECT_EQ(1, kept->retainCount());
    EXPECT_STREQ("/kept.tga", kept->getName());
    EXPECT_EQ(2, kept->width());
    kept->release();
    EXPECT_FALSE(logged("ERROR: release called more times than retain"));
}

TEST_F(ImageCache, GetImageAfterDestructionStartsANewEmptyCache)
{
    GraphicSurface *before = ImageManager::getImage(putImage("/again.tga").c_str());
    ASSERT_NE(nullptr, before);
    ImageManager::destroyImageManager();
    EXPECT_EQ(0u, ImageManager::globalManager()->count());
    EXPECT_EQ(10u, ImageManager::globalManager()->capacity());
    GraphicSurface *after = ImageManager::getImage("/again.tga");
    ASSERT_NE(nullptr, after);
    EXPECT_EQ(1, after->retainCount());
    EXPECT_EQ(1u, ImageManager::globalManager()->count());
}

TEST_F(ImageCache, DestroyingWithoutACacheDoesNothing)
{
    ImageManager::destroyImageManager();
    ImageManager::destroyImageManager();
    EXPECT_TRUE(newLines().empty());
}

}  // namespace
