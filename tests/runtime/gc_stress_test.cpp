// Collector stress: a random object graph (objects, arrays of objects and of strings) is mutated over
// many cycles the way framework code does it: every store through the write barrier, a collection
// step after every "call", stores into black objects mid-cycle, dropped subgraphs, large garbage and
// external bytes forcing early full collections. Before each step the test walks the graph itself:
// objects it cannot reach are dead from then on. No object may be destroyed while reachable, twice,
// or during a step; reachable objects and strings stay intact; in the end every dead object has been
// destroyed once and the collector's lists and byte counts hold exactly the live objects and arrays.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <unordered_set>
#include <vector>

#include "runtime/runtime.h"
#include "tests/runtime/gc_test_util.h"

namespace {

struct Record {
    int destroyed = 0;
    bool dead = false;
};
std::vector<Record> g_records;
bool g_collecting = false;
int g_destroyed = 0;

uint32_t Check(int id) {
    return static_cast<uint32_t>(id) * 2654435761u ^ 0x5a5a5a5au;
}

// Small enough for the size cache.
struct Item : Object {
    int id;
    uint32_t check;
    Item* a = nullptr;
    explicit Item(int i) : id(i), check(Check(i)) {}
    ~Item() override {
        Record& r = g_records[static_cast<size_t>(id)];
        ++r.destroyed;
        ++g_destroyed;
        EXPECT_TRUE(r.dead && !g_collecting && r.destroyed == 1 && check == Check(id))
            << "object " << id << " destroyed wrongly: dead=" << r.dead << " collecting=" << g_collecting
            << " times=" << r.destroyed;
        check = 0;
    }
    void mark() override {
        Object::mark();
        gc_mark_q(a);
    }
};

// Too big for the size cache; holds arrays of objects and of strings.
struct Node : Item {
    Item* b = nullptr;
    Array<Item*> kids;
    Array<String> names;
    explicit Node(int i) : Item(i) {}
    void mark() override {
        Item::mark();
        gc_mark_q(b);
        gc_mark_q(kids);
        gc_mark_q(names);
    }
};

constexpr int kRoots = 6;
Item* g_roots[kRoots];
Array<Item*> g_rootArray;

class Stress {
  public:
    explicit Stress(unsigned seed) : rng_(seed) {}

    void Run(int steps) {
        for (Item*& root : g_roots) gc_add_root(root);
        gc_add_root(g_rootArray);
        gc_assign(g_rootArray, Array<Item*>(16));
        for (int step = 0; step < steps && !::testing::Test::HasFailure(); ++step) {
            for (int k = 4 + Below(8); k > 0; --k) Op();
            // External bytes hasten the full collection; now and then huge garbage reaches the limit.
            if (Below(60) == 0) gc_ext_malloced(kGcFullCollectionBytes / 2 + Below(kGcFullCollectionBytes));
            if (Below(500) == 0) (void)Array<char>(kGcFullCollectionBytes / 3);
            Walk();
            if (::testing::Test::HasFailure()) return;
            g_collecting = true;
            gc_collect();
            g_collecting = false;
            if (gc_new_bytes == 0) {
                ++fullCollections_;
                EXPECT_EQ(gc_marked_list.succ, &gc_marked_list);
            }
        }
    }

