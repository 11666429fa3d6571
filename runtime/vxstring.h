// String: the immutable string type of the framework and the game.
//
// A String is one pointer to a shared, reference-counted representation of 16-bit UTF-16 code
// units. Copies share storage; every empty string uses one static representation that is never
// freed. Nothing pairs surrogates: a character outside the basic plane is two units everywhere.
// Strings are not collected objects; counts are plain integers (main thread only).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

typedef char16_t Char;

template <class T>
class Array;

class String {
  public:
    struct Rep {
        int refs;
        int length;
        Char data[1];  // really `length` units; no terminator

        static Rep* Alloc(int length);
    };

    // A temporary narrow copy for calls into C libraries: each unit becomes its low 8 bits,
    // followed by a zero terminator. Reference-counted; frees itself with its last copy.
    class CString {
      public:
        explicit CString(const String& s);
        CString(const CString& other);
        CString& operator=(const CString& other);
        ~CString();
        const char* c_str() const { return bytes_ + sizeof(int); }
        operator const char*() const { return c_str(); }

      private:
        void Release();
        char* bytes_;  // 32-bit count, then the bytes and a zero
    };

    String() : rep_(&nullRep) {}
    String(const char* text);  // NOLINT: one unit per byte, bytes widened as signed 8-bit values
    String(const Char* units, int count);
    String(const String& other) : rep_(other.rep_) { Retain(); }
    String(String&& other) noexcept : rep_(other.rep_) { other.rep_ = &nullRep; }
    explicit String(int value);
    explicit String(float value);
    ~String() { Release(); }

    String& operator=(const String& other);
    String& operator=(String&& other) noexcept;

    static String FromChar(int unit);
    // The UTF-8 decoding of `Load`, applied to bytes already in memory.
    static String FromUtf8(const char* bytes, size_t count);
    static String FromUtf8(const std::string& bytes) { return FromUtf8(bytes.data(), bytes.size()); }
    // The rest of an open file, as UTF-8 (optional mark), UTF-16 of either order, or one unit per byte.
    static String Load(FILE* file);

    int Length() const { return rep_->length; }
    bool Empty() const { return rep_->length == 0; }
    const Char* Data() const { return rep_->data; }
    Char operator[](int index) const { return rep_->data[index]; }

    int ToInt() const;
    float ToFloat() const;
    std::string ToUtf8() const;
    CString ToCString() const { return CString(*this); }

    int Find(const String& what, int start = 0) const;
    int FindLast(const String& what) const;
    bool Contains(const String& what) const { return Find(what) >= 0; }
    bool StartsWith(const String& prefix) const;
    bool EndsWith(const String& suffix) const;
    String Slice(int from) const { return Slice(from, Length()); }
    String Slice(int from, int to) const;
    String ToLower() const;
    Array<String> Split(const String& separator) const;
    String Replace(const String& find, const String& with) const;

    friend String operator+(const String& a, const String& b);
    String& operator+=(const String& b) { return *this = *this + b; }
    friend bool operator==(const String& a, const String& b);
    friend bool operator!=(const String& a, const String& b) { return !(a == b); }
    friend bool operator<(const String& a, const String& b);

    // For tests and the collector's bookkeeping: identity of the shared representation.
    const Rep* SharedRep() const { return rep_; }
    static const Rep* EmptyRep() { return &nullRep; }

  private:
    explicit String(Rep* rep) : rep_(rep) {}
    void Retain() const {
        if (rep_ != &nullRep) ++rep_->refs;
    }
    void Release();

    static Rep nullRep;
    Rep* rep_;
};

// Encodes the units as UTF-8 without a byte-order mark; surrogates are encoded one by one as
// three-byte sequences, so that `Load` gives the same units back.
std::string vx_utf8_encode(const Char* units, int count);

// Reads the rest of an open file in blocks of 4096 bytes, stopping at the first short read.
std::vector<unsigned char> vx_read_rest(FILE* file);
