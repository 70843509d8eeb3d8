// WidgetManager: one manager at a time, its fixed answers, the log lines of registration, the frame-watcher
// and dirty lists, and the widgets it takes down when it is destroyed (also through GUI shutdown).
#include <gtest/gtest.h>

#include <string>

#include "Console.h"
#include "Gui.h"
#include "Memory.h"
#include "TestSupport.h"
#include "Widget.h"
#include "WidgetManager.h"
#include "WidgetTestSupport.h"

namespace {

class WidgetManagerBehaviour : public WidgetTreeTest {};

}  // namespace

TEST_F(WidgetManagerBehaviour, OneManagerUntilItIsDestroyedThenAFreshEmptyOne)
{
    WidgetManager *manager = WidgetManager::globalManager();
    EXPECT_EQ(WidgetManager::globalManager(), manager);
    Uint32 serial = manager->serialNumber();
    new Probe("old", 0, 0, 100, 100);

    WidgetManager::destroyWidgetManager();
    EXPECT_TRUE(destroyed("old"));
    EXPECT_EQ(WidgetManager::isCurrent(serial), SDL_FALSE);
    WidgetManager::destroyWidgetManager();

    WidgetManager *fresh = WidgetManager::globalManager();
    EXPECT_NE(fresh->serialNumber(), serial);
    EXPECT_EQ(fresh->largestZOrder(), 0u);
    Widget *probe = new Probe("new", 0, 0, 100, 100);
    EXPECT_EQ(probe->getZOrder(), 0u) << "nothing of the old manager's list is left to overlap";
    EXPECT_EQ(probe->retainCount(), 2);
}

TEST_F(WidgetManagerBehaviour, HitTestingFocusAndRenderingGiveFixedAnswers)
{
    WidgetManager *manager = WidgetManager::globalManager();
    Widget *dirty = new Probe("dirty", 0, 0, 100, 100);
    Widget *clean = new Probe("clean", 200, 200, 100, 100);
    clean->makeClean();
    EXPECT_EQ(manager->widgetAtPoint(50, 50), nullptr);
    EXPECT_EQ(manager->widgetAtPoint(-1, -1), nullptr);
    EXPECT_EQ(manager->focusWidget(), nullptr);
    manager->renderWidgets();
    EXPECT_EQ(dirty->isDirty(), SDL_TRUE);
    EXPECT_EQ(dirty->retainCount(), 2);
    EXPECT_EQ(clean->isDirty(), SDL_FALSE);
    EXPECT_EQ(clean->retainCount(), 1);
}

TEST_F(WidgetManagerBehaviour, RegistrationIsLoggedEveryTimeButCountedOnce)
{
    WidgetManager *manager = WidgetManager::globalManager();
    Widget *widget = new Probe("top", 0, 0, 10, 10);
    EXPECT_EQ(std::string(Console::lineAtIndex(0)), "Widget manager is adding: 'top'");
    manager->addWidget(widget);
    EXPECT_EQ(lastLine(), "Widget manager is adding: 'top'");
    EXPECT_EQ(Console::totalLines(), 2);
    EXPECT_EQ(widget->retainCount(), 2);
}

TEST_F(WidgetManagerBehaviour, RemovingAnUnregisteredWidgetOnlyLogs)
{
    WidgetManager *manager = WidgetManager::globalManager();
    Widget *parent = new Probe("parent", 0, 0, 100, 100);
    Widget *child = new Probe("child", 0, 0, 10, 10, parent);
    manager->removeWidget(child);
    EXPECT_EQ(lastLine(), "Widget manager is removing: 'child'");
    EXPECT_EQ(child->retainCount(), 2);
    EXPECT_EQ(parent->isChild(child), SDL_TRUE);
}

TEST_F(WidgetManagerBehaviour, RemovalLogsTheCaptionOfAWidgetItDestroys)
{
    WidgetManager *manager = WidgetManager::globalManager();
    Widget *widget = new Probe("doomed", 0, 0, 10, 10);
    widget->makeClean();
    manager->removeWidget(widget);
    EXPECT_TRUE(destroyed("doomed"));
    EXPECT_EQ(lastLine(), "Widget manager is removing: 'doomed'");
}

