// The collector's rules one at a time (deferred destruction and the size cache, the 8 MiB threshold
// with external bytes, incremental pacing, throwing constructors, allocating destructors), empty
// arrays, and arrays of interface references.
#include <gtest/gtest.h>

#include <csignal>
#include <vector>

#include "runtime/runtime.h"
#include "tests/runtime/gc_test_util.h"

namespace {

// An object that counts its destructions and may hold a reference.
struct Counted : Object {
    static inline int destroyed = 0;
    Counted* left = nullptr;

    ~Counted() override { ++destroyed; }
    void mark() override {
        Object::mark();
        gc_mark_q(left);
    }
};

struct Big : Counted {
    char payload[200];
};

// A destructor that allocates, as one that hands a native resource to a collected queue would.
struct AllocatesWhenDestroyed : Counted {
    ~AllocatesWhenDestroyed() override { (void)new Counted(); }
};

struct Throws : Counted {
    Throws() { throw 42; }
};

// A destructor whose own allocation fails in its constructor.
struct ThrowsWhenDestroyed : Counted {
    ~ThrowsWhenDestroyed() override {
        try {
            (void)new Throws();
        } catch (int) {
        }
    }
};

struct IThing : virtual gc_interface {
    virtual int Value() = 0;
};

// The interface is not the first base, so an interface pointer differs from the object's address.
struct Thing : Counted, virtual IThing {
    int value;
    explicit Thing(int v) : value(v) {}
    int Value() override { return value; }
};

Counted* g_root;
Array<IThing*> g_things;

// Two full collections find everything unreachable now; then it is all destroyed.
void CollectAll() {
    gc_full_now();
    gc_full_now();
    gc_destroy_pending();
}

class GcTest : public ::testing::Test {
  protected:
    void SetUp() override {
        gc_clear_roots();
        g_root = nullptr;
        g_things = Array<IThing*>();
        CollectAll();
        Counted::destroyed = 0;
    }
};

}  // namespace

TEST_F(GcTest, GarbageIsDestroyedLaterByAllocationsAndFullCollectionsCountExternalBytes) {
    Counted* first = new Counted();
    first->left = new Counted();  // plain store: both objects are white anyway
    gc_collect();                 // incremental: nothing is collected
    gc_full_now();                // swept, not yet destroyed
    EXPECT_EQ(Counted::destroyed, 0);
    // Each allocation destroys about as many bytes as it asks for, and small blocks come back from
    // the size cache.
    EXPECT_EQ(static_cast<void*>(new Counted()), static_cast<void*>(first));
    EXPECT_EQ(Counted::destroyed, 1);

    // A full collection only above 8 MiB, counting external bytes; a huge external load does not
    // wrap the sum into a negative number.
    gc_new_bytes = 100;
    gc_ext_malloced(kGcFullCollectionBytes - 100);
    gc_collect();
    EXPECT_EQ(gc_new_bytes, 100);
    gc_ext_malloced(1);
    gc_collect();
    EXPECT_EQ(gc_new_bytes + gc_ext_new_bytes.load(), 0);
    gc_ext_malloced(2147483000);
    gc_new_bytes = 10000;
    gc_collect();
    EXPECT_EQ(gc_new_bytes, 0);
}

TEST_F(GcTest, IncrementalMarkingKeepsPaceWithAllocation) {
    gc_add_root(g_root);
    gc_assign(g_root, new Counted());
    Counted* n = g_root;
    for (int i = 0; i < 2000; ++i) n = n->left = new Counted();  // white behind white: no barrier needed
    gc_full_now();                                               // the root is grey, the rest white
    gc_collect();  // nothing allocated in this cycle: no marking
    EXPECT_EQ(gc_marked_bytes, 0);
    int steps = 0;
    for (; gc_queued_list.succ != &gc_queued_list; ++steps) {
        for (int i = 0; i < 10; ++i) (void)new Counted();
        gc_collect();
        ASSERT_LT(steps, 100000);
    }
    EXPECT_EQ(gc_list_length(&gc_marked_list), 2001);
    EXPECT_GT(steps, 10);  // spread over many steps
}

