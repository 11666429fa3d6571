// The scenario runner's script reader, and with FUZZ_RECORDING the recorded-game reader: any text
// is read or refused with a message naming a line, every event it accepts is one the runner can
// deliver, a recording's header is whole, and a state line's text reads back to what it encodes.
#include <cmath>
#include <string>
#include <vector>

#include "fuzz/fuzz_util.h"
#include "host/script.h"

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
#ifdef FUZZ_RECORDING
    std::u16string state;
    if (sim_decode_state(text, &state)) {
        std::u16string again;
        FUZZ_CHECK(sim_decode_state(sim_encode_state(state), &again) && again == state);
    }
    SimRecording recording;
    SimRecording* header = &recording;
#else
    SimRecording* header = nullptr;
#endif
    if (!sim_parse_script(text, &events, &error, KnownName, header)) {
        FUZZ_CHECK(error.rfind("line ", 0) == 0);
        return 0;
    }
    if (header && header->present) {
        FUZZ_CHECK(header->width > 0 && header->height > 0);
        for (int v : header->desktop) FUZZ_CHECK(v >= 0);
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
            case SimEvent::State: {
                std::u16string again;
                FUZZ_CHECK(sim_decode_state(sim_encode_state(e.text), &again) && again == e.text);
                break;
            }
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
