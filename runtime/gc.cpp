// The incremental mark-and-sweep collector: lists, allocation with deferred destruction, the write
// barrier's shading, incremental marking and the full collection at 8 MiB of new allocation.
#include "runtime/gc.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

int gc_markbit = 1;
int gc_new_bytes = 0;
std::atomic<int> gc_ext_new_bytes{0};
int gc_alloced_bytes = 0;
int gc_marked_bytes = 0;
int gc_free_bytes = 0;

// Sentinel heads of the four circular lists (made empty at static initialisation).
gc_header gc_free_list = {&gc_free_list, &gc_free_list, 0, 0};
gc_header gc_marked_list = {&gc_marked_list, &gc_marked_list, 0, 0};
gc_header gc_unmarked_list = {&gc_unmarked_list, &gc_unmarked_list, 0, 0};
gc_header gc_queued_list = {&gc_queued_list, &gc_queued_list, 0, 0};

namespace {

// Free blocks below 64 bytes, one singly-linked list per multiple of 8, linked through their
// first word. Memory in the cache is never returned to the heap.
void* gc_cache[8];

// Header flag (bit 2, between the colour and the size) of an object the allocator is destroying:
// it is off every list and no longer counted, so freeing it only returns the memory. An object freed
// without the flag was never finished (its constructor threw) and is still on a live list.
constexpr int kDestroying = 4;

// The largest block the header's size bits can hold.
constexpr int64_t kMaxBlock = 0x7ffffff8;

struct Root {
    gc_root_fn shade;
    void* slot;
};
std::vector<Root>& roots() {
    static std::vector<Root> list;
    return list;
}

inline gc_object* object_of(gc_header* h) {
    return reinterpret_cast<gc_object*>(h + 1);
}

inline void unlink(gc_header* h) {
    h->pred->succ = h->succ;
    h->succ->pred = h->pred;
}

inline void append(gc_header* list, gc_header* h) {
    h->pred = list->pred;
    h->succ = list;
    list->pred->succ = h;
    list->pred = h;
}

inline void make_empty(gc_header* list) {
    list->succ = list->pred = list;
}

// Appends every element of `from` to the tail of `to`, leaving `from` empty.
inline void splice(gc_header* to, gc_header* from) {
    if (from->succ == from) return;
    gc_header* first = from->succ;
    gc_header* last = from->pred;
    first->pred = to->pred;
    to->pred->succ = first;
    last->succ = to;
    to->pred = last;
    make_empty(from);
}

// Out of memory, or a size the collector cannot count: the runtime has no recovery path.
[[noreturn]] void out_of_memory() {
    std::abort();
}

}  // namespace

void* gc_object_alloc(size_t size) {
    // The size and the byte counters are 32-bit: a block they cannot hold is out of memory.
    if (size > static_cast<size_t>(kMaxBlock)) out_of_memory();
    const int64_t rounded = (static_cast<int64_t>(size) + static_cast<int64_t>(sizeof(gc_header)) + 7) & ~7;
    if (rounded > kMaxBlock || rounded > INT32_MAX - static_cast<int64_t>(gc_new_bytes) ||
        rounded > INT32_MAX - static_cast<int64_t>(gc_alloced_bytes)) {
        out_of_memory();
    }
    const int total = static_cast<int>(rounded);
    gc_new_bytes += total;

    // Destroy pending garbage worth about `total` bytes.
    int target = gc_free_bytes - total;
    if (target < 0) target = 0;
    while (gc_free_bytes > target) {
        gc_header* h = gc_free_list.succ;
        if (h == &gc_free_list) {
            gc_free_bytes = 0;
            break;
        }
        // Off the list and off the count before the destructor runs: a destructor that allocates
        // destroys further garbage against a count that no longer includes this object.
        unlink(h);
        gc_free_bytes -= h->flags & ~7;
        h->flags |= kDestroying;
        delete object_of(h);
    }

    gc_header* h = nullptr;
    if (total < 64 && gc_cache[total >> 3]) {
        h = static_cast<gc_header*>(gc_cache[total >> 3]);
        gc_cache[total >> 3] = *reinterpret_cast<void**>(h);
    } else {
        h = static_cast<gc_header*>(std::malloc(static_cast<size_t>(total)));
        if (!h) out_of_memory();
    }
    h->flags = total | gc_markbit;
    h->pad = 0;
    append(&gc_unmarked_list, h);
    gc_alloced_bytes += total;
    return h + 1;
}

