// Arrays of every element family: zero fill, the shared empty arrays, resize, and what the collector
// does with each family (object and interface references keep their elements alive, string arrays
// release their strings when destroyed).
#include <gtest/gtest.h>

#include "runtime/runtime.h"
#include "tests/runtime/gc_test_util.h"

namespace {

struct IThing : virtual gc_interface {
    virtual int Value() = 0;
};

// The interface is not the first base, so an interface pointer differs from the object's address.
struct Thing : Counted, virtual IThing {
    int value;
    explicit Thing(int v, int* c) : Counted(c), value(v) {}
    int Value() override { return value; }
};

Array<Counted*> g_objects;
Array<IThing*> g_things;
Array<String> g_strings;

class ArrayTest : public ::testing::Test {
  protected:
    void SetUp() override { gc_reset(); }
    void TearDown() override {
        g_objects = Array<Counted*>();
        g_things = Array<IThing*>();
        g_strings = Array<String>();
        gc_reset();
    }
};

}  // namespace

TEST_F(ArrayTest, NewArraysAreZeroFilled) {
    Array<int> ints(7);
    Array<float> floats(5);
    Array<bool> bools(9);
    Array<String> strings(4);
    Array<Counted*> objects(3);
    Array<IThing*> things(3);
    for (int i = 0; i < 7; ++i) EXPECT_EQ(ints[i], 0);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(floats[i], 0.0f);
    for (int i = 0; i < 9; ++i) EXPECT_FALSE(bools[i]);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(strings[i].SharedRep(), String::EmptyRep());
    for (int i = 0; i < 3; ++i) EXPECT_EQ(objects[i], nullptr);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(things[i], nullptr);
    EXPECT_EQ(ints.Length(), 7);
    // Elements are written in place and shared between copies of the handle.
    Array<int> same = ints;
    same[6] = -3;
    EXPECT_EQ(ints[6], -3);
    bools[8] = true;
    EXPECT_TRUE(bools[8]);
    EXPECT_FALSE(bools[7]);
}

TEST_F(ArrayTest, EmptyArraysAreSharedStaticAndNeverCollected) {
    int before = gc_alloced_bytes;
    Array<int> a(0), b, c(-1);
    EXPECT_TRUE(a.SameAs(b));
    EXPECT_TRUE(a.SameAs(c));
    EXPECT_EQ(gc_alloced_bytes, before);  // nothing allocated
    EXPECT_TRUE(Array<String>(0).SameAs(Array<String>()));
    EXPECT_TRUE(Array<Counted*>(0).SameAs(Array<Counted*>()));
    EXPECT_TRUE(Array<IThing*>(0).SameAs(Array<IThing*>()));
    EXPECT_TRUE(Array<int>(3).Resize(0).SameAs(b));
    EXPECT_EQ(String("").Split(String("")).Rep(), Array<String>().Rep());

    // Stored into a root and shaded under both mark bits, it keeps colour 3 and is never moved.
    gc_header* h = b.Rep()->header();
    gc_header* succ = h->succ;
    static Array<int> root;
    gc_add_root(root);
    for (int i = 0; i < 3; ++i) {
        gc_assign(root, b);
        gc_mark();
        gc_full_now();
        EXPECT_EQ(b.Rep()->gc_colour(), 3);
        EXPECT_EQ(h->succ, succ);
        EXPECT_EQ(gc_alloced_bytes, before);
    }
    EXPECT_EQ(b.Length(), 0);
}

