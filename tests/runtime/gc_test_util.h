// Helpers for tests that drive the collector the way the host does.
#pragma once

#include <gtest/gtest.h>

#include "runtime/runtime.h"

// A full collection now, whatever has been allocated: external bytes push the total over the limit.
inline void gc_full_now() {
    gc_ext_malloced(kGcFullCollectionBytes + 1);
    gc_collect();
    EXPECT_EQ(gc_new_bytes, 0);
}

// Destroys every object waiting on the free list, the way the allocator does: one allocation as
// large as everything pending. The block is handed straight back, so nothing new stays behind.
inline void gc_destroy_pending() {
    while (gc_free_list.succ != &gc_free_list) {
        void* block = gc_object_alloc(static_cast<size_t>(gc_free_bytes > 64 ? gc_free_bytes : 64));
        gc_object_free(static_cast<gc_object*>(block));
    }
    EXPECT_EQ(gc_free_bytes, 0);
}

// A clean collector: no roots, nothing grey, no pending garbage.
inline void gc_reset() {
    gc_clear_roots();
    gc_full_now();
    gc_full_now();
    gc_destroy_pending();
}

inline bool gc_is_white(gc_object* o) {
    return o->gc_colour() == gc_markbit;
}

inline bool gc_in_list(gc_header* list, gc_object* o) {
    for (gc_header* h = list->succ; h != list; h = h->succ) {
        if (h == o->header()) return true;
    }
    return false;
}

inline int gc_list_bytes(gc_header* list) {
    int n = 0;
    for (gc_header* h = list->succ; h != list; h = h->succ) n += h->flags & ~7;
    return n;
}

// An object that counts its destructions and may hold two references.
struct Counted : Object {
    static inline int destroyed = 0;
    static inline bool collecting = false;  // set by tests around gc_collect()
    static inline int destroyedWhileCollecting = 0;
    Counted* left = nullptr;
    Counted* right = nullptr;
    int* counter = nullptr;

    explicit Counted(int* c = nullptr) : counter(c) {}
    ~Counted() override {
        ++destroyed;
        if (collecting) ++destroyedWhileCollecting;
        if (counter) ++*counter;
    }
    void mark() override {
        Object::mark();
        gc_mark_q(left);
        gc_mark_q(right);
    }
};

inline void gc_collect_watched() {
    Counted::collecting = true;
    gc_collect();
    Counted::collecting = false;
}
