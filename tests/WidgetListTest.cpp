// WidgetList: one entry and one reference per widget, growth in steps of ten, ordering, removal that may
// destroy, the z-order questions and the overlap test of the stacking policy.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Widget.h"
#include "WidgetList.h"
#include "WidgetManager.h"
#include "WidgetTestSupport.h"

namespace {

class WidgetListBehaviour : public WidgetTreeTest {
protected:
    // A widget whose only counted reference is the one the list under test will take: the manager lets go of
    // it, and the test's own reference is handed back after the list has retained it.
    Widget *loose(const char *caption, Uint32 zOrder = 0, short x = 0, short y = 0, unsigned short w = 10,
                  unsigned short h = 10)
    {
        Widget *widget = new Probe(caption, x, y, w, h);
        widget->retain();
        widget->makeClean();
        WidgetManager::globalManager()->removeWidget(widget);
        widget->setZOrder(zOrder);
        return widget;
    }
    void addLoose(WidgetList &list, Widget *widget, SDL_bool sort = SDL_FALSE)
    {
        list.addWidget(widget, sort);
        widget->release();
    }
};

}  // namespace

TEST_F(WidgetListBehaviour, AddingTheSameWidgetTwiceKeepsOneEntryAndOneReference)
{
    WidgetList list(10);
    Widget *widget = loose("w");
    addLoose(list, widget);
    list.addWidget(widget, SDL_TRUE);
    EXPECT_EQ(list.count(), 1u);
    EXPECT_EQ(widget->retainCount(), 1);
}

TEST_F(WidgetListBehaviour, CapacityGrowsInStepsOfTen)
{
    WidgetList list(10);
    std::vector<std::string> names;
    for (int i = 0; i < 21; ++i)
        names.push_back("w" + std::to_string(i));
    for (int i = 0; i < 10; ++i)
        addLoose(list, loose(names[i].c_str()));
    EXPECT_EQ(list.capacity(), 10u);
    addLoose(list, loose(names[10].c_str()));
    EXPECT_EQ(list.capacity(), 20u);
    for (int i = 11; i < 21; ++i)
        addLoose(list, loose(names[i].c_str()));
    EXPECT_EQ(list.capacity(), 30u);
    EXPECT_EQ(list.count(), 21u);
    EXPECT_EQ(list.widgetAtIndex(20)->getCaption(), names[20]);

    list.removeAllWidgets();
    EXPECT_EQ(list.count(), 0u);
    EXPECT_EQ(list.capacity(), 30u);
    EXPECT_TRUE(destroyed("w0"));
    EXPECT_TRUE(destroyed("w20"));
}

TEST_F(WidgetListBehaviour, ListStartingWithoutCapacityStillGrows)
{
    WidgetList list(0);
    addLoose(list, loose("w"));
    EXPECT_EQ(list.count(), 1u);
    EXPECT_EQ(list.capacity(), 10u);
}

TEST_F(WidgetListBehaviour, UnsortedAddAppendsAndSortedAddOrdersTheWholeList)
{
    WidgetList list(10);
    Widget *five = loose("five", 5);
    Widget *one = loose("one", 1);
    Widget *three = loose("three", 3);
    addLoose(list, five);
    addLoose(list, one);
    EXPECT_EQ(list.widgetAtIndex(0), five);
    EXPECT_EQ(list.widgetAtIndex(1), one);
    addLoose(list, three, SDL_TRUE);
    EXPECT_EQ(list.widgetAtIndex(0), one);
    EXPECT_EQ(list.widgetAtIndex(1), three);
    EXPECT_EQ(list.widgetAtIndex(2), five);
}

TEST_F(WidgetListBehaviour, SortingCoversTheWholeUnsignedRange)
{
    WidgetList list(10);
    Widget *top = loose("top", 0xFFFFFFFFu);
    Widget *bottom = loose("bottom", 0);
    Widget *middle = loose("middle", 0x80000000u);
    addLoose(list, top);
    addLoose(list, bottom);
    addLoose(list, middle, SDL_TRUE);
    EXPECT_EQ(list.widgetAtIndex(0), bottom);
    EXPECT_EQ(list.widgetAtIndex(1), middle);
    EXPECT_EQ(list.widgetAtIndex(2), top);
}

