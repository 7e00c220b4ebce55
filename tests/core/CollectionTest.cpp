#include "finaleframework/core/FCCollection.h"
#include "finaleframework/core/FCIteratorHandler.h"
#include "finaleframework/core/FCStrings.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

/// An element that carries a number and reports its destruction.
class Numbered : public __FCBase {
public:
    explicit Numbered(int value, int* destroyed = nullptr) : value(value), destroyed(destroyed) {}
    ~Numbered() override {
        if (destroyed) ++*destroyed;
    }
    int value;
    int* destroyed;
};

int ValueOf(__FCBase* element) {
    return static_cast<Numbered*>(element)->value;
}

/// The values held, in order; -1 stands for a null slot.
std::vector<int> Values(const __FCCollection& collection) {
    std::vector<int> values;
    for (int i = 0; i < collection.GetCount(); ++i) {
        __FCBase* element = collection.GetItemAt(i);
        values.push_back(element ? ValueOf(element) : -1);
    }
    return values;
}

/// A handler whose operations are given as functions; each call is recorded.
class Recorder : public FCIteratorHandler {
public:
    std::function<bool(__FCBase*)> onIterate = [](__FCBase*) { return true; };
    std::function<bool(__FCBase*)> onMatch = [](__FCBase*) { return false; };
    std::vector<int> visited;
    std::vector<int> indexes;

    bool Iterate(__FCBase* element) override {
        visited.push_back(ValueOf(element));
        return onIterate(element);
    }
    bool IterateWithIndex(__FCBase* element, int index) override {
        indexes.push_back(index);
        return Iterate(element);
    }
    bool IsMatch(__FCBase* element) override {
        visited.push_back(ValueOf(element));
        return onMatch(element);
    }
};

class ByValue : public FCIteratorHandler {
public:
    int Compare(__FCBase* a, __FCBase* b) override { return ValueOf(a) - ValueOf(b); }
};

/// A handler that overrides nothing.
class Plain : public FCIteratorHandler {};

void Fill(__FCCollection& collection, std::vector<int> values, int* destroyed = nullptr) {
    for (int value : values)
        collection.Add(value < 0 ? nullptr : new Numbered(value, destroyed));
}

TEST(Collection, GrowsInStepsOfTenAndUsesTheLastSlot) {
    __FCCollection collection;
    EXPECT_EQ(collection.GetCount(), 0);
    EXPECT_EQ(collection._GetCapacity(), 0);

    Fill(collection, {1});
    EXPECT_EQ(collection._GetCapacity(), 10);
    Fill(collection, {2, 3, 4, 5, 6, 7, 8, 9, 10});
    EXPECT_EQ(collection.GetCount(), 10);
    EXPECT_EQ(collection._GetCapacity(), 10) << "the 10th element fits the array";
    Fill(collection, {11});
    EXPECT_EQ(collection._GetCapacity(), 20);
    EXPECT_EQ(Values(collection), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}));

    collection._RequireElement(0);
    collection._RequireElement(-3);
    EXPECT_EQ(collection._GetCapacity(), 20);
    collection._RequireElement(9); // 11 + 9 = 20: still fits
    EXPECT_EQ(collection._GetCapacity(), 20);
    collection._RequireElement(10); // 21 needed
    EXPECT_EQ(collection._GetCapacity(), 30);
    EXPECT_EQ(collection.GetCount(), 11);
}

