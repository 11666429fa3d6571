// The credits box, drawn as a television test card with the scrolling credit lines.
#include "game/myapp.h"

int c_MyApp::p_CreditBox() {
    return 0;
}
