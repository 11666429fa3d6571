#include "host/vxgame.h"

#ifdef __EMSCRIPTEN__
#include <emscripten/emscripten.h>

#include <cmath>

#include "framework/app.h"
#include "game/fields.h"
#include "game/myapp.h"

// The page's view of the game: a number field of the game or a module global by the scenario
// runner's name ("f_mode", "vx_random_Seed", ...), or element `index` of a number array
// ("f_scores"); NaN for an unknown name, an index outside the array or a field of another kind.
// The browser test reads the game's state through it.
extern "C" EMSCRIPTEN_KEEPALIVE double zarnok_field(const char* name, int index) {
    GameField field;
    c_MyApp* app = dynamic_cast<c_MyApp*>(vx_app__app);
    if (!app || !zarnok_find_field(app, name, &field)) return NAN;
    switch (field.type) {
        case GameField::Int:
            return *static_cast<int*>(field.ptr);
        case GameField::Float:
            return *static_cast<float*>(field.ptr);
        case GameField::IntArray: {
            const Array<int>& a = *static_cast<Array<int>*>(field.ptr);
            return index >= 0 && index < a.Length() ? a[index] : NAN;
        }
        case GameField::FloatArray: {
            const Array<float>& a = *static_cast<Array<float>*>(field.ptr);
            return index >= 0 && index < a.Length() ? a[index] : NAN;
        }
        default:
            return NAN;
    }
}
#endif

int main(int argc, char** argv) {
    return VxZorbinGame::Main(argc, argv);
}
