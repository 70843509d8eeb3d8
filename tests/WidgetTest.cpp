// Widget: stacking order at construction, reference counts through moves and removals, visibility, dirtiness
// spreading down the tree, the tree queries, the log lines, and widgets that outlive their parent or manager.
#include <gtest/gtest.h>

#include <string>

#include "ConfigTable.h"
#include "Console.h"
#include "TestSupport.h"
#include "Widget.h"
#include "WidgetManager.h"
#include "WidgetTestSupport.h"

namespace {

// Cleans a widget and everything below it, so that only the containers hold references.
void cleanTree(Widget *widget)
{
    widget->makeClean();
    for (Uint32 i = 0; i < widget->childCount(); ++i)
        cleanTree(widget->childAtIndex(i));
}

class WidgetBehaviour : public WidgetTreeTest {};

}  // namespace

TEST_F(WidgetBehaviour, TopLevelZOrderIsOneAboveTheLargestWhenOverlapping)
{
    Widget *first = new Probe("first", 0, 0, 100, 100);
    Widget *second = new Probe("second", 50, 50, 100, 100);
    Widget *third = new Probe("third", 300, 300, 50, 50);
    Widget *fourth = new Probe("fourth", 320, 320, 10, 10);
    EXPECT_EQ(first->getZOrder(), 0u);
    EXPECT_EQ(second->getZOrder(), 1u);
    EXPECT_EQ(third->getZOrder(), 0u);
    EXPECT_EQ(fourth->getZOrder(), 2u);
    EXPECT_EQ(WidgetManager::globalManager()->largestZOrder(), 2u);
}

TEST_F(WidgetBehaviour, ChildZOrderComesFromItsSiblings)
{
    Widget *parent = new Probe("parent", 0, 0, 400, 400);
    Widget *a = new Probe("a", 0, 0, 100, 100, parent);
    Widget *b = new Probe("b", 50, 50, 100, 100, parent);
    Widget *c = new Probe("c", 200, 200, 10, 10, parent);
    EXPECT_EQ(a->getZOrder(), 0u);
    EXPECT_EQ(b->getZOrder(), 1u);
    EXPECT_EQ(c->getZOrder(), 0u);
}

TEST_F(WidgetBehaviour, NewWidgetIsVisibleDirtyAndHeldByItsContainerAndTheDirtyList)
{
    Widget *parent = new Probe("parent", 0, 0, 100, 100);
    Widget *child = new Probe("child", 10, 10, 10, 10, parent);
    EXPECT_EQ(parent->retainCount(), 2);
    EXPECT_EQ(child->retainCount(), 2);
    EXPECT_EQ(child->getParent(), parent);
    EXPECT_EQ(parent->getParent(), nullptr);
    EXPECT_EQ(child->isVisible(), SDL_TRUE);
    EXPECT_EQ(child->isDirty(), SDL_TRUE);
    EXPECT_EQ(parent->isChild(child), SDL_TRUE);
    child->makeClean();
    EXPECT_EQ(child->retainCount(), 1);
    EXPECT_EQ(child->isDirty(), SDL_FALSE);
}

TEST_F(WidgetBehaviour, CaptionIsCutTo512Characters)
{
    std::string longCaption(600, 'c');
    longCaption[511] = 'x';
    Widget *widget = new Probe(longCaption.c_str(), 0, 0, 1, 1);
    EXPECT_EQ(std::string(widget->getCaption()), longCaption.substr(0, 512));
    widget->setCaption(nullptr);
    EXPECT_STREQ(widget->getCaption(), "");
}

TEST_F(WidgetBehaviour, NullExtentsGiveAnEmptyRectangle)
{
    Widget *widget = new Widget("w", nullptr, nullptr);
    SDL_Rect rect = {1, 2, 3, 4};
    widget->getExtents(&rect);
    EXPECT_EQ(rect.x, 0);
    EXPECT_EQ(rect.w, 0);
    widget->setExtents(nullptr);
    widget->getExtents(nullptr);
}

TEST_F(WidgetBehaviour, GeometrySettersLeaveDirtinessAndOrderAlone)
{
    Widget *parent = new Probe("parent", 0, 0, 400, 400);
    Widget *low = new Probe("low", 0, 0, 10, 10, parent);
    Widget *high = new Probe("high", 5, 5, 10, 10, parent);
    cleanTree(parent);
    high->setExtents(200, 200, 5, 5);
    high->setLocation(300, 300);
    low->setDimensions(1, 1);
    SDL_Rect rect = {-5, -6, 7, 8};
    low->setExtents(&rect);
    EXPECT_EQ(low->isDirty(), SDL_FALSE);
    EXPECT_EQ(high->isDirty(), SDL_FALSE);
    EXPECT_EQ(parent->isDirty(), SDL_FALSE);
    EXPECT_EQ(parent->childAtIndex(0), low);
    short x, y;
    unsigned short w, h;
    low->getExtents(x, y, w, h);
    EXPECT_EQ(x, -5);
    EXPECT_EQ(h, 8u);
    high->getLocation(x, y);
    EXPECT_EQ(y, 300);
    high->getDimensions(w, h);
    EXPECT_EQ(w, 5u);
}

