#include "runtime/vxstring.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "runtime/array.h"

String::Rep String::nullRep = {1, 0, {0}};

String::Rep* String::Rep::Alloc(int length) {
    size_t bytes = offsetof(Rep, data) + sizeof(Char) * static_cast<size_t>(length > 0 ? length : 1);
    Rep* rep = static_cast<Rep*>(std::malloc(bytes));
    if (!rep) std::abort();
    rep->refs = 1;
    rep->length = length;
    return rep;
}

void String::Release() {
    if (rep_ != &nullRep && --rep_->refs == 0) std::free(rep_);
}

String& String::operator=(const String& other) {
    other.Retain();
    Release();
    rep_ = other.rep_;
    return *this;
}

String& String::operator=(String&& other) noexcept {
    if (this != &other) {
        Release();
        rep_ = other.rep_;
        other.rep_ = &nullRep;
    }
    return *this;
}

String::String(const char* text) : rep_(&nullRep) {
    int n = text ? static_cast<int>(std::strlen(text)) : 0;
    if (n == 0) return;
    rep_ = Rep::Alloc(n);
    for (int i = 0; i < n; ++i) rep_->data[i] = static_cast<Char>(static_cast<signed char>(text[i]));
}

String::String(const Char* units, int count) : rep_(&nullRep) {
    if (count <= 0) return;
    rep_ = Rep::Alloc(count);
    std::memcpy(rep_->data, units, sizeof(Char) * static_cast<size_t>(count));
}

String::String(int value) : String() {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%i", value);
    *this = String(buf);
}

String::String(float value) : String() {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.17lg", static_cast<double>(value));
    if (!std::strchr(buf, '.') && !std::strchr(buf, 'e')) std::strcat(buf, ".0");
    *this = String(buf);
}

String String::FromChar(int unit) {
    Char c = static_cast<Char>(unit);
    return String(&c, 1);
}

int String::ToInt() const {
    char buf[64];
    int n = Length() < 63 ? Length() : 63;
    for (int i = 0; i < n; ++i) buf[i] = static_cast<char>(rep_->data[i] & 0xff);
    buf[n] = 0;
    // atoi's reading; the value wraps like the rest of the runtime's integers
    return static_cast<int>(std::strtoll(buf, nullptr, 10));
}

float String::ToFloat() const {
    char buf[64];
    int n = Length() < 63 ? Length() : 63;
    for (int i = 0; i < n; ++i) buf[i] = static_cast<char>(rep_->data[i] & 0xff);
    buf[n] = 0;
    return static_cast<float>(std::strtod(buf, nullptr));
}

String operator+(const String& a, const String& b) {
    if (a.Empty()) return b;
    if (b.Empty()) return a;
    String::Rep* rep = String::Rep::Alloc(a.Length() + b.Length());
    std::memcpy(rep->data, a.Data(), sizeof(Char) * static_cast<size_t>(a.Length()));
    std::memcpy(rep->data + a.Length(), b.Data(), sizeof(Char) * static_cast<size_t>(b.Length()));
    return String(rep);
}

bool operator==(const String& a, const String& b) {
    if (a.rep_ == b.rep_) return true;
    return a.Length() == b.Length() &&
           std::memcmp(a.Data(), b.Data(), sizeof(Char) * static_cast<size_t>(a.Length())) == 0;
}

bool operator<(const String& a, const String& b) {
    int n = a.Length() < b.Length() ? a.Length() : b.Length();
    for (int i = 0; i < n; ++i) {
        if (a[i] != b[i]) return a[i] < b[i];
    }
    return a.Length() < b.Length();
}

int String::Find(const String& what, int start) const {
    if (start < 0) start = 0;
    int n = Length(), m = what.Length();
    for (int i = start; i <= n - m; ++i) {  // i + m would overflow for a start near INT_MAX
        if (std::memcmp(Data() + i, what.Data(), sizeof(Char) * static_cast<size_t>(m)) == 0) return i;
    }
    return -1;
}

int String::FindLast(const String& what) const {
    int n = Length(), m = what.Length();
    for (int i = n - m; i >= 0; --i) {
        if (std::memcmp(Data() + i, what.Data(), sizeof(Char) * static_cast<size_t>(m)) == 0) return i;
    }
    return -1;
}

