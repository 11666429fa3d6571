// Collector stress: a random object graph is built and mutated over many collection cycles the way
// framework code does it (every store through the write barrier, a collection step after every
// "call"), including stores into objects that are already black in the middle of a cycle, dropped
// subgraphs, arrays of objects and of strings, large garbage and external bytes that force a full
// collection early. Every object counts its destructions. Before every collection step the test walks
// the graph from the roots itself: objects it cannot reach are dead from then on. The checks:
//  - no object is destroyed while reachable, none twice, none outside an allocation;
//  - every reachable object and string is intact;
//  - in the end every dead object has been destroyed exactly once, every live one never, and the
//    collector's lists and byte counts hold exactly the live objects and arrays.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <unordered_set>
#include <vector>

#include "runtime/runtime.h"

namespace {

struct Record {
    int destroyed = 0;
    bool dead = false;
};

std::vector<Record> g_records;
bool g_allocating = false;
int g_faults = 0;     // destructions at the wrong time
int g_destroyed = 0;  // destructions so far

uint32_t Check(int id) {
    return static_cast<uint32_t>(id) * 2654435761u ^ 0x5a5a5a5au;
}

struct Item : Object {
    int id;
    uint32_t check;
    explicit Item(int i) : id(i), check(Check(i)) {}
    ~Item() override {
        Record& r = g_records[static_cast<size_t>(id)];
        ++r.destroyed;
        ++g_destroyed;
        if (!r.dead || !g_allocating || r.destroyed != 1 || check != Check(id)) {
            ++g_faults;
            ADD_FAILURE() << "object " << id << " destroyed wrongly: dead=" << r.dead
                          << " allocating=" << g_allocating << " times=" << r.destroyed;
        }
        check = 0;
    }
};

// Small enough for the size cache.
struct Leaf : Item {
    Item* next = nullptr;
    explicit Leaf(int i) : Item(i) {}
    void mark() override {
        Item::mark();
        gc_mark_q(next);
    }
};

// Too big for the size cache; holds arrays of objects and of strings.
struct Node : Item {
    Item* a = nullptr;
    Item* b = nullptr;
    Array<Item*> kids;
    Array<String> names;
    explicit Node(int i) : Item(i) {}
    void mark() override {
        Item::mark();
        gc_mark_q(a);
        gc_mark_q(b);
        gc_mark_q(kids);
        gc_mark_q(names);
    }
};

constexpr int kRoots = 6;
Item* g_roots[kRoots];
Array<Item*> g_rootArray;
Array<String> g_rootNames;

template <class F>
auto Allocating(F f) {
    g_allocating = true;
    auto r = f();
    g_allocating = false;
    return r;
}

class Stress {
  public:
    explicit Stress(unsigned seed) : rng_(seed), probe_("probe") {}

    void Run(int steps) {
        for (int i = 0; i < kRoots; ++i) gc_add_root(g_roots[i]);
        gc_add_root(g_rootArray);
        gc_add_root(g_rootNames);
        gc_assign(g_rootArray, Allocating([] { return Array<Item*>(16); }));
        gc_assign(g_rootNames, Allocating([] { return Array<String>(8); }));

        for (int step = 0; step < steps; ++step) {
            int ops = 4 + Below(8);
            for (int k = 0; k < ops; ++k) Op();
            // External bytes hasten the full collection; now and then a huge garbage array reaches
            // the limit by allocation alone.
            if (Below(60) == 0) gc_ext_malloced(kGcFullCollectionBytes / 2 + Below(kGcFullCollectionBytes));
            if (Below(500) == 0) Allocating([] { return Array<char>(kGcFullCollectionBytes / 3); });
            CollectionStep();
            if (g_faults > 0) return;
        }
    }

    // Ends the run: two full collections sweep everything dead, allocations destroy it all.
    void Finish() {
        for (int i = 0; i < 2; ++i) {
            Walk();
            gc_ext_malloced(kGcFullCollectionBytes + 1);
            gc_collect();
        }
        g_allocating = true;
        while (gc_free_list.succ != &gc_free_list) {
            void* block = gc_object_alloc(static_cast<size_t>(gc_free_bytes > 64 ? gc_free_bytes : 64));
            gc_object_free(static_cast<gc_object*>(block));
        }
        g_allocating = false;
        Walk();
    }