TEST_F(WidgetBehaviour, HideCleansAndShowDoesNotMakeDirty)
{
    Widget *widget = new Probe("w", 0, 0, 10, 10);
    widget->hide();
    EXPECT_EQ(widget->isVisible(), SDL_FALSE);
    EXPECT_EQ(widget->isDirty(), SDL_FALSE);
    EXPECT_EQ(widget->retainCount(), 1);
    widget->show();
    EXPECT_EQ(widget->isVisible(), SDL_TRUE);
    EXPECT_EQ(widget->isDirty(), SDL_FALSE);
    EXPECT_EQ(widget->retainCount(), 1);
}

TEST_F(WidgetBehaviour, DirtinessSpreadsDownThroughVisibleCleanChildrenOnly)
{
    Widget *root = new Probe("root", 0, 0, 400, 400);
    Widget *clean = new Probe("clean", 0, 0, 10, 10, root);
    Widget *cleanKid = new Probe("cleanKid", 0, 0, 5, 5, clean);
    Widget *hidden = new Probe("hidden", 100, 0, 10, 10, root);
    Widget *hiddenKid = new Probe("hiddenKid", 100, 0, 5, 5, hidden);
    Widget *dirty = new Probe("dirty", 200, 0, 10, 10, root);
    Widget *dirtyKid = new Probe("dirtyKid", 200, 0, 5, 5, dirty);
    cleanTree(root);
    hidden->hide();
    dirty->makeDirty();
    dirtyKid->makeClean();
    cleanKid->makeDirty();
    EXPECT_EQ(clean->isDirty(), SDL_FALSE) << "dirtiness does not spread upwards";
    cleanKid->makeClean();

    root->makeDirty();
    EXPECT_EQ(clean->isDirty(), SDL_TRUE);
    EXPECT_EQ(cleanKid->isDirty(), SDL_TRUE);
    EXPECT_EQ(hidden->isDirty(), SDL_FALSE);
    EXPECT_EQ(hiddenKid->isDirty(), SDL_FALSE);
    EXPECT_EQ(dirtyKid->isDirty(), SDL_FALSE);
    EXPECT_EQ(cleanKid->retainCount(), 2);
    EXPECT_EQ(hiddenKid->retainCount(), 1);
    root->makeDirty();
    EXPECT_EQ(root->retainCount(), 2) << "the dirty list holds a widget once";
}

TEST_F(WidgetBehaviour, AddingAnExistingChildLogsAgainWithoutASecondReference)
{
    Widget *parent = new Probe("parent", 0, 0, 100, 100);
    Widget *child = new Probe("child", 0, 0, 10, 10, parent);
    EXPECT_EQ(std::string(Console::lineAtIndex(1)), "Widget 'parent' is adding: 'child'");
    Sint32 lines = Console::totalLines();
    parent->addChild(child);
    EXPECT_EQ(Console::totalLines(), lines + 1);
    EXPECT_EQ(lastLine(), "Widget 'parent' is adding: 'child'");
    EXPECT_EQ(child->retainCount(), 2);
    EXPECT_EQ(parent->childCount(), 1u);
}

TEST_F(WidgetBehaviour, RemovingAnAbsentChildStillLogs)
{
    Widget *parent = new Probe("parent", 0, 0, 100, 100);
    Widget *stranger = new Probe("stranger", 500, 500, 10, 10);
    parent->removeChild(stranger);
    EXPECT_EQ(lastLine(), "Widget 'parent' is removing: 'stranger'");
    EXPECT_EQ(stranger->retainCount(), 2);
    EXPECT_FALSE(destroyed("stranger"));
}

TEST_F(WidgetBehaviour, NullChildrenAreIgnored)
{
    Widget *parent = new Probe("parent", 0, 0, 100, 100);
    Sint32 lines = Console::totalLines();
    parent->addChild(nullptr);
    parent->removeChild(nullptr);
    EXPECT_EQ(Console::totalLines(), lines);
    EXPECT_EQ(parent->childCount(), 0u);
    EXPECT_EQ(parent->isChild(nullptr), SDL_FALSE);
    EXPECT_EQ(parent->hasChild(nullptr), SDL_FALSE);
}

