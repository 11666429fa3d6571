// A name table over the game's state: every field of c_MyApp and every number-valued module global
// of the game and the framework, found by its name. Used by the scenario runner to dump state.
#pragma once

#include <string>
#include <vector>

class c_MyApp;

struct GameField {
    enum Type { Int, Float, Str, IntArray, FloatArray, BoolArray, ImageArray, SoundArray };
    Type type;
    void* ptr;  // int*, float*, String*, Array<int>*, Array<float>*, Array<bool>*, Array<c_Image*>*,
                // Array<c_Sound*>*
};

// Finds a field of the app ("f_mode", "f_baddies", ...) or a module global ("vx_random_Seed",
// "vx_Zarnok_jscrw", "vx_app__updateRate", ...) by its name. False for an unknown name.
bool zarnok_find_field(c_MyApp* app, const std::string& name, GameField* out);

// Every name zarnok_find_field knows, fields of the app first, in declaration order.
std::vector<std::string> zarnok_field_names();

// A digest (32-bit FNV-1a) of every value in the name table but the loaded images and sounds: two
// runs that reach the same game have the same digest.
unsigned zarnok_state_digest(c_MyApp* app);
