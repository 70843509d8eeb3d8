// The image cache: one load per name, shared surfaces with the cache's single reference, growth by ten, failed
// loads not remembered, what survives its destruction, and an index that answers every request as a walk over
// the images in load order would, also when every name has the same hash.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "CacheIndexSupport.h"
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

TEST_F(ImageCache, NullNameGivesNoImageAndCachesNothing)
{
    putImage("/tile.tga");
    ASSERT_NE(nullptr, ImageManager::getImage("/tile.tga"));
    EXPECT_EQ(nullptr, ImageManager::getImage(nullptr));
    EXPECT_EQ(1u, ImageManager::globalManager()->count());
    EXPECT_TRUE(newLines().empty());
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

class ImageCacheIndex : public NarrowedCacheHashes<ImageCache> {};

INSTANTIATE_TEST_SUITE_P(HashBits, ImageCacheIndex, cacheHashMasks(), cacheHashMaskName);

TEST_P(ImageCacheIndex, EveryRequestAnswersAsAWalkInLoadOrderWould)
{
    // Names that differ only in case, in their last byte, in length by one, or far from their shared start;
    // some have no file (never cached, tried again each time) and ".raw" ones can never be cached.
    std::vector<std::string> pool;
    for (int i = 0; i < 60; ++i)
        pool.push_back("/gfx/sprites/" + std::string(i % 7 * 9, 's') + std::to_string(i) + ".tga");
    for (const char *name : {"/a.tga", "/A.tga", "/a.tgb.tga", "/ab.tga", "/b.tga", "/gfx/x.tga", "/gfx/X.tga"})
        pool.push_back(name);
    for (size_t length : {7, 8, 9, 16, 17, 100, 200})
        pool.push_back("/" + std::string(length - 5, 'p') + ".tga");
    // Around the 38 bytes an index slot holds of a name: names that are equal that far and differ after it, or
    // differ in length by one across it.
    const std::string stem = "/" + std::string(37, 'w');
    for (const char *tail : {"", "w", "ww", "a", "b", "wa", "wb", "wwwwwwwwwwwwwwwwwwwwa"})
        pool.push_back(stem + tail + ".tga");
    pool.push_back(stem.substr(0, 36) + ".tga");
    pool.push_back(stem.substr(0, 35) + ".tga");
    std::vector<bool> present(pool.size());
    for (size_t i = 0; i < pool.size(); ++i) {
        present[i] = i % 5 != 3;
        if (present[i])
            putImage(pool[i]);
    }
    pool.push_back("/missing/never.tga");
    present.push_back(false);
    pool.push_back(put("/sheet.raw", patternRgb(2, 2)));
    present.push_back(false);

    ImageManager *cache = ImageManager::globalManager();
    std::vector<std::pair<std::string, GraphicSurface *>> walked;  // what the cache should hold, in load order
    std::mt19937 random(17);
    for (int request = 0; request < 1500; ++request) {
        const size_t pick = random() % pool.size();
        const std::string &name = pool[pick];
        GraphicSurface *expected = nullptr;
        for (const auto &entry : walked) {
            if (entry.first == name) {
                expected = entry.second;
                break;
            }
        }
        GraphicSurface *got = ImageManager::getImage(name.c_str());
        if (expected) {
            ASSERT_EQ(got, expected) << "request " << request << ": " << name;
        } else if (present[pick]) {
            ASSERT_NE(got, nullptr) << name;
            for (const auto &entry : walked)
                ASSERT_NE(got, entry.second) << name << " came back as " << entry.first;
            EXPECT_STREQ(got->getName(), name.c_str());
            walked.push_back({name, got});
        } else {
            ASSERT_EQ(got, nullptr) << name;
        }
        ASSERT_EQ(cache->count(), walked.size());
        ASSERT_EQ(cache->capacity(), walked.size() <= 10 ? 10u : (walked.size() + 9) / 10 * 10);
    }
    EXPECT_GT(walked.size(), 50u);
    for (const auto &entry : walked)
        EXPECT_EQ(entry.second->retainCount(), 1) << entry.first;
}

}  // namespace
