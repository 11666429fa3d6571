// The pause menu of the playing screen.
#include "game/myapp.h"

int c_MyApp::p_PauseMenu() {
    return 0;
}