    // Ends the run: two full collections sweep everything dead, allocations destroy it all. Then
    // every dead object has been destroyed once, and the collector holds exactly the live ones.
    void FinishAndVerify() {
        int destroyedMidRun = g_destroyed;
        for (int i = 0; i < 2; ++i) {
            Walk();
            gc_ext_malloced(kGcFullCollectionBytes + 1);
            gc_collect();
        }
        gc_destroy_pending();
        Walk();
        int dead = 0;
        for (size_t id = 0; id < g_records.size(); ++id) {
            dead += g_records[id].dead;
            EXPECT_EQ(g_records[id].destroyed, g_records[id].dead ? 1 : 0) << "object " << id;
        }
        EXPECT_EQ(static_cast<int>(g_records.size()) - dead, static_cast<int>(live_.size()));
        // The run reached the cases it is for.
        EXPECT_GT(dead, 10000);
        EXPECT_GT(fullCollections_, 25);
        EXPECT_GT(destroyedMidRun, 5000);
        EXPECT_GT(barrierStores_, 100);

        int listed = 0, bytes = 0;
        for (gc_header* list : {&gc_unmarked_list, &gc_queued_list, &gc_marked_list}) {
            for (gc_header* h = list->succ; h != list; h = h->succ, ++listed) bytes += h->flags & ~7;
        }
        EXPECT_EQ(listed, static_cast<int>(live_.size() + liveArrays_.size()));
        EXPECT_EQ(gc_alloced_bytes, bytes);
        EXPECT_EQ(gc_free_bytes, 0);
    }

  private:
    int Below(int n) { return static_cast<int>(rng_() % static_cast<unsigned>(n)); }

    Item* NewItem() {
        int id = static_cast<int>(g_records.size());
        g_records.emplace_back();
        Item* item = Below(3) == 0 ? new Node(id) : new Item(id);
        fresh_.push_back(item);
        return item;
    }

    // Any object this "call" may legitimately hold: reachable at the last step, or new in this one.
    Item* AnyItem() {
        size_t n = live_.size() + fresh_.size();
        if (n == 0) return nullptr;
        size_t i = static_cast<size_t>(Below(static_cast<int>(n)));
        return i < live_.size() ? live_[i] : fresh_[i - live_.size()];
    }

    // A random reference slot of `holder` (or of the roots): a field or an array element.
    Item** AnySlot(Item* holder) {
        Node* node = dynamic_cast<Node*>(holder);
        int r = Below(10);
        if (!holder || r == 0)
            return Below(2) ? &g_roots[Below(kRoots)] : &g_rootArray.Data()[Below(g_rootArray.Length())];
        if (node && node->kids.Length() > 0 && r < 4) return &node->kids.Data()[Below(node->kids.Length())];
        if (node && r < 7) return &node->b;
        return &holder->a;
    }

    // A store through the barrier; growing stores prefer empty slots.
    void Store(Item* holder, Item* value, bool grow = false) {
        Item** slot = AnySlot(holder);
        for (int tries = 0; grow && *slot && tries < 6; ++tries) slot = AnySlot(AnyItem());
        gc_assign(*slot, value);
    }

    void Op() {
        int kind = Below(100);
        if (live_.size() > 2500 && kind < 40) kind = 99;  // keep the graph to a modest size
        if (kind < 30) {
            Store(AnyItem(), NewItem(), true);
        } else if (kind < 45) {
            Store(AnyItem(), AnyItem());  // sharing and cycles
        } else if (kind < 70) {
            Node* node = dynamic_cast<Node*>(AnyItem());
            if (!node) return;
            if (kind < 55) {
                // A fresh array of objects, partly filled.
                int n = Below(24);
                gc_assign(node->kids, Array<Item*>(n));
                for (int i = 0; i < n; i += 1 + Below(3)) node->kids.Set(i, Below(2) ? NewItem() : AnyItem());
            } else if (kind < 60) {
                gc_assign(node->kids, node->kids.Resize(Below(30)));
            } else {
                // Strings: the owner's number, or none.
                if (node->names.Length() == 0 || Below(3) == 0)
                    gc_assign(node->names, Array<String>(Below(12)));
                for (int i = 0; i < node->names.Length(); ++i)
                    node->names[i] = Below(2) ? String(node->id) : String();
            }
        } else if (kind < 85) {
            BarrierHazard();
        } else if (kind < 87) {
            (void)Array<int>(100 + Below(4000));  // garbage numbers advance the incremental budget
        } else if (kind < 94 && Below(40) == 0) {
            gc_assign(g_roots[Below(kRoots)], static_cast<Item*>(nullptr));  // drop a whole subgraph
        } else {
            Store(AnyItem(), nullptr);
        }
    }

