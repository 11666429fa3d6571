// The scenario runner's script reader: any text is read or refused with a message naming a line,
// and every event it accepts is one the runner can deliver.
#include <cmath>
#include <string>
#include <vector>

#include "fuzz/fuzz_util.h"
#include "game/sim/script.h"

namespace {

// Stands in for the game's field table: names starting with "f_" are floats, other names starting
// with "f" ints, the rest unknown.
int KnownName(const std::string& name) {
    if (name.rfind("f_", 0) == 0) return 2;
    return name.rfind("f", 0) == 0 ? 1 : 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<SimEvent> events;
    std::string error;
    if (!sim_parse_script(text, &events, &error, KnownName)) {
        FUZZ_CHECK(error.rfind("line ", 0) == 0);
        return 0;
    }
    int last = 0;
    for (const SimEvent& e : events) {
        FUZZ_CHECK(e.pass >= last);
        last = e.pass;
        switch (e.kind) {
            case SimEvent::JoyAxis:
                FUZZ_CHECK(e.a >= 0 && e.a <= 3 && e.index >= 0 && e.index <= 5);
                break;
            case SimEvent::JoyButton:
                FUZZ_CHECK(e.a >= 0 && e.a <= 3 && e.index >= 0 && e.index <= 31);
                FUZZ_CHECK(e.b == 0 || e.b == 1);
                break;
            case SimEvent::JoyUnplug:
                FUZZ_CHECK(e.a >= 0 && e.a <= 3);
                break;
            case SimEvent::Resize:
                FUZZ_CHECK(e.a > 0 && e.b > 0);
                break;
            case SimEvent::Set:
                FUZZ_CHECK(KnownName(e.name) != 0 && std::isfinite(e.x));
                if (KnownName(e.name) == 1) FUZZ_CHECK(e.x == static_cast<float>(e.a));
                break;
            default:
                break;
        }
    }
    return 0;
}
