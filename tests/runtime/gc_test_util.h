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
// large as everything pending, handed straight back.
inline void gc_destroy_pending() {
    while (gc_free_list.succ != &gc_free_list)
        gc_object_free(static_cast<gc_object*>(gc_object_alloc(gc_free_bytes > 64 ? gc_free_bytes : 64)));
    EXPECT_EQ(gc_free_bytes, 0);
}
