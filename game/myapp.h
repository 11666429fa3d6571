// c_MyApp: the game. One collected object, derived from the framework's application class, that
// holds every piece of game state in its own fields and implements the application hooks.
//
// Every screen runs inside p_OnUpdate and records its picture as a list of draw commands in a
// virtual screen of vx_Zarnok_jscrw x vx_Zarnok_jscrh pixels; p_OnRender only clears the window and
// replays that list scaled to the device.
#pragma once

#include <initializer_list>

#include "framework/app.h"
#include "framework/audio.h"
#include "framework/graphics.h"
#include "runtime/runtime.h"

// ---- Module globals of the game (start values assigned by vxInit) ----
extern float vx_Zarnok_overscan;  // device pixels kept free left and right (top/bottom in proportion)
extern float vx_Zarnok_jscrw;     // current virtual screen size, rewritten by every render
extern float vx_Zarnok_jscrh;
extern int vx_Zarnok_DebugMode;  // 1 shows the rate/scale line (F1)
extern float vx_Zarnok_rawscrw;  // design size of the virtual screen
extern float vx_Zarnok_rawscrh;
extern int vx_Zarnok_iCadeControls;          // 1 while the arcade-cabinet letter protocol is active
extern int vx_Zarnok_HasMusicStream;         // 1: music pauses and resumes with the game
extern Array<String> vx_Zarnok_CreditText;   // the credits roll, 50 lines
extern int vx_Zarnok_OnScreenControls;       // configuration switch, always 0
extern int vx_Zarnok_AccelerometerControls;  // configuration switch, always 0

// The 50 lines of the credits roll, built from literals (vxInit stores them in vx_Zarnok_CreditText).
Array<String> vx_Zarnok_BuildCreditText();

// Sentinel of the drawing vocabulary: an omitted optional argument, and the rectangle kind of a
// draw command; kOvalKind is the oval kind.
constexpr int kOmitted = -3717;
constexpr int kRectKind = -3717;
constexpr int kOvalKind = -3716;
constexpr int kTouchUp = -3717;

// Draw list geometry: 15 floats per command, appended while the count is at most kDrawLimit.
constexpr int kDrawStride = 15;
constexpr int kDrawListFloats = 37500;
constexpr int kDrawLimit = 37484;

class c_MyApp : public c_App {
  public:
    c_MyApp();
    c_MyApp* m_new();
    void mark() override;

    // ---- Application hooks (app.cpp) ----
    int p_OnCreate() override;
    int p_OnUpdate() override;
    int p_OnRender() override;
    int p_OnSuspend() override;
    int p_OnResume() override;
    int p_FullscreenFlip();
    // Pieces of p_OnUpdate and p_OnRender, public so that tests can drive them one by one.
    int p_UpdatePointer();
    int p_UpdateLatches();
    int p_ReadCabinet();
    int p_ApplyCabinetLetter(int ch);
    int p_ComputeScale(int devW, int devH);
    int p_Replay();

    // ---- Drawing and text (draw.cpp) ----
    int p_CLS2D(float r = kOmitted, float g = kOmitted, float b = kOmitted, float a = kOmitted);
    int p_ResetDraw();
    int p_SetSize(float x, float y = kOmitted);
    int p_Alpha(float a);
    int p_SetRot(float r);
    int p_SetCol(float r, float g, float b, float a = kOmitted);
    int p_Blend(int b);
    int p_Ink(int colour, int brightness);
    int p_DrawImg(int slot, float x, float y, float frame);
    int p_Rect(float x, float y, float w, float h);
    int p_Oval(float x, float y, float rx, float ry);
    int p_Text(float x, float y, const String& text, float xalign, float yalign);
    int p_TextWidth(const String& text);
    String p_rstr(int value, int n, const String& pad);

    // ---- Asset loading and the loading screen (loader.cpp) ----
    int p_SetHdLevel();
    int p_LoadImg(int slot, const String& name, int w, int h, int frames, int flags);
    int p_LoadFont(int slot, const String& name, int w, int h);
    int p_Reload();
    int p_Loader();
    int p_WaitStart(int kind);

    // ---- Controls (controls.cpp) ----
    int p_PlayKey(int control, int mode, int player);
    int p_PlayKeyAll(int control, int mode);
    int p_Button(int slot, float x, float y, float frame);
    int p_Touch(float x, float y, float w, float h);
    int p_MouseIn_Centered(float x, float y, float w, float h);
    int p_AnalogueControl();
    int p_iCade(int on);

    // ---- Sound effects and music (sound.cpp) ----
    int p_LoadSFX(int n);
    int p_PlaySFX(int n, float rate, float volume = 1.0f, float pan = 0.0f);
    int p_PlayTune(const String& name, int loop);
    int p_StopTune();

