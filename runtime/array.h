// Array<T>: a fixed-length array whose storage is a collected object.
//
// Element types: numbers and bool, String, and pointers to collected classes or to interfaces.
// New arrays are zero-filled (0, false, null, the empty string). Every length-0 array is the one
// static empty representation of its element type, which the collector never moves or frees.
// Element access does not check the index. Pointer elements are read with [] and written with
// Set(), which passes the value through the write barrier.
#pragma once

#include <cstring>
#include <new>
#include <type_traits>

#include "runtime/gc.h"
#include "runtime/vxstring.h"

template <class T>
class ArrayRep : public gc_object {
  public:
    int length;

    T* data() { return reinterpret_cast<T*>(reinterpret_cast<char*>(this) + kDataOffset); }

    static ArrayRep* Create(int length) {
        ArrayRep* rep = new (sizeof(T) * static_cast<size_t>(length)) ArrayRep(length);
        return rep;
    }

    // The shared empty array of this element type: colour 3, never collected.
    static ArrayRep* Empty() {
        static StaticEmpty empty;
        return &empty.rep;
    }

    void mark() override {
        if constexpr (std::is_pointer_v<T>) {
            T* d = data();
            for (int i = 0; i < length; ++i) {
                if (d[i]) gc_mark_direct(gc_object_of(d[i]));
            }
        }
    }

    ~ArrayRep() override {
        if constexpr (!std::is_trivially_destructible_v<T>) {
            T* d = data();
            for (int i = 0; i < length; ++i) d[i].~T();
        }
    }

    static constexpr size_t kDataOffset =
        (sizeof(gc_object) + sizeof(int) + alignof(T) - 1) / alignof(T) * alignof(T);

  private:
    explicit ArrayRep(int n) : length(n) {
        T* d = data();
        if constexpr (std::is_trivially_constructible_v<T>) {
            if (n > 0) std::memset(static_cast<void*>(d), 0, sizeof(T) * static_cast<size_t>(n));
        } else {
            for (int i = 0; i < n; ++i) new (&d[i]) T();
        }
    }

    struct StaticEmpty {
        gc_header header{nullptr, nullptr, 3, 0};
        ArrayRep rep{0};
    };
};

template <class T>
class Array {
  public:
    Array() : rep_(ArrayRep<T>::Empty()) {}
    explicit Array(int length) : rep_(length > 0 ? ArrayRep<T>::Create(length) : ArrayRep<T>::Empty()) {}

    int Length() const { return rep_->length; }
    T* Data() const { return rep_->data(); }

    T& operator[](int i) const requires(!std::is_pointer_v<T>) { return rep_->data()[i]; }
    T operator[](int i) const requires std::is_pointer_v<T> { return rep_->data()[i]; }
    template <class U>
    void Set(int i, U* value) const requires std::is_pointer_v<T> {
        gc_assign(rep_->data()[i], static_cast<T>(value));
    }
    void Set(int i, const T& value) const requires(!std::is_pointer_v<T>) { rep_->data()[i] = value; }

    // A new array of `length` elements holding the first min(old, new) elements; the rest zero.
    Array Resize(int length) const {
        Array out(length);
        int n = length < Length() ? length : Length();
        for (int i = 0; i < n; ++i) {
            if constexpr (std::is_pointer_v<T>) {
                out.Set(i, (*this)[i]);
            } else {
                out[i] = (*this)[i];
            }
        }
        return out;
    }

    ArrayRep<T>* Rep() const { return rep_; }
    bool SameAs(const Array& other) const { return rep_ == other.rep_; }

    template <class U>
    friend void gc_assign(Array<U>& field, const Array<U>& value);

  private:
    ArrayRep<T>* rep_;
};

template <class T>
inline void gc_mark_q(const Array<T>& array) {
    gc_shade(array.Rep());
}

template <class T>
inline void gc_assign(Array<T>& field, const Array<T>& value) {
    gc_shade(value.Rep());
    field.rep_ = value.rep_;
}

template <class T>
inline void gc_add_root(Array<T>& global) {
    gc_add_root([](void* slot) { gc_shade(static_cast<Array<T>*>(slot)->Rep()); }, &global);
}