bool String::StartsWith(const String& prefix) const {
    return prefix.Length() <= Length() &&
           std::memcmp(Data(), prefix.Data(), sizeof(Char) * static_cast<size_t>(prefix.Length())) == 0;
}

bool String::EndsWith(const String& suffix) const {
    int off = Length() - suffix.Length();
    return off >= 0 &&
           std::memcmp(Data() + off, suffix.Data(), sizeof(Char) * static_cast<size_t>(suffix.Length())) == 0;
}

String String::Slice(int from, int to) const {
    int n = Length();
    if (from < 0) {
        from += n;
        if (from < 0) from = 0;
    } else if (from > n) {
        from = n;
    }
    if (to < 0) {
        to += n;
        if (to < 0) to = 0;
    } else if (to > n) {
        to = n;
    }
    if (to <= from) return String();
    if (from == 0 && to == n) return *this;
    return String(Data() + from, to - from);
}

String String::ToLower() const {
    int n = Length();
    int i = 0;
    while (i < n && !(rep_->data[i] >= 'A' && rep_->data[i] <= 'Z')) ++i;
    if (i == n) return *this;
    Rep* rep = Rep::Alloc(n);
    for (int k = 0; k < n; ++k) {
        Char c = rep_->data[k];
        rep->data[k] = (c >= 'A' && c <= 'Z') ? static_cast<Char>(c + 32) : c;
    }
    return String(rep);
}

Array<String> String::Split(const String& separator) const {
    if (separator.Empty()) {
        Array<String> out(Length());
        for (int i = 0; i < Length(); ++i) out[i] = String(Data() + i, 1);
        return out;
    }
    std::vector<int> starts;
    int i = 0;
    while ((i = Find(separator, i)) >= 0) {
        starts.push_back(i);
        i += separator.Length();
    }
    Array<String> out(static_cast<int>(starts.size()) + 1);
    if (starts.empty()) {
        out[0] = *this;
        return out;
    }
    int from = 0;
    for (size_t k = 0; k < starts.size(); ++k) {
        out[static_cast<int>(k)] = Slice(from, starts[k]);
        from = starts[k] + separator.Length();
    }
    out[static_cast<int>(starts.size())] = Slice(from, Length());
    return out;
}

String String::Replace(const String& find, const String& with) const {
    if (find.Empty()) return *this;  // the empty text is found everywhere; there is nothing to replace
    std::vector<int> at;
    int i = 0;
    while ((i = Find(find, i)) >= 0) {
        at.push_back(i);
        i += find.Length();
    }
    if (at.empty()) return *this;
    int length = Length() + static_cast<int>(at.size()) * (with.Length() - find.Length());
    if (length <= 0) return String();
    Rep* rep = Rep::Alloc(length);
    Char* out = rep->data;
    int from = 0;
    for (int pos : at) {
        std::memcpy(out, Data() + from, sizeof(Char) * static_cast<size_t>(pos - from));
        out += pos - from;
        std::memcpy(out, with.Data(), sizeof(Char) * static_cast<size_t>(with.Length()));
        out += with.Length();
        from = pos + find.Length();
    }
    std::memcpy(out, Data() + from, sizeof(Char) * static_cast<size_t>(Length() - from));
    return String(rep);
}