    void Verify() {
        int live = 0, dead = 0;
        for (size_t id = 0; id < g_records.size(); ++id) {
            const Record& r = g_records[id];
            if (r.dead) {
                ++dead;
                EXPECT_EQ(r.destroyed, 1) << "dead object " << id;
            } else {
                ++live;
                EXPECT_EQ(r.destroyed, 0) << "live object " << id;
            }
        }
        EXPECT_EQ(live, static_cast<int>(live_.size()));
        printf(
            "objects: %d live, %d dead; %d full collections, %d destroyed during the run, %d hazardous "
            "stores\n",
            live, dead, fullCollections_, destroyedMidRun_, barrierStores_);
        EXPECT_GT(dead, 10000);
        EXPECT_GT(fullCollections_, 25);
        EXPECT_GT(destroyedMidRun_, 5000);
        EXPECT_GT(barrierStores_, 100);

        // The collector holds exactly the live objects and arrays, and counts their bytes.
        int listed = gc_list_length(&gc_unmarked_list) + gc_list_length(&gc_queued_list) +
                     gc_list_length(&gc_marked_list);
        EXPECT_EQ(listed, static_cast<int>(live_.size() + liveArrays_.size()));
        int bytes = 0;
        for (gc_header* list : {&gc_unmarked_list, &gc_queued_list, &gc_marked_list}) {
            for (gc_header* h = list->succ; h != list; h = h->succ) bytes += h->flags & ~7;
        }
        EXPECT_EQ(gc_alloced_bytes, bytes);
        EXPECT_EQ(gc_free_bytes, 0);
        // Destroyed string arrays gave their handles back: only the live ones still count.
        EXPECT_EQ(probe_.SharedRep()->refs, 1 + probeUses_);
    }

  private:
    int Below(int n) { return static_cast<int>(rng_() % static_cast<unsigned>(n)); }

    int NewId() {
        g_records.emplace_back();
        return static_cast<int>(g_records.size() - 1);
    }