    // ---- Saved settings, badges and highscores (saving.cpp) ----
    String p_SaveString();
    int p_Save();
    int p_Load();
    int p_LoadString(const String& state);

    // ---- Screens built on the shell ----
    int p_Menu();          // menu.cpp: the title menu
    int p_LoadMenu();      // gameplay.cpp: files a finished game, back to the title
    int p_LoadGame();      // gameplay.cpp: prepares a new game
    int p_Game();          // gameplay.cpp: one update of the playing screen
    int p_InGame();        // gameplay.cpp: pause entry and icon
    int p_GameOver();      // gameplay.cpp: the game-over overlay
    int p_OptionBox();     // options.cpp
    int p_PauseMenu();     // pause.cpp
    int p_CreditBox();     // credits.cpp
    int p_ResetPlayers();  // gameplay.cpp: clears the ship, enemy and shot records
    String p_Nth(int n);   // gameplay.cpp: "1st" ... "10th"
    String p_MyNth();      // gameplay.cpp: the running score's place; the number in f_i
    int p_LoseLife(int wreck, float x, float y);  // gameplay.cpp: a hit on the ship

    // ---- Title menu, options, pause and credits (menu.cpp, options.cpp, pause.cpp) ----
    int p_TouchInBox(float x, float y, float hw, float hh);  // a touch strictly inside a centred box
    int p_DrawCog(float x, float y, float spin1, float spin2, float spin3);
    String p_ScoreList(const String& heading, const String& single, int first, int n);
    int p_PickIcon(int i);
    int p_OpenOptions();
    int p_AnyControl(std::initializer_list<int> controls);  // 1 when one is active for a player 0-3
    String p_SoundLabel();
    int p_CycleSound();
    int p_CloseOptions();
    int p_Resume();
    int p_QuitGame();
    int p_PauseRing(float x, float y);

    // ---- Enemies and waves (enemies.cpp) ----
    int p_LaunchBaddies();
    int p_AddBad(int c, int r, int kind, int hp);
    int p_DoBaddies();  // step of every enemy record: fly in, sway, fire, get hit, fall, draw

    // ---- Particles and the starfield (particles.cpp) ----
    int p_ThrowParticle(float x, float y, int kind, int colour, float angle, float speed);
    int p_FreeParticle();
    int p_ResetParticles(int n);
    int p_DoParticles();
    int p_ResetStars(int count);
    int p_DoStars(float dx, float dy);
    int p_Rand(float low, float high);

    // ======== Fields ========

    // ---- Display and timing ----
    int f_fullscreen = 0;        // 1 while the window is fullscreen
    int f_jingleDone = 0;        // 1 once the logo jingle has played
    int f_starCount = 100;       // number of stars
    Array<float> f_stars;        // [5100] starfield records, 10 floats each
    int f_mode = 0;              // 1 title, 2 back to title, 10 playing, 11 preparing a game
    int f_devW = 0, f_devH = 0;  // device size seen by the last render
    float f_clsR = 0, f_clsG = 0, f_clsB = 0, f_clsA = 0;  // window clear colour and alpha
    int f_hdLevel = 0;                                     // image resolution level 1, 2 or 4
    float f_imgScale = 0;                                  // 1 / f_hdLevel, applied to every image at replay
    Array<c_Image*> f_images;                              // [100] image slots
    Array<int> f_fontMetrics;  // [300] per slot s: 3s width, 3s+1 height, 3s+2 frame count
    int f_font = 0;            // image slot of the current font
    int f_loadStep = 0;        // loader step, 0 when not loading
    int f_difficulty = 0;      // 1 to 3
    int f_menuSlide = 0;       // title-menu intro counter, -32 .. 0
    int f_paused = 0;          // 1 while the game is paused
    int f_pauseDir = 0;        // pause panel moving in (1) or out (-1)
    int f_pauseY = 0;          // pause panel position
    int f_i = 0;               // loop index shared by many methods
    Array<bool> f_flagBits;    // [256] saved badge flags
    Array<int> f_controls;     // [20] virtual controls: 0 up, 3 left, 5 right, 8 down, 10-17 buttons, 19 back
    Array<int> f_options;      // [25] option values (5: sound)
    Array<int> f_scores;       // [150] highscore tables
    Array<int> f_sfxMap;       // [33] sound channel remap
    int f_renderMs = 0, f_renderFps = 0, f_renderFpsAvg = 0;  // render-rate measurement
    float f_scaleX = 0, f_scaleY = 0;                         // virtual-to-device scale
    int f_landscape = 0;      // 1 when the virtual height does not exceed the virtual width
    int f_drawCount = 0;      // floats in use in f_drawList
    Array<float> f_drawList;  // [37500] recorded draw commands
    int f_lastChar = 0;       // last character taken by the cabinet decoder
    int f_showInfo = 0;       // toggled by F2
    int f_controlStyle = 0;   // 0 keyboard/pad, 2 touch; non-zero selects the pad glyphs
    int f_musicOn = 0;        // 1 while a tune plays
    int f_updateMs = 0, f_updateFps = 0, f_updateFpsAvg = 0;  // update-rate measurement
    int f_spinAngle = 0;                                      // loading-screen spinner angle in degrees

