// Enemies and waves: generating a wave, and the step of every enemy record in formation or falling
// as a wreck.
#include "game/myapp.h"

int c_MyApp::p_LaunchBaddies() {
    return 0;
}
int c_MyApp::p_AddBad(int, int, int, int) {
    return 0;
}
int c_MyApp::p_DoBaddies() {
    return 0;
}
