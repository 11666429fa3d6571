// The options box of the title screen.
#include "game/myapp.h"

int c_MyApp::p_OptionBox() {
    return 0;
}
