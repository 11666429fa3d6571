// Logical data paths. The game names its assets plainly ("player.png"); the loaders turn such names
// into "zorbin://data/..." paths, which the host maps to "./data/..." when it opens them.
#pragma once

#include "runtime/runtime.h"

// A name the game gives, as a logical path: names that already carry a scheme or drive prefix
// ("zorbin://...", "c:/...") or start with "./" or "/" stay as they are; any other name is placed
// under "zorbin://data/".
String vx_data_FixDataPath(const String& path);

// The name of the state file, in the working directory.
extern const char* const kVxStateFile;
