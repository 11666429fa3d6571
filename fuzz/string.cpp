// String::Load and the UTF-8 decoder: any bytes give a string of at most one unit per byte, the
// file and memory paths agree, and encoding the units gives them back.
#include <cstring>

#include "fuzz/fuzz_util.h"
#include "runtime/vxstring.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FILE* file = fuzz_open(data, size);
    FUZZ_CHECK(file != nullptr);
    const String loaded = String::Load(file);
    std::fclose(file);

    const String decoded = String::FromUtf8(reinterpret_cast<const char*>(data), size);
    FUZZ_CHECK(loaded == decoded);
    FUZZ_CHECK(static_cast<size_t>(loaded.Length()) <= size);
    if (loaded.Empty()) FUZZ_CHECK(loaded.SharedRep() == String::EmptyRep());

    // The encoder writes what the decoder reads back, except a leading U+FEFF, which reads as a mark.
    const std::string utf8 = loaded.ToUtf8();
    const String again = String::FromUtf8(utf8);
    if (loaded.Empty() || loaded[0] != 0xfeff) {
        FUZZ_CHECK(again == loaded);
    } else {
        FUZZ_CHECK(again == loaded.Slice(1));
    }
    return 0;
}
