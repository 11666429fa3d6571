// The game's module globals and the credits roll.
#include "game/myapp.h"

float vx_Zarnok_overscan = 0.0f;
float vx_Zarnok_jscrw = 640.0f;
float vx_Zarnok_jscrh = 480.0f;
int vx_Zarnok_DebugMode = 0;
float vx_Zarnok_rawscrw = 640.0f;
float vx_Zarnok_rawscrh = 480.0f;
int vx_Zarnok_iCadeControls = 0;
int vx_Zarnok_HasMusicStream = 1;
Array<String> vx_Zarnok_CreditText;  // the empty array until vxInit fills it
int vx_Zarnok_OnScreenControls = 0;
int vx_Zarnok_AccelerometerControls = 0;

Array<String> vx_Zarnok_BuildCreditText() {
    // Line by line: who made the game, the tools, graphics, audio, thanks; separators and the
    // closing line at their fixed places. The scroller never shows the last line.
    static const char* const kLines[50] = {
        "",                   // 0
        "Game design",        // 1
        "and code by",        // 2
        "The Zarnok Team",    // 3
        "",                   // 4
        "-=-=-",              // 5
        "",                   // 6
        "Made with the",      // 7
        "Zarnok framework",   // 8
        "in C++20",           // 9
        "",                   // 10
        "-=-=-",              // 11
        "",                   // 12
        "Graphics",           // 13
        "",                   // 14
        "Sprites drawn by",   // 15
        "Mira Okonkwo",       // 16
        "",                   // 17
        "Font editundo",      // 18
        "Testcard and logo",  // 19
        "also drawn by",      // 20
        "Mira Okonkwo",       // 21
        "",                   // 22
        "",                   // 23
        "-=-=-",              // 24
        "",                   // 25
        "Audio",              // 26
        "",                   // 27
        "Sound effects by",   // 28
        "Mira Okonkwo",       // 29
        "Music Evolved",      // 30
        "composed by",        // 31
        "Tomas Lindqvist",    // 32
        "Mixed live with",    // 33
        "OpenAL Soft",        // 34
        "and Ogg Vorbis",     // 35
        "",                   // 36
        "-=-=-",              // 37
        "",                   // 38
        "Thanks to",          // 39
        "Our playtesters",    // 40
        "The GLFW authors",   // 41
        "The Mesa team",      // 42
        "The stb libraries",  // 43
        "Debian developers",  // 44
        "Everyone who",       // 45
        "played Zarnok",      // 46
        "",                   // 47
        "-=-=-",              // 48
        "End",                // 49
    };
    Array<String> lines(50);
    for (int i = 0; i < 50; ++i) lines[i] = String(kLines[i]);
    return lines;
}
