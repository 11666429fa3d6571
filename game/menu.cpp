// The title menu with its score panel and the quit request.
#include "game/myapp.h"

// Placeholder until the title menu is built: a black picture with the game's logo.
int c_MyApp::p_Menu() {
    p_CLS2D(0.0f, 0.0f, 0.0f, 1.0f);
    p_DrawImg(98, vx_Zarnok_jscrw / 2.0f, vx_Zarnok_jscrh / 3.0f, 0.0f);
    return 0;
}