TEST(Collection, OutOfRangeIndexesAnswerNothingAndChangeNothing) {
    __FCCollection collection;
    EXPECT_EQ(collection.GetItemAt(0), nullptr);
    EXPECT_FALSE(collection.DeleteItemAt(0));

    int destroyed = 0;
    Fill(collection, {1, 2, 3}, &destroyed);
    EXPECT_EQ(collection.GetItemAt(-1), nullptr);
    EXPECT_EQ(collection.GetItemAt(collection.GetCount()), nullptr);
    EXPECT_FALSE(collection.DeleteItemAt(-1));
    EXPECT_FALSE(collection.DeleteItemAt(collection.GetCount()));
    EXPECT_EQ(Values(collection), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(destroyed, 0);
}

TEST(Collection, DeleteItemAtHandsTheElementToTheCaller) {
    int destroyed = 0;
    Numbered* kept = nullptr;
    {
        __FCCollection collection;
        Fill(collection, {1, 2, 3}, &destroyed);
        kept = static_cast<Numbered*>(collection.GetItemAt(1));
        EXPECT_TRUE(collection.DeleteItemAt(1));
        EXPECT_EQ(Values(collection), (std::vector<int>{1, 3}));
        EXPECT_FALSE(collection.ElementExists(kept));
        EXPECT_EQ(destroyed, 0);
    }
    EXPECT_EQ(destroyed, 2) << "the collection destroys only what it still holds";
    EXPECT_EQ(kept->value, 2);
    delete kept;
}

TEST(Collection, InsertItemAtInsertsOrAppends) {
    __FCCollection collection;
    Fill(collection, {1, 2});
    collection.InsertItemAt(new Numbered(3), collection.GetCount());
    collection.InsertItemAt(new Numbered(4), collection.GetCount() + 5);
    EXPECT_EQ(Values(collection), (std::vector<int>{1, 2, 3, 4}));
    collection.InsertItemAt(new Numbered(0), 0);
    collection.InsertItemAt(new Numbered(9), 2);
    EXPECT_EQ(Values(collection), (std::vector<int>{0, 1, 9, 2, 3, 4}));

    // Insertion into a full array grows it and keeps every element.
    __FCCollection full;
    Fill(full, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
    full.InsertItemAt(new Numbered(0), 0);
    EXPECT_EQ(full._GetCapacity(), 20);
    EXPECT_EQ(Values(full), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
}

TEST(Collection, LooksUpPointersAndUserData) {
    __FCCollection collection;
    Numbered* a = new Numbered(1);
    Numbered* b = new Numbered(2);
    int marker = 0;
    b->SetUserData(&marker);
    collection.Add(nullptr);
    collection.Add(a);
    collection.Add(b);

    EXPECT_EQ(collection.GetIndexOf(b), 2);
    EXPECT_EQ(collection.GetIndexOf(nullptr), 0) << "null slots compare as stored";
    EXPECT_TRUE(collection.ElementExists(nullptr));
    Numbered stranger(7);
    EXPECT_EQ(collection.GetIndexOf(&stranger), -1);
    EXPECT_FALSE(collection.ElementExists(&stranger));

    EXPECT_EQ(collection.FindUserData(&marker), b);
    EXPECT_EQ(collection.FindUserData(nullptr), a) << "null slots are skipped, a has no user data";
    int other = 0;
    EXPECT_EQ(collection.FindUserData(&other), nullptr);
}

TEST(Collection, ForEachStopsAtTheFirstFalseAndSkipsNulls) {
    __FCCollection collection;
    Fill(collection, {1, -1, 2, -1, 3, 4});
    Recorder handler;
    handler.onIterate = [](__FCBase* e) { return ValueOf(e) != 3; };
    EXPECT_EQ(collection.ForEach(&handler), 2);
    EXPECT_EQ(handler.visited, (std::vector<int>{1, 2, 3}));

    Recorder all;
    EXPECT_EQ(collection.ForEach(&all), 4);
    EXPECT_EQ(all.visited, (std::vector<int>{1, 2, 3, 4}));
}

TEST(Collection, WalksVisitElementsAppendedByTheHandler) {
    __FCCollection collection;
    Fill(collection, {1, 2});
    Recorder handler;
    handler.onIterate = [&](__FCBase* e) {
        if (ValueOf(e) < 4) collection.Add(new Numbered(ValueOf(e) + 2));
        return true;
    };
    EXPECT_EQ(collection.ForEach(&handler), 5);
    EXPECT_EQ(handler.visited, (std::vector<int>{1, 2, 3, 4, 5}));

    Recorder search;
    search.onMatch = [&](__FCBase* e) {
        if (collection.GetCount() < 7) collection.Add(new Numbered(40 + collection.GetCount()));
        return ValueOf(e) == 46;
    };
    __FCBase* found = collection.FindFirst(&search);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(ValueOf(found), 46);
}

TEST(Collection, ToEndFromAndForEachIndex) {
    __FCCollection collection;
    Fill(collection, {10, -1, 12, 13});

    Recorder fromTwo;
    EXPECT_EQ(collection.ToEndFrom(2, &fromTwo), 2);
    EXPECT_EQ(fromTwo.visited, (std::vector<int>{12, 13}));
    Recorder fromNegative;
    EXPECT_EQ(collection.ToEndFrom(-5, &fromNegative), 3);
    EXPECT_EQ(fromNegative.visited, (std::vector<int>{10, 12, 13}));
    Recorder pastEnd;
    EXPECT_EQ(collection.ToEndFrom(4, &pastEnd), 0);
    EXPECT_TRUE(pastEnd.visited.empty());

    Recorder indexed;
    indexed.onIterate = [](__FCBase* e) { return ValueOf(e) != 13; };
    EXPECT_EQ(collection.ForEachIndex(&indexed), 2);
    EXPECT_EQ(indexed.indexes, (std::vector<int>{0, 2, 3})) << "indexes are the slots' own";

    // A handler that overrides only Iterate serves an indexed walk too.
    class CountOnly : public FCIteratorHandler {
    public:
        int calls = 0;
        bool Iterate(__FCBase*) override { return ++calls < 100; }
    } counter;
    EXPECT_EQ(collection.ForEachIndex(&counter), 3);
    EXPECT_EQ(counter.calls, 3);
}

TEST(Collection, FindFirstAnswersTheFirstMatchOrNull) {
    __FCCollection collection;
    Fill(collection, {-1, 5, 6, 6});
    Recorder never;
    EXPECT_EQ(collection.FindFirst(&never), nullptr);
    EXPECT_EQ(never.visited, (std::vector<int>{5, 6, 6}));

    Recorder six;
    six.onMatch = [](__FCBase* e) { return ValueOf(e) == 6; };
    EXPECT_EQ(collection.FindFirst(&six), collection.GetItemAt(2));
}

TEST(Collection, SortOrdersByCompare) {
    // Null slots (-1) stay where they are; the others are ordered around them.
    const struct {
        std::vector<int> values, sorted;
    } cases[] = {{{3, 1, 2}, {1, 2, 3}},
                 {{}, {}},
                 {{7}, {7}},
                 {{3, -1, 1, 2}, {1, -1, 2, 3}},
                 {{5, 9, 1, 5, 0, 7, 3, 3, 8, 2, 6, 4}, {0, 1, 2, 3, 3, 4, 5, 5, 6, 7, 8, 9}}};
    ByValue byValue;
    for (const auto& c : cases) {
        __FCCollection collection;
        Fill(collection, c.values);
        collection.Sort(&byValue);
        EXPECT_EQ(Values(collection), c.sorted);
    }
}

TEST(Collection, DefaultHandlerVisitsAllFindsNothingAndKeepsOrder) {
    __FCCollection collection;
    Fill(collection, {2, -1, 1});
    Plain plain;
    EXPECT_EQ(collection.ForEach(&plain), 2);
    EXPECT_EQ(collection.ForEachIndex(&plain), 2);
    EXPECT_EQ(collection.FindFirst(&plain), nullptr);
    collection.Sort(&plain);
    EXPECT_EQ(Values(collection), (std::vector<int>{2, -1, 1}));
    EXPECT_TRUE(plain.PostIterate(collection.GetItemAt(0)));
    EXPECT_TRUE(plain.OnBrowseStart());
    EXPECT_TRUE(plain.OnFirstLoaded());
    EXPECT_FALSE(plain.GetSaveChanges());
    plain.SetSaveChanges(true);
    EXPECT_TRUE(plain.GetSaveChanges());

    EXPECT_EQ(collection.ForEach(nullptr), 0);
    EXPECT_EQ(collection.FindFirst(nullptr), nullptr);
}

TEST(Collection, OwnsItsElements) {
    int destroyed = 0;
    {
        __FCCollection collection;
        Fill(collection, {1, -1, 2, 3}, &destroyed);
    }
    EXPECT_EQ(destroyed, 3);

    destroyed = 0;
    std::vector<Numbered*> survivors;
    {
        __FCCollection borrowed;
        Fill(borrowed, {1, 2}, &destroyed);
        survivors = {static_cast<Numbered*>(borrowed.GetItemAt(0)),
                     static_cast<Numbered*>(borrowed.GetItemAt(1))};
        borrowed.DetachAll();
        EXPECT_EQ(borrowed.GetCount(), 0);
    }
    EXPECT_EQ(destroyed, 0) << "detached elements outlive the collection";
    for (Numbered* survivor : survivors)
        delete survivor;

    destroyed = 0;
    __FCCollection reused;
    Fill(reused, {1, 2, 3}, &destroyed);
    reused._FreeElements();
    EXPECT_EQ(destroyed, 3);
    EXPECT_EQ(reused.GetCount(), 3) << "the count is left for the caller";
    EXPECT_EQ(reused.GetItemAt(0), nullptr);
    Recorder none;
    EXPECT_EQ(reused.ForEach(&none), 0);
}

TEST(Collection, StringsOwnTheirStringsAndNameThemselves) {
    FCStrings strings;
    strings.Add(new FCString("one"));
    strings.Add(new FCString("a longer text than ten characters"));
    EXPECT_STREQ(strings.ClassName(), "FCStrings");
    EXPECT_TRUE(static_cast<FCString*>(strings.GetItemAt(1))->StartsWith("a longer"));

    __FCCollection* asBase = new FCStrings;
    asBase->Add(new FCString("destroyed through the base"));
    EXPECT_STREQ(asBase->ClassName(), "FCStrings");
    delete asBase; // the sanitizer build would report a leak of the string

    __FCCollection plain;
    EXPECT_STREQ(plain.ClassName(), "__FCCollection");
}

} // namespace
