// The recorded-game reader: the script reader with a recording's header and its own lines.
#define FUZZ_RECORDING 1
#include "fuzz/script.cpp"
