// The collector's rules, one at a time: deferred destruction, the write barrier during a cycle, the
// 8 MiB threshold, external bytes, the byte counters, the size cache, root order, the host's direct
// marking, and objects whose constructor throws.
#include <gtest/gtest.h>

#include <vector>

#include "runtime/runtime.h"
#include "tests/runtime/gc_test_util.h"

namespace {

Counted* g_root = nullptr;
Counted* g_root2 = nullptr;
Counted* g_root3 = nullptr;

class GcTest : public ::testing::Test {
  protected:
    void SetUp() override {
        gc_reset();
        g_root = g_root2 = g_root3 = nullptr;
        Counted::destroyed = 0;
        Counted::destroyedWhileCollecting = 0;
    }
    void TearDown() override {
        g_root = g_root2 = g_root3 = nullptr;
        gc_reset();
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

}  // namespace

TEST_F(GcTest, GarbageIsDestroyedByALaterAllocationNotByTheSweep) {
    int count = 0;
    {
        Counted* local = new Counted(&count);
        local->left = new Counted(&count);  // plain store: both objects are white anyway
    }
    gc_collect_watched();  // incremental: nothing is collected
    gc_ext_malloced(kGcFullCollectionBytes + 1);
    gc_collect_watched();  // full: swept, not yet destroyed
    EXPECT_EQ(count, 0);
    EXPECT_EQ(gc_list_length(&gc_free_list), 2);
    EXPECT_GT(gc_free_bytes, 0);

    // Each allocation destroys about as many bytes as it asks for.
    (void)new Counted();
    EXPECT_EQ(count, 1);
    (void)new Counted();
    EXPECT_EQ(count, 2);
    EXPECT_EQ(gc_free_bytes, 0);
    EXPECT_EQ(Counted::destroyedWhileCollecting, 0);

    // A big allocation destroys several small ones at once: about its own size.
    for (int i = 0; i < 7; ++i) (void)new Counted();
    gc_full_now();
    gc_full_now();
    int before = Counted::destroyed;
    Big* big = new Big();
    int small = static_cast<int>((sizeof(Counted) + sizeof(gc_header) + 7) / 8 * 8);
    EXPECT_EQ(Counted::destroyed - before, (big->gc_size() + small - 1) / small);
}

TEST_F(GcTest, StoreIntoAnAlreadyMarkedObjectSurvivesTheSweep) {
    int count = 0;
    gc_add_root(g_root);
    gc_assign(g_root, new Counted(&count));
    gc_assign(g_root->left, new Counted(&count));
    gc_assign(g_root->left->left, new Counted(&count));
    gc_full_now();      // the next cycle begins: the root is grey, the rest white
    gc_mark_queued(1);  // follow the root only: it turns black, its child grey
    Counted* black = g_root;
    Counted* grey = g_root->left;
    Counted* white = grey->left;
    ASSERT_TRUE(gc_in_list(&gc_marked_list, black));
    ASSERT_TRUE(gc_in_list(&gc_queued_list, grey));
    ASSERT_TRUE(gc_is_white(white));

    // Move the white object behind the black one and drop its only other reference: only the
    // barrier can save it now. Likewise for an object allocated during the cycle.
    gc_assign(black->right, white);
    grey->left = nullptr;
    gc_assign(white->left, new Counted(&count));
    EXPECT_TRUE(gc_in_list(&gc_queued_list, white));

    gc_full_now();
    gc_full_now();
    gc_destroy_pending();
    EXPECT_EQ(count, 0);
    EXPECT_EQ(g_root->right, white);

    // The old value of an overwritten field is left to the next cycle.
    gc_assign(g_root->right, static_cast<Counted*>(nullptr));
    gc_full_now();
    gc_full_now();
    gc_destroy_pending();
    EXPECT_EQ(count, 2);
}

TEST_F(GcTest, FullCollectionStartsOnlyAboveEightMegabytes) {
    gc_add_root(g_root);
    gc_assign(g_root, new Counted());
    gc_full_now();
    gc_new_bytes = kGcFullCollectionBytes;
    gc_collect();
    EXPECT_EQ(gc_new_bytes, kGcFullCollectionBytes);  // incremental
    gc_new_bytes = kGcFullCollectionBytes + 1;
    gc_collect();
    EXPECT_EQ(gc_new_bytes, 0);  // full

    // External bytes count toward the same limit and are reset by the full collection.
    gc_new_bytes = 100;
    EXPECT_EQ(gc_ext_malloced(kGcFullCollectionBytes - 100), kGcFullCollectionBytes - 100);
    gc_collect();
    EXPECT_EQ(gc_new_bytes, 100);
    EXPECT_EQ(gc_ext_new_bytes.load(), kGcFullCollectionBytes - 100);
    gc_ext_malloced(1);
    gc_collect();
    EXPECT_EQ(gc_new_bytes, 0);
    EXPECT_EQ(gc_ext_new_bytes.load(), 0);

    // A huge external load does not wrap the sum into a negative number.
    gc_ext_malloced(2147483000);
    gc_new_bytes = 10000;
    gc_collect();
    EXPECT_EQ(gc_new_bytes, 0);
}

TEST_F(GcTest, CountersAfterAFullCollectionDescribeTheSurvivors) {
    gc_add_root(g_root);
    gc_assign(g_root, new Counted());
    Counted* n = g_root;
    for (int i = 0; i < 50; ++i) {
        gc_assign(n->left, new Counted());
        (void)new Big();  // garbage
        n = n->left;
    }
    gc_full_now();
    gc_full_now();
    EXPECT_EQ(gc_new_bytes, 0);
    EXPECT_EQ(gc_marked_bytes, 0);
    EXPECT_EQ(gc_list_length(&gc_marked_list), 0);
    // The 51 survivors are the only live objects and are white again, in the unmarked and queued lists.
    int survivors = gc_list_length(&gc_unmarked_list) + gc_list_length(&gc_queued_list);
    EXPECT_EQ(survivors, 51);
    EXPECT_EQ(gc_alloced_bytes, gc_list_bytes(&gc_unmarked_list) + gc_list_bytes(&gc_queued_list));
    EXPECT_EQ(gc_alloced_bytes, 51 * g_root->gc_size());
    EXPECT_EQ(gc_free_bytes, gc_list_bytes(&gc_free_list));
    EXPECT_EQ(gc_list_length(&gc_free_list), 50);
    EXPECT_EQ(Counted::destroyed, 0);
    // Sizes include the header and are multiples of 8.
    EXPECT_EQ(g_root->gc_size() % 8, 0);
    EXPECT_GE(static_cast<size_t>(g_root->gc_size()), sizeof(Counted) + sizeof(gc_header));
}

TEST_F(GcTest, IncrementalMarkingKeepsPaceWithAllocation) {
    gc_add_root(g_root);
    gc_assign(g_root, new Counted());
    Counted* n = g_root;
    for (int i = 0; i < 2000; ++i) {
        gc_assign(n->left, new Counted());
        n = n->left;
    }
    gc_full_now();  // the root is grey, the rest white
    ASSERT_EQ(gc_list_length(&gc_queued_list), 1);
    gc_collect();  // nothing allocated in this cycle: no marking
    EXPECT_EQ(gc_marked_bytes, 0);

    int size = g_root->gc_size();
    int steps = 0;
    while (gc_queued_list.succ != &gc_queued_list) {
        for (int i = 0; i < 10; ++i) (void)new Counted();
        int64_t limit =
            gc_new_bytes +
            (static_cast<int64_t>(gc_alloced_bytes - gc_new_bytes) * gc_new_bytes) / kGcFullCollectionBytes;
        int before = gc_marked_bytes;
        gc_collect();
        ++steps;
        // Marks up to the budget (one object may cross it), or until the queue is empty.
        if (gc_queued_list.succ != &gc_queued_list) {
            EXPECT_GE(gc_marked_bytes, limit);
        }
        if (before < limit) {
            EXPECT_LT(gc_marked_bytes, limit + size);
        }
        ASSERT_LT(steps, 100000);
    }
    EXPECT_EQ(gc_list_length(&gc_marked_list), 2001);
    EXPECT_GT(steps, 10);  // spread over many steps
}

TEST_F(GcTest, SmallBlocksAreReusedFromTheSizeCache) {
    Counted* a = new Counted();
    void* address = a;
    a = nullptr;
    gc_full_now();
    gc_full_now();
    Counted* b = new Counted();  // destroys the old one and takes its block
    EXPECT_EQ(static_cast<void*>(b), address);
    EXPECT_EQ(Counted::destroyed, 1);
    EXPECT_LT(b->gc_size(), 64);
}

TEST_F(GcTest, RootsAreShadedInRegistrationOrder) {
    gc_add_root(g_root2);
    gc_add_root(g_root);
    gc_add_root(g_root3);
    gc_assign(g_root3, new Counted());
    gc_assign(g_root, new Counted());
    gc_assign(g_root2, new Counted());
    gc_full_now();  // the survivors turn white; the roots are shaded again at the end
    std::vector<gc_header*> order;
    for (gc_header* h = gc_queued_list.succ; h != &gc_queued_list; h = h->succ) order.push_back(h);
    EXPECT_EQ(order, (std::vector<gc_header*>{g_root2->header(), g_root->header(), g_root3->header()}));
    gc_full_now();
    gc_full_now();
    gc_destroy_pending();
    EXPECT_EQ(Counted::destroyed, 0);
}

TEST_F(GcTest, DirectMarkingFollowsReferencesAtOnce) {
    // The host marks its delegate directly: black at once, its references grey.
    Counted* delegate = new Counted();
    delegate->left = new Counted();
    gc_mark_direct(delegate);
    EXPECT_TRUE(gc_in_list(&gc_marked_list, delegate));
    EXPECT_TRUE(gc_in_list(&gc_queued_list, delegate->left));
    EXPECT_EQ(gc_marked_bytes, delegate->gc_size());
    gc_mark_direct(delegate);  // already black: nothing changes
    EXPECT_EQ(gc_marked_bytes, delegate->gc_size());
    gc_mark_direct(nullptr);
    gc_full_now();
    gc_destroy_pending();
    EXPECT_EQ(Counted::destroyed, 0);
}

TEST_F(GcTest, AConstructorThatThrowsGivesItsMemoryBack) {
    int alloced = gc_alloced_bytes;
    int objects = gc_list_length(&gc_unmarked_list);
    EXPECT_THROW((void)new Throws(), int);
    EXPECT_EQ(gc_alloced_bytes, alloced);
    EXPECT_EQ(gc_list_length(&gc_unmarked_list), objects);
    // The destructor of the base part ran once; the block is reused.
    EXPECT_EQ(Counted::destroyed, 1);
    gc_full_now();
    gc_full_now();
    gc_destroy_pending();
    EXPECT_EQ(Counted::destroyed, 1);
}

TEST_F(GcTest, ADestructorMayAllocate) {
    for (int i = 0; i < 3; ++i) {
        (void)new AllocatesWhenDestroyed();
        (void)new Counted();
        (void)new Counted();
    }
    gc_full_now();
    gc_full_now();
    EXPECT_EQ(gc_list_length(&gc_free_list), 9);
    // Destroying the first object allocates, which destroys the next one, and so on.
    (void)new Big();
    gc_destroy_pending();
    EXPECT_EQ(Counted::destroyed, 9);
    EXPECT_EQ(gc_free_bytes, 0);
    EXPECT_EQ(gc_alloced_bytes, gc_list_bytes(&gc_unmarked_list) + gc_list_bytes(&gc_queued_list) +
                                    gc_list_bytes(&gc_marked_list));
    // The objects the destructors made are ordinary garbage for the next cycle.
    gc_full_now();
    gc_full_now();
    gc_destroy_pending();
    EXPECT_EQ(Counted::destroyed, 13);  // with the big one
}