TEST_F(WidgetListBehaviour, RemovingTheMiddleEntryKeepsTheOthersInOrder)
{
    WidgetList list(10);
    Widget *a = loose("a");
    Widget *b = loose("b");
    Widget *c = loose("c");
    addLoose(list, a);
    addLoose(list, b);
    addLoose(list, c);
    list.removeWidget(b);
    EXPECT_TRUE(destroyed("b")) << "the list held the last reference";
    ASSERT_EQ(list.count(), 2u);
    EXPECT_EQ(list.widgetAtIndex(0), a);
    EXPECT_EQ(list.widgetAtIndex(1), c);
}

TEST_F(WidgetListBehaviour, AbsentWidgetsAndIndexesChangeNothing)
{
    WidgetList list(10);
    Widget *member = loose("member");
    Widget *stranger = new Probe("stranger", 0, 0, 1, 1);
    addLoose(list, member);
    EXPECT_EQ(list.indexOfWidget(stranger), -1);
    list.removeWidget(stranger);
    EXPECT_EQ(stranger->retainCount(), 2);
    EXPECT_EQ(list.removeAtIndex(list.count()), nullptr);
    EXPECT_EQ(list.widgetAtIndex(1), nullptr);
    EXPECT_EQ(list.count(), 1u);
    EXPECT_EQ(list.removeAtIndex(0), member);
    EXPECT_TRUE(destroyed("member"));
}

TEST_F(WidgetListBehaviour, NullWidgetsAreIgnored)
{
    WidgetList list(10);
    list.addWidget(nullptr, SDL_TRUE);
    list.removeWidget(nullptr);
    EXPECT_EQ(list.count(), 0u);
    EXPECT_EQ(list.indexOfWidget(nullptr), -1);
    EXPECT_EQ(list.widgetOverlapsList(nullptr), SDL_FALSE);
}

TEST_F(WidgetListBehaviour, SmallestZOrderIsCappedAt255)
{
    WidgetList empty(10);
    EXPECT_EQ(empty.smallestZOrder(), 0u);
    EXPECT_EQ(empty.largestZOrder(), 0u);

    WidgetList low(10);
    addLoose(low, loose("three", 3));
    addLoose(low, loose("seven", 7));
    EXPECT_EQ(low.smallestZOrder(), 3u);
    EXPECT_EQ(low.largestZOrder(), 7u);

    WidgetList high(10);
    addLoose(high, loose("threeHundred", 300));
    addLoose(high, loose("fourHundred", 400));
    EXPECT_EQ(high.smallestZOrder(), 255u);
    EXPECT_EQ(high.largestZOrder(), 400u);
}

TEST_F(WidgetListBehaviour, OverlapIgnoresTheWidgetItselfAndRectanglesThatOnlyTouch)
{
    WidgetList list(10);
    Widget *member = loose("member", 0, 0, 0, 100, 20);
    addLoose(list, member);
    EXPECT_EQ(list.widgetOverlapsList(member), SDL_FALSE);

    Widget *touching = new Probe("touching", 100, 0, 50, 20);
    EXPECT_EQ(list.widgetOverlapsList(touching), SDL_FALSE);
    touching->setLocation(99, 0);
    EXPECT_EQ(list.widgetOverlapsList(touching), SDL_TRUE);
    touching->setLocation(0, 20);
    EXPECT_EQ(list.widgetOverlapsList(touching), SDL_FALSE);
}

TEST_F(WidgetListBehaviour, DestroyingTheListReleasesEveryWidget)
{
    Widget *kept = loose("kept");
    kept->retain();
    {
        WidgetList list(10);
        addLoose(list, loose("dropped"));
        addLoose(list, kept);
        EXPECT_EQ(kept->retainCount(), 2);
    }
    EXPECT_TRUE(destroyed("dropped"));
    EXPECT_FALSE(destroyed("kept"));
    EXPECT_EQ(kept->retainCount(), 1);
    kept->release();
}