TEST_F(WidgetBehaviour, SetParentMovesTheWidgetWithoutLosingIt)
{
    Widget *parent = new Probe("parent", 0, 0, 100, 100);
    Widget *mover = new Probe("mover", 300, 300, 10, 10);
    mover->makeClean();
    ASSERT_EQ(mover->retainCount(), 1);

    mover->setParent(parent);
    EXPECT_FALSE(destroyed("mover"));
    EXPECT_EQ(mover->getParent(), parent);
    EXPECT_EQ(parent->isChild(mover), SDL_TRUE);
    EXPECT_EQ(mover->retainCount(), 1);
    EXPECT_EQ(std::string(Console::lineAtIndex(Console::totalLines() - 2)), "Widget 'parent' is adding: 'mover'");
    EXPECT_EQ(lastLine(), "Widget manager is removing: 'mover'");

    mover->setParent(nullptr);
    EXPECT_FALSE(destroyed("mover"));
    EXPECT_EQ(mover->getParent(), nullptr);
    EXPECT_EQ(parent->isChild(mover), SDL_FALSE);
    EXPECT_EQ(mover->retainCount(), 1);
    EXPECT_EQ(lastLine(), "Widget 'parent' is removing: 'mover'");
}

TEST_F(WidgetBehaviour, WidgetNeverEndsUpHoldingItselfOrAnAncestor)
{
    Widget *root = new Probe("root", 0, 0, 100, 100);
    Widget *child = new Probe("child", 0, 0, 50, 50, root);
    Widget *grandchild = new Probe("grandchild", 0, 0, 10, 10, child);
    Sint32 lines = Console::totalLines();

    root->setParent(grandchild);
    root->setParent(root);
    child->addChild(child);
    grandchild->addChild(root);
    EXPECT_EQ(Console::totalLines(), lines);
    EXPECT_EQ(root->getParent(), nullptr);
    EXPECT_EQ(grandchild->childCount(), 0u);
    EXPECT_EQ(child->childCount(), 1u);
    EXPECT_EQ(root->retainCount(), 2);

    cleanTree(root);
    WidgetManager::globalManager()->removeWidget(root);
    EXPECT_TRUE(destroyed("root"));
    EXPECT_TRUE(destroyed("child"));
    EXPECT_TRUE(destroyed("grandchild"));
}

TEST_F(WidgetBehaviour, SetParentToTheCurrentParentChangesNothing)
{
    Widget *parent = new Probe("parent", 0, 0, 100, 100);
    Widget *child = new Probe("child", 0, 0, 10, 10, parent);
    Sint32 lines = Console::totalLines();
    child->setParent(parent);
    parent->setParent(nullptr);
    EXPECT_EQ(Console::totalLines(), lines);
    EXPECT_EQ(child->retainCount(), 2);
    EXPECT_EQ(parent->retainCount(), 2);
}

TEST_F(WidgetBehaviour, RemovedWidgetIsDestroyedWithItsChildren)
{
    Widget *parent = new Probe("parent", 0, 0, 100, 100);
    Widget *child = new Probe("child", 0, 0, 10, 10, parent);
    new Probe("grandchild", 0, 0, 5, 5, child);
    Widget *bystander = new Probe("bystander", 500, 500, 10, 10);
    cleanTree(parent);
    WidgetManager::globalManager()->removeWidget(parent);
    EXPECT_TRUE(destroyed("parent"));
    EXPECT_TRUE(destroyed("child"));
    EXPECT_TRUE(destroyed("grandchild"));
    EXPECT_FALSE(destroyed("bystander"));
    EXPECT_EQ(bystander->retainCount(), 2);
}

TEST_F(WidgetBehaviour, DestroyedParentTakesItsDirtyChildrenWithIt)
{
    Widget *parent = new Probe("parent", 0, 0, 100, 100);
    Widget *child = new Probe("child", 0, 0, 10, 10, parent);
    new Probe("grandchild", 0, 0, 5, 5, child);
    WidgetManager::globalManager()->removeWidget(parent);
    parent->makeClean();
    EXPECT_TRUE(destroyed("parent"));
    EXPECT_TRUE(destroyed("child")) << "a dirty child must not stay behind with a dangling parent";
    EXPECT_TRUE(destroyed("grandchild"));
}