    // The hazard the barrier exists for: a white object, reachable only through a grey one, is
    // stored into a black object and then unlinked from the grey one.
    void BarrierHazard() {
        Node* black = nullptr;
        int seen = 0;
        for (gc_header* h = gc_marked_list.pred; h != &gc_marked_list && !black && seen < 64;
             h = h->pred, ++seen)
            black = dynamic_cast<Node*>(reinterpret_cast<gc_object*>(h + 1));
        if (!black) return;
        seen = 0;
        for (gc_header* h = gc_queued_list.succ; h != &gc_queued_list && seen < 64; h = h->succ, ++seen) {
            Item* grey = dynamic_cast<Item*>(reinterpret_cast<gc_object*>(h + 1));
            Node* greyNode = dynamic_cast<Node*>(grey);
            Item** slot = greyNode && Below(2) ? &greyNode->b : grey ? &grey->a : nullptr;
            // Only objects this call could hold: not found dead by an earlier walk.
            if (slot && *slot && (*slot)->gc_colour() == gc_markbit &&
                !g_records[static_cast<size_t>((*slot)->id)].dead) {
                gc_assign(Below(2) ? black->a : black->b, *slot);
                *slot = nullptr;  // clearing needs no barrier
                ++barrierStores_;
                return;
            }
        }
    }

    // Walks the graph from the roots; everything not reached is dead from now on.
    void Walk() {
        ++epoch_;
        seen_.resize(g_records.size(), 0);
        std::vector<Item*> reached, stack;
        liveArrays_.clear();
        auto visit = [&](Item* item) {
            if (!item) return;
            size_t id = static_cast<size_t>(item->id);
            ASSERT_EQ(g_records[id].destroyed, 0) << "reachable object " << id << " was destroyed";
            ASSERT_EQ(item->check, Check(item->id)) << "reachable object " << id << " is corrupt";
            if (seen_[id] == epoch_) return;
            seen_[id] = epoch_;
            reached.push_back(item);
            stack.push_back(item);
        };
        for (Item* r : g_roots) visit(r);
        liveArrays_.insert(g_rootArray.Rep());
        for (int i = 0; i < g_rootArray.Length(); ++i) visit(g_rootArray[i]);
        while (!stack.empty()) {
            Item* item = stack.back();
            stack.pop_back();
            visit(item->a);
            if (Node* node = dynamic_cast<Node*>(item)) {
                visit(node->b);
                if (node->kids.Length() > 0) liveArrays_.insert(node->kids.Rep());
                for (int i = 0; i < node->kids.Length(); ++i) visit(node->kids[i]);
                if (node->names.Length() > 0) liveArrays_.insert(node->names.Rep());
                for (int i = 0; i < node->names.Length(); ++i)
                    ASSERT_TRUE(node->names[i].Empty() || node->names[i] == String(node->id)) << node->id;
            }
        }
        // Whatever was live or new and is not reached now can never be reached again.
        for (auto* list : {&live_, &fresh_}) {
            for (Item* item : *list) {
                if (seen_[static_cast<size_t>(item->id)] != epoch_)
                    g_records[static_cast<size_t>(item->id)].dead = true;
            }
        }
        live_ = std::move(reached);
        fresh_.clear();
    }

    std::mt19937 rng_;
    std::vector<Item*> live_;   // reachable at the last collection step
    std::vector<Item*> fresh_;  // allocated since
    std::vector<int> seen_;
    int epoch_ = 0;
    std::unordered_set<const void*> liveArrays_;
    int fullCollections_ = 0;
    int barrierStores_ = 0;
};

}  // namespace

TEST(GcStress, RandomGraphOverManyCycles) {
    Stress stress(20261206);
    stress.Run(20000);
    ASSERT_FALSE(::testing::Test::HasFailure());
    stress.FinishAndVerify();
}