static void release_block(gc_header* h, int size) {
    if (size < 64) {
        *reinterpret_cast<void**>(h) = gc_cache[size >> 3];
        gc_cache[size >> 3] = h;
    } else {
        std::free(h);
    }
}

void gc_object_free(gc_object* object) {
    // The object's destructor has already run: find the header by address, not through the object.
    gc_header* h = reinterpret_cast<gc_header*>(object) - 1;
    int size = h->flags & ~7;
    if (!(h->flags & kDestroying)) {
        // A constructor threw: the half-built object is still listed and counted as live.
        unlink(h);
        gc_alloced_bytes -= size;
    }
    release_block(h, size);
}

void* gc_object::operator new(size_t size) {
    return gc_object_alloc(size);
}
void* gc_object::operator new(size_t size, size_t extra) {
    return gc_object_alloc(size + extra);
}
void gc_object::operator delete(void* p) {
    gc_object_free(static_cast<gc_object*>(p));
}
void gc_object::operator delete(void* p, size_t) {
    gc_object_free(static_cast<gc_object*>(p));
}

int Object::Compare(Object* other) {
    return static_cast<int>(reinterpret_cast<intptr_t>(this) - reinterpret_cast<intptr_t>(other));
}

String Object::debug() {
    return String("+Object\n");
}

void gc_shade(gc_object* o) {
    if (!o) return;
    gc_header* h = o->header();
    if ((h->flags & 3) != gc_markbit) return;
    h->flags ^= 1;
    unlink(h);
    append(&gc_queued_list, h);
}

void gc_mark_direct(gc_object* o) {
    if (!o) return;
    gc_header* h = o->header();
    if ((h->flags & 3) != gc_markbit) return;
    h->flags ^= 1;
    gc_marked_bytes += h->flags & ~7;
    unlink(h);
    append(&gc_marked_list, h);
    o->mark();
}

void gc_init1() {
    make_empty(&gc_free_list);
    make_empty(&gc_marked_list);
    make_empty(&gc_unmarked_list);
    make_empty(&gc_queued_list);
}

void gc_init2() {
    gc_mark();
}

void gc_add_root(gc_root_fn shade, void* slot) {
    roots().push_back({shade, slot});
}
void gc_clear_roots() {
    roots().clear();
}

void gc_mark() {
    for (const Root& r : roots()) r.shade(r.slot);
}

void gc_mark_queued(int limit) {
    while (gc_marked_bytes < limit && gc_queued_list.succ != &gc_queued_list) {
        gc_header* h = gc_queued_list.succ;
        unlink(h);
        append(&gc_marked_list, h);
        gc_marked_bytes += h->flags & ~7;
        object_of(h)->mark();
    }
}

int gc_ext_malloced(int bytes) {
    gc_ext_new_bytes.fetch_add(bytes);
    return bytes;
}

void gc_collect() {
    // Sum in 64 bits: a huge external load must not wrap into a negative total.
    int64_t pending = static_cast<int64_t>(gc_new_bytes) + gc_ext_new_bytes.load();
    if (pending > kGcFullCollectionBytes) {
        gc_ext_new_bytes.fetch_sub(gc_ext_new_bytes.load());
        gc_mark_queued(2147483647);
        if (gc_alloced_bytes != gc_marked_bytes) {
            splice(&gc_free_list, &gc_unmarked_list);
            gc_free_bytes += gc_alloced_bytes - gc_marked_bytes;
        }
        splice(&gc_unmarked_list, &gc_marked_list);
        gc_alloced_bytes = gc_marked_bytes;
        gc_marked_bytes = 0;
        gc_markbit ^= 1;
        gc_mark();
        gc_new_bytes = 0;
        return;
    }
    int64_t limit = gc_new_bytes + (static_cast<int64_t>(gc_alloced_bytes - gc_new_bytes) * gc_new_bytes) /
                                       kGcFullCollectionBytes;
    gc_mark_queued(static_cast<int>(limit));
}

int gc_list_length(gc_header* list) {
    int n = 0;
    for (gc_header* h = list->succ; h != list; h = h->succ) ++n;
    return n;
}