// UTF-8 as the state file and text assets use it: up to three-byte sequences, no surrogate
// pairing. Invalid input falls back to one unit per byte (Latin-1).
static String decode_text(const unsigned char* p, size_t n) {
    if (n >= 2 && p[0] == 0xfe && p[1] == 0xff) {
        size_t units = (n - 2) / 2;
        if (units == 0) return String();
        std::vector<Char> out(units);
        for (size_t i = 0; i < units; ++i) out[i] = static_cast<Char>((p[2 + 2 * i] << 8) | p[3 + 2 * i]);
        return String(out.data(), static_cast<int>(units));
    }
    if (n >= 2 && p[0] == 0xff && p[1] == 0xfe) {
        size_t units = (n - 2) / 2;
        if (units == 0) return String();
        std::vector<Char> out(units);
        for (size_t i = 0; i < units; ++i) out[i] = static_cast<Char>(p[2 + 2 * i] | (p[3 + 2 * i] << 8));
        return String(out.data(), static_cast<int>(units));
    }
    if (n > 2 && p[0] == 0xef && p[1] == 0xbb && p[2] == 0xbf) {
        p += 3;
        n -= 3;
    }
    // Never more units than bytes: decode into a buffer of that size, then copy once.
    std::vector<Char> out(n);
    size_t k = 0;
    for (size_t i = 0; i < n;) {
        unsigned c = p[i];
        if (c < 0x80) {
            out[k++] = static_cast<Char>(c);
            i += 1;
        } else if ((c & 0xe0) == 0xc0 && i + 1 < n && (p[i + 1] & 0xc0) == 0x80) {
            out[k++] = static_cast<Char>(((c & 0x1f) << 6) | (p[i + 1] & 0x3f));
            i += 2;
        } else if ((c & 0xf0) == 0xe0 && i + 2 < n && (p[i + 1] & 0xc0) == 0x80 &&
                   (p[i + 2] & 0xc0) == 0x80) {
            out[k++] = static_cast<Char>(((c & 0x0f) << 12) | ((p[i + 1] & 0x3f) << 6) | (p[i + 2] & 0x3f));
            i += 3;
        } else {
            // Not UTF-8: every byte (after any mark) is one unit, as in Latin-1.
            for (size_t j = 0; j < n; ++j) out[j] = p[j];
            k = n;
            break;
        }
    }
    if (k == 0) return String();
    return String(out.data(), static_cast<int>(k));
}

String String::FromUtf8(const char* bytes, size_t count) {
    return decode_text(reinterpret_cast<const unsigned char*>(bytes), count);
}

std::vector<unsigned char> vx_read_rest(FILE* file) {
    std::vector<unsigned char> bytes;
    unsigned char block[4096];
    for (;;) {
        size_t n = std::fread(block, 1, sizeof block, file);
        bytes.insert(bytes.end(), block, block + n);
        if (n < sizeof block) break;
    }
    return bytes;
}

String String::Load(FILE* file) {
    std::vector<unsigned char> buf = vx_read_rest(file);
    if (buf.empty()) return String();
    return decode_text(buf.data(), buf.size());
}

std::string vx_utf8_encode(const Char* units, int count) {
    std::string out;
    out.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        unsigned u = units[i];
        if (u <= 0x7f) {
            out.push_back(static_cast<char>(u));
        } else if (u <= 0x7ff) {
            out.push_back(static_cast<char>(0xc0 | (u >> 6)));
            out.push_back(static_cast<char>(0x80 | (u & 0x3f)));
        } else {
            out.push_back(static_cast<char>(0xe0 | (u >> 12)));
            out.push_back(static_cast<char>(0x80 | ((u >> 6) & 0x3f)));
            out.push_back(static_cast<char>(0x80 | (u & 0x3f)));
        }
    }
    return out;
}

std::string String::ToUtf8() const {
    return vx_utf8_encode(Data(), Length());
}

String::CString::CString(const String& s) {
    int n = s.Length();
    bytes_ = static_cast<char*>(std::malloc(sizeof(int) + static_cast<size_t>(n) + 1));
    if (!bytes_) std::abort();
    *reinterpret_cast<int*>(bytes_) = 1;
    char* p = bytes_ + sizeof(int);
    for (int i = 0; i < n; ++i) p[i] = static_cast<char>(s[i] & 0xff);
    p[n] = 0;
}

String::CString::CString(const CString& other) : bytes_(other.bytes_) {
    ++*reinterpret_cast<int*>(bytes_);
}

String::CString& String::CString::operator=(const CString& other) {
    ++*reinterpret_cast<int*>(other.bytes_);
    Release();
    bytes_ = other.bytes_;
    return *this;
}

String::CString::~CString() {
    Release();
}

void String::CString::Release() {
    if (--*reinterpret_cast<int*>(bytes_) == 0) std::free(bytes_);
}