TEST_F(GcTest, ThrowingConstructorsAndAllocatingDestructors) {
    int alloced = gc_alloced_bytes;
    EXPECT_THROW((void)new Throws(), int);
    EXPECT_EQ(gc_alloced_bytes, alloced);  // unlisted and its memory given back
    EXPECT_EQ(Counted::destroyed, 1);      // the base part's destructor ran once
    CollectAll();
    EXPECT_EQ(Counted::destroyed, 1);

    for (int i = 0; i < 3; ++i) {
        (void)new AllocatesWhenDestroyed();
        (void)new Counted();
        (void)new Counted();
    }
    gc_full_now();
    gc_full_now();
    // Destroying the first object allocates, which destroys the next one, and so on.
    (void)new Big();
    gc_destroy_pending();
    EXPECT_EQ(Counted::destroyed, 1 + 9);
    // The objects the destructors made are ordinary garbage for the next cycle.
    CollectAll();
    EXPECT_EQ(Counted::destroyed, 1 + 9 + 4);  // with the big one

    // The last piece of garbage allocates as it goes: the free-bytes count ends at 0, not below.
    (void)new AllocatesWhenDestroyed();
    gc_full_now();
    gc_full_now();
    gc_destroy_pending();
    // A constructor that throws inside a destructor: the half-built object leaves its live list.
    (void)new ThrowsWhenDestroyed();
    CollectAll();
    int listed = 0;
    for (gc_header* list : {&gc_unmarked_list, &gc_queued_list, &gc_marked_list})
        for (gc_header* h = list->succ; h != list; h = h->succ) listed += h->flags & ~7;
    EXPECT_EQ(gc_alloced_bytes, listed);
    EXPECT_EQ(Counted::destroyed, 1 + 9 + 4 + 2 + 2);
}

TEST(GcDeathTest, SizesTheCollectorCannotCountAreOutOfMemory) {
    // 2 GiB and more would wrap the 32-bit size; 4 GiB and more would wrap to a small block.
    EXPECT_EXIT((void)Array<int>(600000000), ::testing::KilledBySignal(SIGABRT), "");
    EXPECT_EXIT((void)Array<int>(1073741825), ::testing::KilledBySignal(SIGABRT), "");
}

TEST_F(GcTest, ArraysAreZeroFilledResizeKeepsThePrefixAndEmptyOnesAreSharedAndNeverCollected) {
    int before = gc_alloced_bytes;
    Array<int> a(0), b, c(-1);
    EXPECT_TRUE(a.SameAs(b) && a.SameAs(c) && Array<int>(3).Resize(0).SameAs(b));
    // Stored into a root and shaded under both mark bits, it keeps colour 3 and is never moved.
    gc_header* h = b.Rep()->header();
    gc_header* succ = h->succ;
    static Array<int> root;
    gc_add_root(root);
    for (int i = 0; i < 2; ++i) {
        gc_assign(root, b);
        gc_mark();
        gc_full_now();
        EXPECT_EQ(b.Rep()->gc_colour(), 3);
        EXPECT_EQ(h->succ, succ);
    }
    EXPECT_EQ(gc_alloced_bytes, before);

    // (Object and string arrays are exercised by the stress test.)
    Array<int> ints(3);
    for (int i = 0; i < 3; ++i) ints[i] = i + 10;
    Array<int> grown = ints.Resize(5);
    EXPECT_EQ(std::vector<int>(grown.Data(), grown.Data() + 5), (std::vector<int>{10, 11, 12, 0, 0}));
    grown[0] = 99;
    EXPECT_EQ(ints[0], 10);  // the old array is left as it was
    Array<String> strings(2);
    String s("element");
    strings[0] = s;
    EXPECT_TRUE(strings.Resize(4)[0] == s);
    EXPECT_EQ(s.SharedRep()->refs, 3);  // the copy holds its own count
}

// Interface references need their object found first (the interface is not at the object's address).
TEST_F(GcTest, InterfaceElementsKeepTheirObjectsAlive) {
    gc_add_root(g_things);
    gc_assign(g_things, Array<IThing*>(4));
    for (int i = 0; i < 4; ++i) {
        IThing* t = new Thing(i * 7);
        ASSERT_NE(static_cast<void*>(t), static_cast<void*>(dynamic_cast<gc_object*>(t)));
        g_things.Set(i, t);
    }
    CollectAll();
    for (int i = 0; i < 10; ++i) (void)new Counted();  // reuse whatever was freed
    EXPECT_EQ(Counted::destroyed, 0);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(g_things[i]->Value(), i * 7);
    g_things.Set(1, static_cast<IThing*>(nullptr));
    CollectAll();
    EXPECT_EQ(Counted::destroyed, 1 + 10);  // the dropped thing and the ten new objects
}