    Item* NewItem() {
        int id = NewId();
        Item* item = Allocating([&]() -> Item* {
            if (Below(3) == 0) return new Node(id);
            return new Leaf(id);
        });
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

    // A reference slot: a field (or root global), or an element of an array of objects.
    struct Slot {
        Item** field = nullptr;
        Array<Item*> array;
        int index = 0;
        Item* Get() const { return field ? *field : array[index]; }
        void Set(Item* value) const {
            if (field) {
                gc_assign(*field, value);
            } else {
                array.Set(index, value);
            }
        }
    };

    Slot AnySlot(Item* holder) {
        Slot slot;
        Node* node = dynamic_cast<Node*>(holder);
        if (!holder || Below(10) == 0) {
            if (Below(2)) {
                slot.field = &g_roots[Below(kRoots)];
            } else {
                slot.array = g_rootArray;
                slot.index = Below(g_rootArray.Length());
            }
        } else if (Leaf* leaf = dynamic_cast<Leaf*>(holder)) {
            slot.field = &leaf->next;
        } else if (node->kids.Length() > 0 && Below(3) == 0) {
            slot.array = node->kids;
            slot.index = Below(node->kids.Length());
        } else {
            slot.field = Below(2) ? &node->a : &node->b;
        }
        return slot;
    }

    // A store of `value` into a random slot of `holder`; growing stores prefer empty slots.
    void Store(Item* holder, Item* value, bool grow = false) {
        Slot slot = AnySlot(holder);
        for (int tries = 0; grow && slot.Get() && tries < 6; ++tries) slot = AnySlot(AnyItem());
        slot.Set(value);
    }

    void Op() {
        int kind = Below(100);
        if (live_.size() > 2500 && kind < 40) kind = 99;  // keep the graph to a modest size
        if (kind < 30) {
            Store(AnyItem(), NewItem(), true);
        } else if (kind < 45) {
            Store(AnyItem(), AnyItem());  // sharing and cycles
        } else if (kind < 55) {
            // A fresh array of objects, partly filled.
            Node* node = dynamic_cast<Node*>(AnyItem());
            if (!node) return;
            int n = Below(24);
            gc_assign(node->kids, Allocating([n] { return Array<Item*>(n); }));
            for (int i = 0; i < n; i += 1 + Below(3)) node->kids.Set(i, Below(2) ? NewItem() : AnyItem());
        } else if (kind < 60) {
            Node* node = dynamic_cast<Node*>(AnyItem());
            if (!node) return;
            int n = Below(30);
            gc_assign(node->kids, Allocating([&] { return node->kids.Resize(n); }));
        } else if (kind < 70) {
            // Strings: per-owner names and a shared probe whose count the end checks.
            Node* node = dynamic_cast<Node*>(AnyItem());
            if (!node) return;
            if (node->names.Length() == 0 || Below(3) == 0) {
                int n = Below(12);
                gc_assign(node->names, Allocating([n] { return Array<String>(n); }));
            }
            for (int i = 0; i < node->names.Length(); ++i) {
                int r = Below(3);
                node->names[i] = r == 0 ? probe_ : r == 1 ? String(node->id) : String();
            }
        } else if (kind < 73) {
            int i = Below(g_rootNames.Length());
            g_rootNames[i] = Below(2) ? probe_ : String("root") + String(i);
        } else if (kind < 85) {
            BarrierHazard();
        } else if (kind < 87) {
            // Garbage arrays of numbers: they advance the incremental budget.
            int n = 100 + Below(4000);
            Allocating([n] { return Array<int>(n); });
        } else if (kind < 90) {
            // A string array that dies at once.
            Allocating([this] {
                Array<String> tmp(40);
                for (int i = 0; i < 40; i += 3) tmp[i] = probe_;
                return tmp;
            });
        } else if (kind < 94) {
            // Drop a subgraph.
            if (Below(40) == 0) {
                gc_assign(g_roots[Below(kRoots)], static_cast<Item*>(nullptr));
            } else {
                Store(AnyItem(), nullptr);
            }
        } else {
            Store(AnyItem(), nullptr);
        }
    }

    // The hazard the barrier exists for: a white object, reachable only through a grey one, is
    // stored into a black object and then unlinked from the grey one.
    void BarrierHazard() {
        Node* black = nullptr;
        int seen = 0;
        for (gc_header* h = gc_marked_list.pred; h != &gc_marked_list && seen < 64; h = h->pred, ++seen) {
            if ((black = dynamic_cast<Node*>(reinterpret_cast<gc_object*>(h + 1)))) break;
        }
        if (!black) return;
        seen = 0;
        for (gc_header* h = gc_queued_list.succ; h != &gc_queued_list && seen < 64; h = h->succ, ++seen) {
            gc_object* o = reinterpret_cast<gc_object*>(h + 1);
            Item** slot = nullptr;
            if (Node* grey = dynamic_cast<Node*>(o)) {
                slot = Below(2) ? &grey->a : &grey->b;
            } else if (Leaf* leaf = dynamic_cast<Leaf*>(o)) {
                slot = &leaf->next;
            }
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
        std::vector<Item*> reached;
        std::vector<Item*> stack;
        liveArrays_.clear();
        probeUses_ = 0;
        auto visit = [&](Item* item) {
            if (!item) return;
            Record& r = g_records[static_cast<size_t>(item->id)];
            ASSERT_EQ(r.destroyed, 0) << "reachable object " << item->id << " was destroyed";
            ASSERT_EQ(item->check, Check(item->id)) << "reachable object " << item->id << " is corrupt";
            if (seen_[static_cast<size_t>(item->id)] == epoch_) return;
            seen_[static_cast<size_t>(item->id)] = epoch_;
            reached.push_back(item);
            stack.push_back(item);
        };
        auto strings = [&](const Array<String>& names, int owner) {
            if (names.Length() == 0) return;
            liveArrays_.insert(names.Rep());
            for (int i = 0; i < names.Length(); ++i) {
                const String& s = names[i];
                if (s.SharedRep() == probe_.SharedRep()) {
                    ++probeUses_;
                } else if (owner >= 0) {
                    ASSERT_TRUE(s.Empty() || s == String(owner)) << "names of " << owner;
                }
            }
        };
        for (Item* r : g_roots) visit(r);
        liveArrays_.insert(g_rootArray.Rep());
        for (int i = 0; i < g_rootArray.Length(); ++i) visit(g_rootArray[i]);
        strings(g_rootNames, -1);
        while (!stack.empty()) {
            Item* item = stack.back();
            stack.pop_back();
            if (Leaf* leaf = dynamic_cast<Leaf*>(item)) {
                visit(leaf->next);
            } else {
                Node* node = static_cast<Node*>(item);
                visit(node->a);
                visit(node->b);
                if (node->kids.Length() > 0) liveArrays_.insert(node->kids.Rep());
                for (int i = 0; i < node->kids.Length(); ++i) visit(node->kids[i]);
                strings(node->names, node->id);
            }
        }
        // Whatever was live or new and is not reached now can never be reached again.
        for (Item* item : live_) {
            if (seen_[static_cast<size_t>(item->id)] != epoch_)
                g_records[static_cast<size_t>(item->id)].dead = true;
        }
        for (Item* item : fresh_) {
            if (seen_[static_cast<size_t>(item->id)] != epoch_)
                g_records[static_cast<size_t>(item->id)].dead = true;
        }
        live_ = std::move(reached);
        fresh_.clear();
    }

    void CollectionStep() {
        Walk();
        if (g_faults > 0 || ::testing::Test::HasFatalFailure()) return;
        int destroyedBefore = Destroyed();
        gc_collect();
        EXPECT_EQ(Destroyed(), destroyedBefore) << "destruction during a collection step";
        if (gc_new_bytes == 0) {
            ++fullCollections_;
            EXPECT_EQ(gc_marked_bytes, 0);
            EXPECT_EQ(gc_marked_list.succ, &gc_marked_list);
        }
        destroyedMidRun_ = destroyedBefore;
    }

    int Destroyed() { return g_destroyed; }

    std::mt19937 rng_;
    String probe_;
    std::vector<Item*> live_;   // reachable at the last collection step
    std::vector<Item*> fresh_;  // allocated since
    std::vector<int> seen_;
    int epoch_ = 0;
    std::unordered_set<const void*> liveArrays_;
    int probeUses_ = 0;
    int fullCollections_ = 0;
    int destroyedMidRun_ = 0;
    int barrierStores_ = 0;
};

}  // namespace

TEST(GcStress, RandomGraphOverManyCycles) {
    Stress stress(20261206);
    stress.Run(20000);
    ASSERT_EQ(g_faults, 0);
    ASSERT_FALSE(::testing::Test::HasFailure());
    stress.Finish();
    stress.Verify();
}
