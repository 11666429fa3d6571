// The state-string reader of the game (p_LoadString) with arbitrary text: it never fails, whatever
// it read saves to a string that reads back to the same state, and sections read as valid keep
// their values.
#include "framework/app.h"
#include "fuzz/fuzz_util.h"
#include "game/myapp.h"

namespace {

c_MyApp* g_app = nullptr;

void Setup() {
    gc_init1();
    gc_add_root(g_app);
    gc_init2();
    // The reader prints a status line for every section; the fuzzer's output stays readable.
    if (!std::freopen("/dev/null", "w", stdout)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool ready = (Setup(), true);
    (void)ready;
    gc_assign(g_app, new c_MyApp());
    g_app->p_LoadString(String::FromUtf8(reinterpret_cast<const char*>(data), size));

    const String saved = g_app->p_SaveString();
    c_MyApp* other = new c_MyApp();
    other->p_LoadString(saved);
    FUZZ_CHECK(other->p_SaveString() == saved);
    for (int i = 0; i < 60; ++i) FUZZ_CHECK(other->f_scores[i] == g_app->f_scores[i]);
    for (int i = 0; i < 256; ++i) FUZZ_CHECK(other->f_flagBits[i] == g_app->f_flagBits[i]);

    // The host collects after every call into the game; so does this loop.
    gc_ext_malloced(kGcFullCollectionBytes + 1);
    gc_collect();
    return 0;
}