TEST_F(ArrayTest, ResizeKeepsThePrefixAndZeroFillsTheRest) {
    Array<int> ints(3);
    for (int i = 0; i < 3; ++i) ints[i] = i + 10;
    Array<int> grown = ints.Resize(5);
    EXPECT_EQ(grown.Length(), 5);
    EXPECT_EQ(grown[0], 10);
    EXPECT_EQ(grown[2], 12);
    EXPECT_EQ(grown[3], 0);
    EXPECT_EQ(grown[4], 0);
    EXPECT_FALSE(grown.SameAs(ints));
    grown[0] = 99;
    EXPECT_EQ(ints[0], 10);  // the old array is left as it was
    Array<int> shrunk = ints.Resize(2);
    EXPECT_EQ(shrunk.Length(), 2);
    EXPECT_EQ(shrunk[1], 11);

    Array<float> floats(1);
    floats[0] = 2.5f;
    EXPECT_EQ(floats.Resize(3)[0], 2.5f);
    EXPECT_EQ(floats.Resize(3)[2], 0.0f);

    Array<bool> bools(2);
    bools[1] = true;
    Array<bool> b2 = bools.Resize(40);
    EXPECT_TRUE(b2[1]);
    for (int i = 2; i < 40; ++i) EXPECT_FALSE(b2[i]);

    String s("element");
    Array<String> strings(2);
    strings[0] = s;
    EXPECT_EQ(s.SharedRep()->refs, 2);
    Array<String> s2 = strings.Resize(4);
    EXPECT_EQ(s.SharedRep()->refs, 3);  // the copy holds its own count
    EXPECT_TRUE(s2[0] == s);
    EXPECT_EQ(s2[3].SharedRep(), String::EmptyRep());

    Counted* o = new Counted();
    Array<Counted*> objects(1);
    objects.Set(0, o);
    Array<Counted*> o2 = objects.Resize(2);
    EXPECT_EQ(o2[0], o);
    EXPECT_EQ(o2[1], nullptr);
}

TEST_F(ArrayTest, ObjectElementsLiveAsLongAsTheirArray) {
    int kept = 0, dropped = 0;
    gc_add_root(g_objects);
    gc_assign(g_objects, Array<Counted*>(3));
    g_objects.Set(0, new Counted(&kept));
    g_objects.Set(2, new Counted(&dropped));
    // An element's own references are followed too.
    g_objects[0]->left = new Counted(&kept);
    gc_full_now();
    gc_full_now();
    gc_destroy_pending();
    EXPECT_EQ(kept, 0);
    EXPECT_EQ(dropped, 0);

    g_objects.Set(2, static_cast<Counted*>(nullptr));
    gc_full_now();
    gc_full_now();
    gc_destroy_pending();
    EXPECT_EQ(kept, 0);
    EXPECT_EQ(dropped, 1);

    // Dropping the array drops everything behind it.
    gc_assign(g_objects, Array<Counted*>());
    gc_full_now();
    gc_full_now();
    gc_destroy_pending();
    EXPECT_EQ(kept, 2);
}

TEST_F(ArrayTest, InterfaceElementsKeepTheirObjectsAlive) {
    int count = 0;
    gc_add_root(g_things);
    gc_assign(g_things, Array<IThing*>(4));
    for (int i = 0; i < 4; ++i) {
        IThing* t = new Thing(i * 7, &count);
        ASSERT_NE(static_cast<void*>(t), static_cast<void*>(dynamic_cast<gc_object*>(t)));
        g_things.Set(i, t);
    }
    for (int round = 0; round < 3; ++round) {
        gc_full_now();
        gc_destroy_pending();
        for (int i = 0; i < 10; ++i) (void)new Counted();  // reuse whatever was freed
    }
    EXPECT_EQ(count, 0);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(g_things[i]->Value(), i * 7);

    g_things.Set(1, static_cast<IThing*>(nullptr));
    gc_full_now();
    gc_full_now();
    gc_destroy_pending();
    EXPECT_EQ(count, 1);
}

TEST_F(ArrayTest, StringArraysReleaseTheirStringsWhenDestroyed) {
    String s("counted");
    {
        Array<String> local(3);
        local[0] = s;
        local[2] = s;
        gc_add_root(g_strings);
        gc_assign(g_strings, Array<String>(1));
        g_strings[0] = s;
        EXPECT_EQ(s.SharedRep()->refs, 4);
    }
    // The unrooted array is swept and, at a later allocation, releases its two handles.
    gc_full_now();
    EXPECT_EQ(s.SharedRep()->refs, 4);
    gc_full_now();
    gc_destroy_pending();
    EXPECT_EQ(s.SharedRep()->refs, 2);
    gc_assign(g_strings, Array<String>());
    gc_full_now();
    gc_full_now();
    gc_destroy_pending();
    EXPECT_EQ(s.SharedRep()->refs, 1);
    EXPECT_TRUE(s == String("counted"));
}
