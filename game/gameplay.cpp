// The playing screen: starting a game, one update of play, the pause entry, the game-over sequence
// and filing the result in the highscore tables.
#include "game/myapp.h"

int c_MyApp::p_LoadGame() {
    return 0;
}
int c_MyApp::p_LoadMenu() {
    return 0;
}
int c_MyApp::p_Game() {
    return 0;
}
int c_MyApp::p_InGame() {
    return 0;
}
int c_MyApp::p_GameOver() {
    return 0;
}
int c_MyApp::p_ResetPlayers() {
    return 0;
}
String c_MyApp::p_Nth(int) {
    return String();
}
String c_MyApp::p_MyNth() {
    return String();
}
int c_MyApp::p_LoseLife(int, float, float) {
    return 0;
}
