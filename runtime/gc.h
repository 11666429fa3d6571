// The object model and its incremental mark-and-sweep collector.
//
// Every framework and game object derives `Object` (through `gc_object`), is allocated with `new`
// (which goes to `gc_object_alloc`) and is never deleted explicitly. The host calls `gc_collect`
// after every call into the framework, when no framework code is running, so the machine stack is
// never scanned: reachability is computed from the registered root globals and the host's delegate.
//
// Rules for code that holds object references:
//  - every store of an object or array reference into a field, an array element or a root global
//    goes through `gc_assign` (the write barrier);
//  - every class with reference fields overrides `mark()`: it calls its base's `mark()`, then
//    `gc_mark_q` on each reference field in declaration order;
//  - every root global is registered once with `gc_add_root`, in the order the roots are marked.
//
// Each object is preceded in memory by a `gc_header` (list links, colour and size), so that the
// header is set before the object's constructor runs and no constructor can disturb it.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "runtime/vxstring.h"

struct gc_header {
    gc_header* succ;
    gc_header* pred;
    int flags;  // bits 0-1 colour, bit 2 being destroyed, bits 3-31 the block size (header included)
    int pad;
};

class gc_object {
  public:
    gc_object() {}
    virtual ~gc_object() {}
    virtual void mark() {}

    gc_header* header() { return reinterpret_cast<gc_header*>(this) - 1; }
    int gc_colour() { return header()->flags & 3; }
    int gc_size() { return header()->flags & ~7; }

    static void* operator new(size_t size);
    static void* operator new(size_t size, size_t extra);  // variable-sized objects (arrays)
    static void operator delete(void* p);
    static void operator delete(void* p, size_t extra);

    gc_object(const gc_object&) = delete;
    gc_object& operator=(const gc_object&) = delete;
};

class Object : public gc_object {
  public:
    virtual bool Equals(Object* other) { return other == this; }
    virtual int Compare(Object* other);
    virtual String debug();
};

// Base of everything thrown as a runtime exception (thrown as a `ThrowableObject*`).
class ThrowableObject : public Object {};

// Base of interface classes; an implementing class derives it virtually besides its Object chain.
class gc_interface {
  public:
    virtual ~gc_interface() {}
};

// Collector state (bytes; 32-bit counters as the rest of the runtime).
extern int gc_markbit;
extern int gc_new_bytes;
extern std::atomic<int> gc_ext_new_bytes;
extern int gc_alloced_bytes;
extern int gc_marked_bytes;
extern int gc_free_bytes;
extern gc_header gc_free_list, gc_marked_list, gc_unmarked_list, gc_queued_list;

constexpr int kGcFullCollectionBytes = 8388608;

void* gc_object_alloc(size_t size);
void gc_object_free(gc_object* object);
void gc_init1();
void gc_init2();
void gc_mark();
void gc_mark_queued(int limit);
void gc_collect();
int gc_ext_malloced(int bytes);

// Shading (grey): a white object moves to the queued list. Null and non-white objects are left.
void gc_shade(gc_object* object);
// Marking directly (black at once): used for array elements and the host's delegate.
void gc_mark_direct(gc_object* object);

template <class T>
inline gc_object* gc_object_of(T* p) {
    if constexpr (std::is_base_of_v<gc_object, T>) {
        return p;
    } else {
        return p ? dynamic_cast<gc_object*>(p) : nullptr;  // interface references
    }
}

template <class T>
inline void gc_mark_q(T* p) {
    gc_shade(gc_object_of(p));
}

template <class T, class U>
inline void gc_assign(T*& field, U* value) {
    gc_mark_q(value);
    field = value;
}

// Roots: each registered global is shaded by `gc_mark`, in registration order.
typedef void (*gc_root_fn)(void* slot);
void gc_add_root(gc_root_fn shade, void* slot);
void gc_clear_roots();  // for tests

template <class T>
inline void gc_add_root(T*& global) {
    gc_add_root([](void* slot) { gc_mark_q(*static_cast<T**>(slot)); }, &global);
}

// Counts for tests and benchmarks.
int gc_list_length(gc_header* list);