TEST_F(WidgetManagerBehaviour, NullWidgetsAreIgnored)
{
    WidgetManager *manager = WidgetManager::globalManager();
    manager->addWidget(nullptr);
    manager->removeWidget(nullptr);
    manager->addFrameWatcher(nullptr);
    manager->removeFrameWatcher(nullptr);
    manager->addDirtyWidget(nullptr);
    manager->removeDirtyWidget(nullptr);
    EXPECT_EQ(Console::totalLines(), 0);
    EXPECT_EQ(manager->widgetOverlapsList(nullptr), SDL_FALSE);
    manager->sortWidgets();
    EXPECT_EQ(manager->largestZOrder(), 0u);
}

TEST_F(WidgetManagerBehaviour, FrameWatcherRemovalRestoresTheCount)
{
    WidgetManager *manager = WidgetManager::globalManager();
    Widget *widget = new Probe("watcher", 0, 0, 10, 10);
    manager->addFrameWatcher(widget);
    manager->addFrameWatcher(widget);
    EXPECT_EQ(widget->retainCount(), 3);
    manager->removeFrameWatcher(widget);
    EXPECT_EQ(widget->retainCount(), 2);
    manager->removeFrameWatcher(widget);
    EXPECT_EQ(widget->retainCount(), 2);
}

TEST_F(WidgetManagerBehaviour, DirtyListLeavesTheWidgetsOwnFlagAlone)
{
    WidgetManager *manager = WidgetManager::globalManager();
    Widget *widget = new Probe("w", 0, 0, 10, 10);
    widget->makeClean();
    manager->addDirtyWidget(widget);
    EXPECT_EQ(widget->retainCount(), 2);
    EXPECT_EQ(widget->isDirty(), SDL_FALSE);
    widget->makeDirty();
    manager->removeDirtyWidget(widget);
    EXPECT_EQ(widget->retainCount(), 1);
    EXPECT_EQ(widget->isDirty(), SDL_TRUE);
}

TEST_F(WidgetManagerBehaviour, DestroyingTheManagerFreesEveryWidgetItHolds)
{
    Console::clearBuffer();
    Uint32 before = totalAllocatedMemory();
    Widget *parent = new Probe("parent", 0, 0, 100, 100);
    Widget *child = new Probe("child", 0, 0, 50, 50, parent);
    new Probe("grandchild", 0, 0, 10, 10, child);
    Widget *watcher = new Probe("watcher", 300, 300, 10, 10);
    WidgetManager::globalManager()->addFrameWatcher(watcher);
    Widget *hidden = new Probe("hidden", 500, 500, 10, 10);
    hidden->hide();
    child->makeClean();

    WidgetManager::destroyWidgetManager();
    Console::clearBuffer();
    EXPECT_EQ(totalAllocatedMemory(), before);
    for (const char *caption : {"parent", "child", "grandchild", "watcher", "hidden"})
        EXPECT_TRUE(destroyed(caption)) << caption;
}

TEST_F(WidgetManagerBehaviour, DestroyingADirtyParentLeavesTheOtherDirtyWidgetsInPlace)
{
    // Dirty list: child, parent, bystander. Destroying the parent takes the child out from in front of it.
    WidgetManager *manager = WidgetManager::globalManager();
    Widget *parent = new Probe("parent", 0, 0, 100, 100);
    new Probe("child", 0, 0, 10, 10, parent);
    parent->makeClean();
    parent->makeDirty();
    Widget *bystander = new Probe("bystander", 300, 300, 10, 10);
    manager->removeWidget(parent);

    parent->makeClean();
    EXPECT_TRUE(destroyed("parent"));
    EXPECT_TRUE(destroyed("child"));
    EXPECT_EQ(bystander->retainCount(), 2);
    bystander->makeClean();
    EXPECT_EQ(bystander->retainCount(), 1);
    WidgetManager::destroyWidgetManager();
    EXPECT_TRUE(destroyed("bystander"));
}

TEST_F(WidgetManagerBehaviour, GuiShutdownDestroysTheManagerAndItsWidgets)
{
    WidgetManager *manager = WidgetManager::globalManager();
    Uint32 serial = manager->serialNumber();
    new Probe("top", 0, 0, 10, 10);
    shutdownGUI();
    EXPECT_EQ(WidgetManager::isCurrent(serial), SDL_FALSE);
    EXPECT_TRUE(destroyed("top"));
}
