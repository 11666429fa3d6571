#include "host/vxgame.h"

#ifdef __EMSCRIPTEN__
#include <emscripten/emscripten.h>

#include <cmath>

#include "framework/app.h"
#include "game/fields.h"
#include "game/myapp.h"

// The page's view of the game: the value of a number field of the game or a module global by the
// scenario runner's name ("f_mode", "vx_random_Seed", ...); NaN for an unknown name or one that
// holds no single number. The browser test reads the game's state through it.
extern "C" EMSCRIPTEN_KEEPALIVE double zarnok_field(const char* name) {
    GameField field;
    c_MyApp* app = dynamic_cast<c_MyApp*>(vx_app__app);
    if (!app || !zarnok_find_field(app, name, &field)) return NAN;
    if (field.type == GameField::Int) return *static_cast<int*>(field.ptr);
    if (field.type == GameField::Float) return *static_cast<float*>(field.ptr);
    return NAN;
}
#endif

int main(int argc, char** argv) {
    return VxZorbinGame::Main(argc, argv);
}