TEST_F(WidgetBehaviour, ChildThatOutlivesItsParentBecomesParentless)
{
    Widget *parent = new Probe("parent", 0, 0, 100, 100);
    Widget *child = new Probe("child", 0, 0, 10, 10, parent);
    child->retain();
    WidgetManager::globalManager()->removeWidget(parent);
    parent->makeClean();
    ASSERT_TRUE(destroyed("parent"));
    EXPECT_EQ(child->getParent(), nullptr);
    EXPECT_EQ(child->isDirty(), SDL_FALSE);
    EXPECT_EQ(child->retainCount(), 1);
    child->setZOrder(3);
    child->makeDirty();
    child->makeClean();
    child->release();
    EXPECT_TRUE(destroyed("child"));
}

TEST_F(WidgetBehaviour, HasChildLooksExactlyOneLevelBelowTheDirectChildren)
{
    Widget *p = new Probe("p", 0, 0, 100, 100);
    Widget *c = new Probe("c", 0, 0, 50, 50, p);
    Widget *g = new Probe("g", 0, 0, 20, 20, c);
    Widget *gg = new Probe("gg", 0, 0, 10, 10, g);
    EXPECT_EQ(p->isChild(c), SDL_TRUE);
    EXPECT_EQ(p->hasChild(g), SDL_TRUE);
    EXPECT_EQ(p->isChild(g), SDL_FALSE);
    EXPECT_EQ(p->hasChild(c), SDL_FALSE);
    EXPECT_EQ(p->hasChild(gg), SDL_FALSE);
    EXPECT_EQ(p->childCount(), 1u);
    EXPECT_EQ(p->childAtIndex(0), c);
    EXPECT_EQ(p->childAtIndex(p->childCount()), nullptr);
}

TEST_F(WidgetBehaviour, SetZOrderResortsTheSiblings)
{
    Widget *parent = new Probe("parent", 0, 0, 400, 400);
    Widget *a = new Probe("a", 0, 0, 10, 10, parent);
    Widget *b = new Probe("b", 100, 0, 10, 10, parent);
    Widget *c = new Probe("c", 200, 0, 10, 10, parent);
    a->setZOrder(0x80000001u);
    c->setZOrder(7);
    EXPECT_EQ(parent->childAtIndex(0), b);
    EXPECT_EQ(parent->childAtIndex(1), c);
    EXPECT_EQ(parent->childAtIndex(2), a);
    EXPECT_EQ(a->getZOrder(), 0x80000001u);
}

TEST_F(WidgetBehaviour, SetZOrderDirtiesTheParentWhenTheWidgetCoversItsOwnChildren)
{
    Widget *parent = new Probe("parent", 0, 0, 400, 400);
    Widget *covering = new Probe("covering", 0, 0, 100, 100, parent);
    new Probe("inside", 10, 10, 10, 10, covering);
    Widget *apart = new Probe("apart", 200, 200, 100, 100, parent);
    new Probe("outside", 350, 350, 10, 10, apart);
    cleanTree(parent);
    apart->setZOrder(4);
    EXPECT_EQ(parent->isDirty(), SDL_FALSE);
    covering->setZOrder(5);
    EXPECT_EQ(parent->isDirty(), SDL_TRUE);
}

TEST_F(WidgetBehaviour, WidgetThatOutlivesTheManagerLeavesEveryManagerAlone)
{
    Widget *survivor = new Probe("survivor", 0, 0, 100, 100);
    survivor->retain();
    WidgetManager::destroyWidgetManager();
    ASSERT_EQ(survivor->retainCount(), 1);

    survivor->hide();
    EXPECT_EQ(survivor->isDirty(), SDL_FALSE);
    survivor->show();
    survivor->makeDirty();
    EXPECT_EQ(survivor->isDirty(), SDL_FALSE) << "without its manager the widget cannot be in a dirty list";
    survivor->setZOrder(9);
    survivor->setParent(nullptr);
    EXPECT_EQ(survivor->retainCount(), 1);
    survivor->makeClean();

    // A fresh manager is not the survivor's: the survivor is neither registered nor dirtied there.
    Widget *newParent = new Probe("newParent", 0, 0, 10, 10);
    survivor->makeDirty();
    EXPECT_EQ(survivor->retainCount(), 1);
    EXPECT_EQ(WidgetManager::globalManager()->widgetOverlapsList(newParent), SDL_FALSE);

    survivor->setParent(newParent);
    EXPECT_EQ(newParent->isChild(survivor), SDL_TRUE);
    EXPECT_EQ(survivor->retainCount(), 2);
    survivor->release();
    WidgetManager::destroyWidgetManager();
    EXPECT_TRUE(destroyed("survivor"));
    EXPECT_TRUE(destroyed("newParent"));
}
