// Sound file decoders behind VxGlfwGame::LoadAudioData. Each takes an open file (left open) and
// returns the whole decoded sound in a malloc'ed block, or null: `length` in sample frames,
// `channels`, `format` in bytes per sample (1 unsigned 8-bit, 2 signed 16-bit), `hertz` the rate.
#pragma once

#include <cstdio>

// RIFF/WAVE with PCM samples. Every size is checked against the file: a file that claims more
// than it holds, or whose format chunk gives zero channels or zero bits, gives null.
unsigned char* LoadWAV(FILE* file, int* length, int* channels, int* format, int* hertz);

// Ogg Vorbis, decoded completely to interleaved signed 16-bit samples.
unsigned char* LoadOGG(FILE* file, int* length, int* channels, int* format, int* hertz);
