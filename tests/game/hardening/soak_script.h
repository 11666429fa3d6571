// Seeded random input for the scenario runner: keys held for a while, typed characters, mouse
// drags (the touch path), joysticks plugged, moved and unplugged, suspend and resume, resizes and
// the full-screen key, as a script of the runner's own format, with a new game started every 5,000
// updates. The same seed gives the same script.
//
// The controls that end the program (F4, the close and back keys, the back buttons of a joystick
// and the cabinet's back letters) are never sent, so that one run lasts all its updates.
#pragma once

#include <cstdint>
#include <string>

std::string soak_script(uint64_t seed, int updates);