    // ---- Pointer and latches ----
    int f_ptrX = 0, f_ptrOldX = 0;  // pointer in virtual pixels, now and at the previous update
    int f_ptrY = 0, f_ptrOldY = 0;
    int f_mouseWasDown = 0;                    // left button down at the previous update
    int f_pointerDown = 0;                     // left button or any touch down now
    Array<int> f_touchDown;                    // [10] touch i down
    Array<int> f_touchVX;                      // [10] touch i in virtual pixels, -3717 when up
    Array<int> f_touchVY;                      // [10]
    int f_pointerLatch = 0;                    // a pointer press has been consumed
    int f_keyLatch = 0;                        // a control press has been consumed
    int f_creditsOpen = 0, f_optionsOpen = 0;  // the two boxes of the title screen

    // ---- Drawing state ----
    float f_sizeX = 0, f_sizeY = 0;            // scale of images and text
    float f_rot = 0;                           // rotation in degrees (stored negated by p_SetRot)
    float f_colR = 0, f_colG = 0, f_colB = 0;  // colour 0-255
    float f_alpha = 0;                         // alpha 0-1
    int f_blend = 0;                           // 1 normal, 3 additive

    // ---- Control input ----
    int f_buttonHit = 0;                // result of the last p_Button
    float f_moveX = 0, f_moveY = 0;     // analogue steering, -1 .. 1
    int f_anchorX = -1, f_anchorY = 0;  // touch-drag stick anchor; f_anchorX -1 when none
    float f_velX = 0, f_velY = 0;       // keyboard inertia, -1 .. 1
    int f_playerPad = 0;                // joystick unit read for analogue steering

    // ---- Assets, gameplay and box animation ----
    Array<c_Sound*> f_sounds;                    // [100] sound slots
    int f_sfxChannel = 0;                        // last effect channel position, 0 .. 23
    Array<float> f_players;                      // [512] ship and formation values
    Array<float> f_baddies;                      // [2560] enemy records
    int f_particleMax = 250;                     // particle records in use
    Array<float> f_particles;                    // [5100] particle records
    Array<float> f_shots;                        // [1024] shot records
    Array<int> f_waveData;                       // [256] wave table
    String f_levelText;                          // level caption
    String f_bonusText;                          // life-bonus caption
    int f_gameOverTimer = 0;                     // positive while the game-over sequence runs
    int f_creditsSlide = 0, f_optionsSlide = 0;  // box slide positions 0-30

    // ---- Playing screen ----
    int f_score = 0, f_shownScore = 0, f_lives = 0, f_level = 0;
    float f_levelTextTime = 0, f_bonusTextTime = 0;
    int f_bonusGiven = 0;
    int f_gameOverFrames = 0;
    int f_filedPlace = 0;  // top-ten place (1 .. 10) the last finished game was filed at; 0 none
    int f_tutorialTime = 0;
    float f_hurt = 0;
    float f_speed = 0, f_targetSpeed = 0;
    int f_allArrived = 0, f_badCount = 0, f_liveBadCount = 0;
    float f_fireDelay = 0;
    int f_fireInterval = 0;

    // ---- Title menu ----
    float f_panelW = 0;
    int f_menuSel = 0;
    float f_cogAngle = 0;
    float f_scroll = 0, f_scrollTarget = 0;
    float f_fling = 0, f_menuDrag = 0;
    int f_menuPicked = 0;

    // ---- Options, pause and credits boxes ----
    int f_optionSel = 0, f_optKeyLatch = 0, f_optPtrLatch = 0;
    int f_pauseSel = 0;
    float f_creditsScroll = 0;
    int f_creditsLine = 0;
};

// Degree-based sine and cosine that are exact at multiples of 90 degrees, so unrotated text and
// spinners land on whole pixels.
float vx_Zarnok_SinDeg(float degrees);
float vx_Zarnok_CosDeg(float degrees);
// Float to int with truncation toward zero; NaN gives 0 and out-of-range values saturate.
int vx_Zarnok_Trunc(float value);
