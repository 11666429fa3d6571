// Seeded random input for the scenario runner: keys held for a while, typed characters, mouse
// drags (the touch path), joysticks plugged, moved and unplugged, suspend and resume, resizes and
// the full-screen key, as a script of the runner's own format, with a new game started every 5,000
// updates. The same seed gives the same script.
//
// Memory is read at checkpoints, since what the game holds depends on the window size and the
// screen: every kSoakCheckEvery updates from kSoakFirstCheck on, the last kSoakQuiet updates before
// the checkpoint bring no random input, only a 320 x 240 window, a new game of difficulty 1, and
// the full-screen key twice (a new GL context).
//
// The controls that end the program (F4, the close and back keys, the back buttons of a joystick
// and the cabinet's back letters) are never sent, so that one run lasts all its updates.
#pragma once

#include <cstdint>
#include <string>

constexpr int kSoakFirstCheck = 20000, kSoakCheckEvery = 50000, kSoakQuiet = 6000;

// Whether `pass` is a checkpoint.
inline bool soak_checkpoint(int pass) {
    return pass >= kSoakFirstCheck && (pass - kSoakFirstCheck) % kSoakCheckEvery == 0;
}

std::string soak_script(uint64_t seed, int updates);
