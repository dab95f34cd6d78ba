// Strings and collections when memory runs out: each growth that cannot be allocated is
// reported, leaves the object as it was and leaks nothing (the sanitizer build tells).
#include <gtest/gtest.h>

#include <string>

#include "allocation_hook.h"
#include "framework/collection.h"
#include "framework/string.h"

namespace qz {
namespace {

class Counted : public __FCBase {
public:
    explicit Counted(int* destroyed) : destroyed_(destroyed) {}
    ~Counted() override { ++*destroyed_; }
    const char* ClassName() const override { return "Counted"; }

private:
    int* destroyed_;
};

std::u16string Text(const FCString& s) {
    return s.GetText() == nullptr ? u"(none)" : std::u16string(s.GetText(), s.GetLength());
}

TEST(StringAllocationFailureTest, EveryGrowthThatFailsLeavesTheStringAsItWas) {
    {
        allocation_hook::ScopedFailure failing(1, false);
        FCString bare;  // not even the first ten units
        EXPECT_EQ(failing.Failed(), 1);
        EXPECT_EQ(bare.GetText(), nullptr);
        EXPECT_EQ(bare.GetCapacity(), 0u);
    }

    FCString s;
    ASSERT_TRUE(s.SetCString("short"));
    const std::string longText(40, 'x');
    {
        allocation_hook::ScopedFailure failing(1, false);
        EXPECT_FALSE(s.SetCString(longText.c_str()));
        EXPECT_EQ(failing.Failed(), 1);
    }
    EXPECT_EQ(Text(s), u"short");
    EXPECT_EQ(s.GetCapacity(), 10u);

    FCString longer;
    ASSERT_TRUE(longer.SetCString(longText.c_str()));
    {
        allocation_hook::ScopedFailure failing(1, false);
        EXPECT_FALSE(s.SetString(&longer)) << "no room for the copy";
    }
    EXPECT_EQ(Text(s), u"") << "emptied first, as documented";

    s.SetCString(nullptr);  // no buffer at all: even the empty text needs one
    {
        allocation_hook::ScopedFailure failing(1, true);
        EXPECT_FALSE(s.SetString(&longer));
    }
    EXPECT_EQ(Text(s), u"(none)");
    EXPECT_TRUE(s.SetString(&longer)) << "memory back: the copy succeeds";
    EXPECT_EQ(Text(s), std::u16string(40, u'x'));
}

TEST(StringAllocationFailureTest, LargeTextsGrowInLargerSteps) {
    FCString s;
    const std::string big(1500, 'a'), bigger(12000, 'b');
    ASSERT_TRUE(s.SetCString(big.c_str()));
    EXPECT_EQ(s.GetCapacity(), 1510u) << "past 1000 units the step is 100";
    ASSERT_TRUE(s.SetCString(bigger.c_str()));
    EXPECT_EQ(s.GetCapacity(), 12100u) << "past 10000 units the step is 1000";
    EXPECT_EQ(s.GetLength(), 12000u);
}

TEST(CollectionAllocationFailureTest, AnItemThatCannotBeAddedIsDeletedNotLeaked) {
    int destroyed = 0;
    {
        __FCCollection items;
        auto* first = new Counted(&destroyed);
        auto* second = new Counted(&destroyed);
        ASSERT_TRUE(items.Add(first));
        for (int i = 1; i < 10; ++i) ASSERT_TRUE(items.Add(new Counted(&destroyed)));
        ASSERT_EQ(items.GetCapacity(), 10) << "full: the next item needs a larger array";
        {
            allocation_hook::ScopedFailure failing(1, false);
            EXPECT_FALSE(items.Add(second)) << "the array cannot grow";
            EXPECT_EQ(failing.Failed(), 1);
        }
        EXPECT_EQ(destroyed, 1) << "the refused item was deleted";
        EXPECT_EQ(items.GetCount(), 10);
        EXPECT_EQ(items.GetItemAt(0), first) << "the items already held stay";
        EXPECT_FALSE(items.EnsureRoom(INT32_MAX)) << "a size beyond the index range is refused";
    }
    EXPECT_EQ(destroyed, 11);
}

TEST(CollectionAllocationFailureTest, LargeCollectionsGrowInLargerSteps) {
    int destroyed = 0;
    __FCCollection items;
    ASSERT_TRUE(items.EnsureRoom(1500));
    EXPECT_EQ(items.GetCapacity(), 1510);
    for (int i = 0; i < 1500; ++i) ASSERT_TRUE(items.Add(new Counted(&destroyed)));
    ASSERT_TRUE(items.EnsureRoom(100));
    EXPECT_EQ(items.GetCapacity(), 1700) << "past 1000 items the step is 100";
    ASSERT_TRUE(items.EnsureRoom(8600));
    EXPECT_EQ(items.GetCapacity(), 10200);
    for (int i = 0; i < 8501; ++i) ASSERT_TRUE(items.Add(new Counted(&destroyed)));
    ASSERT_EQ(items.GetCapacity(), 10200) << "no growth while there is room";
    ASSERT_TRUE(items.EnsureRoom(1000));
    EXPECT_EQ(items.GetCapacity(), 12000) << "past 10000 items the step is 1000";

    struct NeverMatches : FCIteratorHandler {
        int asked = 0;
        bool IsMatch(__FCBase*) override { return ++asked < 0; }
    } handler;
    EXPECT_EQ(items.FindFirst(handler), nullptr);
    EXPECT_EQ(handler.asked, 10001);
}

}  // namespace
}  // namespace qz
