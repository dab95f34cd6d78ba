#include "framework/collection.h"

#include <gtest/gtest.h>

#include <vector>

#include "framework/music_region.h"
#include "framework/string.h"

namespace qz {
namespace {

// An item that reports its destruction and carries a number.
class Probe : public __FCBase {
public:
    Probe(int v, int* destroyed) : value(v), destroyed_(destroyed) {}
    ~Probe() override { ++*destroyed_; }
    const char* ClassName() const override { return "Probe"; }
    int value;

private:
    int* destroyed_;
};

// Answers from a script, recording what it was shown.
class ScriptedHandler : public FCIteratorHandler {
public:
    explicit ScriptedHandler(int falseAt) : falseAt_(falseAt) {}
    bool Iterate(__FCBase* item) override { return Answer(item, -1); }
    bool IterateIndex(__FCBase* item, int32_t index) override { return Answer(item, index); }
    bool IsMatch(__FCBase* item) override { return Answer(item, -1) == false; }

    std::vector<int> seen;
    std::vector<int32_t> indexes;

private:
    bool Answer(__FCBase* item, int32_t index) {
        seen.push_back(static_cast<Probe*>(item)->value);
        indexes.push_back(index);
        return static_cast<int>(seen.size()) != falseAt_;
    }
    int falseAt_;  // 1-based call that answers false (IsMatch: true); 0 never
};

TEST(CollectionTest, CapacityGrowsInStepsChosenFromTheCount) {
    int destroyed = 0;
    {
        __FCCollection c;
        EXPECT_EQ(c.GetCapacity(), 0);
        // The capacity after each Add, checked at the adds where it changes and around them.
        struct Expect { int adds; int capacity; };
        const Expect expected[] = {{1, 10},  {10, 10},  {11, 20},  {20, 20},  {21, 30},
                                   {100, 100}, {101, 110}, {110, 110}, {111, 150}, {150, 150},
                                   {151, 200}};
        int adds = 0;
        for (const Expect& e : expected) {
            while (adds < e.adds) ASSERT_TRUE(c.Add(new Probe(adds++, &destroyed)));
            EXPECT_EQ(c.GetCapacity(), e.capacity) << "after " << adds << " adds";
            EXPECT_EQ(c.GetCount(), adds);
        }
        for (int i = 0; i < c.GetCount(); ++i)
            ASSERT_EQ(static_cast<Probe*>(c.GetItemAt(i))->value, i) << "item order at " << i;
    }
    EXPECT_EQ(destroyed, 151);
}

TEST(CollectionTest, EnsureRoomForSeveralItemsAtOnce) {
    __FCCollection c;
    ASSERT_TRUE(c.EnsureRoom(0));
    EXPECT_EQ(c.GetCapacity(), 0);  // 0 >= 0: nothing needed
    ASSERT_TRUE(c.EnsureRoom(25));
    EXPECT_EQ(c.GetCapacity(), 30);
    ASSERT_TRUE(c.EnsureRoom(30));
    EXPECT_EQ(c.GetCapacity(), 30);
    EXPECT_FALSE(c.EnsureRoom(INT32_MAX));  // the capacity would not fit in 32 bits
    EXPECT_EQ(c.GetCapacity(), 30);
}

TEST(CollectionTest, ClearAllDeletesItemsAndKeepsCapacity) {
    int destroyed = 0;
    __FCCollection c;
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(c.Add(new Probe(i, &destroyed)));
    c.ClearAll();
    EXPECT_EQ(destroyed, 3);
    EXPECT_EQ(c.GetCount(), 0);
    EXPECT_EQ(c.GetCapacity(), 10);
    EXPECT_EQ(c.GetItemAt(0), nullptr);
    ASSERT_TRUE(c.Add(new Probe(7, &destroyed)));
    EXPECT_EQ(c.GetCapacity(), 10);
    EXPECT_EQ(static_cast<Probe*>(c.GetItemAt(0))->value, 7);
}

TEST(CollectionTest, GetItemAtOutOfRangeIsNull) {
    int destroyed = 0;
    __FCCollection c;
    EXPECT_EQ(c.GetItemAt(0), nullptr);  // no array yet
    ASSERT_TRUE(c.Add(new Probe(0, &destroyed)));
    EXPECT_NE(c.GetItemAt(0), nullptr);
    for (int32_t index : {-1, 1, 9, 10, INT32_MIN, INT32_MAX})
        EXPECT_EQ(c.GetItemAt(index), nullptr) << index;
}

TEST(CollectionTest, ForEachStopsAtTheFirstFalseAndCountsTheTrueAnswers) {
    int destroyed = 0;
    __FCCollection c;
    for (int i = 0; i < 4; ++i) ASSERT_TRUE(c.Add(new Probe(10 + i, &destroyed)));

    ScriptedHandler stopsAtSecond(2);
    EXPECT_EQ(c.ForEach(stopsAtSecond), 1);
    EXPECT_EQ(stopsAtSecond.seen, (std::vector<int>{10, 11}));

    ScriptedHandler never(0);
    EXPECT_EQ(c.ForEach(never), 4);

    ScriptedHandler indexed(3);
    EXPECT_EQ(c.ForEachIndex(indexed), 2);
    EXPECT_EQ(indexed.indexes, (std::vector<int32_t>{0, 1, 2}));
    EXPECT_EQ(indexed.seen, (std::vector<int>{10, 11, 12}));
}

TEST(CollectionTest, FindFirstReturnsTheFirstMatch) {
    int destroyed = 0;
    __FCCollection c;
    ScriptedHandler onEmpty(1);
    EXPECT_EQ(c.FindFirst(onEmpty), nullptr);
    EXPECT_TRUE(onEmpty.seen.empty());

    for (int i = 0; i < 4; ++i) ASSERT_TRUE(c.Add(new Probe(20 + i, &destroyed)));
    ScriptedHandler matchesThird(3);
    __FCBase* found = c.FindFirst(matchesThird);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(static_cast<Probe*>(found)->value, 22);
    EXPECT_EQ(matchesThird.seen, (std::vector<int>{20, 21, 22}));

    ScriptedHandler none(0);
    EXPECT_EQ(c.FindFirst(none), nullptr);
    EXPECT_EQ(none.seen.size(), 4u);
}

TEST(CollectionTest, NullItemsAreSkipped) {
    int destroyed = 0;
    __FCCollection c;
    ASSERT_TRUE(c.Add(new Probe(1, &destroyed)));
    ASSERT_TRUE(c.Add(nullptr));
    ASSERT_TRUE(c.Add(new Probe(3, &destroyed)));
    ScriptedHandler all(0);
    EXPECT_EQ(c.ForEach(all), 2);
    EXPECT_EQ(all.seen, (std::vector<int>{1, 3}));
    ScriptedHandler indexed(0);
    EXPECT_EQ(c.ForEachIndex(indexed), 2);
    EXPECT_EQ(indexed.indexes, (std::vector<int32_t>{0, 2}));
}

TEST(BaseTest, IsSameClassComparesTheNameConstant) {
    FCString a;
    FCString b;
    FCMusicRegion region;
    __FCCollection collection;
    __FCIteratorBase iteratorBase;
    __FCBase base;
    EXPECT_TRUE(a.IsSameClass(&b));
    EXPECT_TRUE(a.IsSameClass(&a));
    EXPECT_FALSE(a.IsSameClass(&region));
    EXPECT_FALSE(region.IsSameClass(&a));
    EXPECT_FALSE(a.IsSameClass(nullptr));
    EXPECT_FALSE(base.IsSameClass(&a));
    // A base without a name of its own answers its base's name, and so counts as that class.
    EXPECT_STREQ(iteratorBase.ClassName(), "__FCBase");
    EXPECT_TRUE(iteratorBase.IsSameClass(&base));
    EXPECT_FALSE(collection.IsSameClass(&iteratorBase));
    EXPECT_STREQ(collection.ClassName(), "__FCCollection");
    EXPECT_STREQ(region.ClassName(), "FCMusicRegion");
}

// A collection over items and an item array that its owner keeps.
class Borrowing : public __FCCollection {
public:
    Borrowing() {
        SetOwnsItems(false);
        UseItemArray(slots, 2);
    }
    __FCBase* slots[2] = {};
};

TEST(CollectionTest, ABorrowingCollectionNeverDeletesItsItemsAndOutgrowsItsArray) {
    int destroyed = 0;
    Probe a(1, &destroyed), b(2, &destroyed), c(3, &destroyed);
    {
        Borrowing items;
        ASSERT_TRUE(items.Add(&a));
        ASSERT_TRUE(items.Add(&b));
        EXPECT_EQ(items.slots[1], &b) << "held in the owner's array";
        ASSERT_TRUE(items.Add(&c));  // past the owner's two slots: an array of its own
        EXPECT_EQ(items.GetCount(), 3);
        EXPECT_EQ(items.GetItemAt(2), &c);
        EXPECT_EQ(items.GetItemAt(0), &a);
        items.ClearAll();
        EXPECT_EQ(items.GetCount(), 0);
    }
    EXPECT_EQ(destroyed, 0);
}

}  // namespace
}  // namespace qz
