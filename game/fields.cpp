// The name table of the game's state.
#include "game/fields.h"

#include <cstring>
#include <type_traits>

#include "framework/app.h"
#include "framework/graphics.h"
#include "framework/random.h"
#include "game/myapp.h"

namespace {

template <class T>
constexpr GameField::Type TypeOf() {
    if constexpr (std::is_same_v<T, int>)
        return GameField::Int;
    else if constexpr (std::is_same_v<T, float>)
        return GameField::Float;
    else if constexpr (std::is_same_v<T, String>)
        return GameField::Str;
    else if constexpr (std::is_same_v<T, Array<int>>)
        return GameField::IntArray;
    else if constexpr (std::is_same_v<T, Array<float>>)
        return GameField::FloatArray;
    else if constexpr (std::is_same_v<T, Array<bool>>)
        return GameField::BoolArray;
    else if constexpr (std::is_same_v<T, Array<c_Image*>>)
        return GameField::ImageArray;
    else if constexpr (std::is_same_v<T, Array<c_Sound*>>)
        return GameField::SoundArray;
    else
        static_assert(!sizeof(T), "field type without a GameField kind");
}

struct Entry {
    const char* name;
    GameField::Type type;
    void* (*locate)(c_MyApp* app);
};

#define APP_FIELD(f)                                                                         \
    Entry {                                                                                  \
#f, TypeOf < decltype(c_MyApp::f)>(), [](c_MyApp * app) -> void* { return &app->f; } \
    }
#define GLOBAL(g)                                                                             \
    Entry {                                                                                   \
#g, TypeOf < std::remove_cv_t < decltype(g)>>(), [](c_MyApp*) -> void* { return &g; } \
    }

const Entry kEntries[] = {
    // Display and timing
    APP_FIELD(f_fullscreen),
    APP_FIELD(f_jingleDone),
    APP_FIELD(f_starCount),
    APP_FIELD(f_stars),
    APP_FIELD(f_mode),
    APP_FIELD(f_devW),
    APP_FIELD(f_devH),
    APP_FIELD(f_clsR),
    APP_FIELD(f_clsG),
    APP_FIELD(f_clsB),
    APP_FIELD(f_clsA),
    APP_FIELD(f_hdLevel),
    APP_FIELD(f_imgScale),
    APP_FIELD(f_images),
    APP_FIELD(f_fontMetrics),
    APP_FIELD(f_font),
    APP_FIELD(f_loadStep),
    APP_FIELD(f_difficulty),
    APP_FIELD(f_menuSlide),
    APP_FIELD(f_paused),
    APP_FIELD(f_pauseDir),
    APP_FIELD(f_pauseY),
    APP_FIELD(f_i),
    APP_FIELD(f_flagBits),
    APP_FIELD(f_controls),
    APP_FIELD(f_options),
    APP_FIELD(f_scores),
    APP_FIELD(f_sfxMap),
    APP_FIELD(f_renderMs),
    APP_FIELD(f_renderFps),
    APP_FIELD(f_renderFpsAvg),
    APP_FIELD(f_scaleX),
    APP_FIELD(f_scaleY),
    APP_FIELD(f_landscape),
    APP_FIELD(f_drawCount),
    APP_FIELD(f_drawList),
    APP_FIELD(f_lastChar),
    APP_FIELD(f_showInfo),
    APP_FIELD(f_controlStyle),
    APP_FIELD(f_musicOn),
    APP_FIELD(f_updateMs),
    APP_FIELD(f_updateFps),
    APP_FIELD(f_updateFpsAvg),
    APP_FIELD(f_spinAngle),
    // Pointer and latches
    APP_FIELD(f_ptrX),
    APP_FIELD(f_ptrOldX),
    APP_FIELD(f_ptrY),
    APP_FIELD(f_ptrOldY),
    APP_FIELD(f_mouseWasDown),
    APP_FIELD(f_pointerDown),
    APP_FIELD(f_touchDown),
    APP_FIELD(f_touchVX),
    APP_FIELD(f_touchVY),
    APP_FIELD(f_pointerLatch),
    APP_FIELD(f_keyLatch),
    APP_FIELD(f_creditsOpen),
    APP_FIELD(f_optionsOpen),
    // Drawing state
    APP_FIELD(f_sizeX),
    APP_FIELD(f_sizeY),
    APP_FIELD(f_rot),
    APP_FIELD(f_colR),
    APP_FIELD(f_colG),
    APP_FIELD(f_colB),
    APP_FIELD(f_alpha),
    APP_FIELD(f_blend),
    // Control input
    APP_FIELD(f_buttonHit),
    APP_FIELD(f_moveX),
    APP_FIELD(f_moveY),
    APP_FIELD(f_anchorX),
    APP_FIELD(f_anchorY),
    APP_FIELD(f_velX),
    APP_FIELD(f_velY),
    APP_FIELD(f_playerPad),
    // Assets, gameplay and box animation
    APP_FIELD(f_sounds),
    APP_FIELD(f_sfxChannel),
    APP_FIELD(f_players),
    APP_FIELD(f_baddies),
    APP_FIELD(f_particleMax),
    APP_FIELD(f_particles),
    APP_FIELD(f_shots),
    APP_FIELD(f_waveData),
    APP_FIELD(f_levelText),
    APP_FIELD(f_bonusText),
    APP_FIELD(f_gameOverTimer),
    APP_FIELD(f_creditsSlide),
    APP_FIELD(f_optionsSlide),
    // Playing screen
    APP_FIELD(f_score),
    APP_FIELD(f_shownScore),
    APP_FIELD(f_lives),
    APP_FIELD(f_level),
    APP_FIELD(f_levelTextTime),
    APP_FIELD(f_bonusTextTime),
    APP_FIELD(f_bonusGiven),
    APP_FIELD(f_gameOverFrames),
    APP_FIELD(f_filedPlace),
    APP_FIELD(f_tutorialTime),
    APP_FIELD(f_hurt),
    APP_FIELD(f_speed),
    APP_FIELD(f_targetSpeed),
    APP_FIELD(f_allArrived),
    APP_FIELD(f_badCount),
    APP_FIELD(f_liveBadCount),
    APP_FIELD(f_fireDelay),
    APP_FIELD(f_fireInterval),
    // Title menu, options, pause and credits
    APP_FIELD(f_panelW),
    APP_FIELD(f_menuSel),
    APP_FIELD(f_cogAngle),
    APP_FIELD(f_scroll),
    APP_FIELD(f_scrollTarget),
    APP_FIELD(f_fling),
    APP_FIELD(f_menuDrag),
    APP_FIELD(f_menuPicked),
    APP_FIELD(f_optionSel),
    APP_FIELD(f_optKeyLatch),
    APP_FIELD(f_optPtrLatch),
    APP_FIELD(f_pauseSel),
    APP_FIELD(f_creditsScroll),
    APP_FIELD(f_creditsLine),

    // Module globals of the game
    GLOBAL(vx_Zarnok_overscan),
    GLOBAL(vx_Zarnok_jscrw),
    GLOBAL(vx_Zarnok_jscrh),
    GLOBAL(vx_Zarnok_DebugMode),
    GLOBAL(vx_Zarnok_rawscrw),
    GLOBAL(vx_Zarnok_rawscrh),
    GLOBAL(vx_Zarnok_iCadeControls),
    GLOBAL(vx_Zarnok_HasMusicStream),
    GLOBAL(vx_Zarnok_OnScreenControls),
    GLOBAL(vx_Zarnok_AccelerometerControls),
    // Number-valued module globals of the framework
    GLOBAL(vx_random_Seed),
    GLOBAL(vx_app__devWidth),
    GLOBAL(vx_app__devHeight),
    GLOBAL(vx_app__updateRate),
    Entry{"c_Image::m_DefaultFlags", GameField::Int,
          [](c_MyApp*) -> void* { return &c_Image::m_DefaultFlags; }},
};

#undef APP_FIELD
#undef GLOBAL

}  // namespace

bool zarnok_find_field(c_MyApp* app, const std::string& name, GameField* out) {
    for (const Entry& e : kEntries) {
        if (name == e.name) {
            // Fields of the app need the app; module globals do not.
            if (app == nullptr && std::strncmp(e.name, "f_", 2) == 0) return false;
            out->type = e.type;
            out->ptr = e.locate(app);
            return true;
        }
    }
    return false;
}

std::vector<std::string> zarnok_field_names() {
    std::vector<std::string> names;
    for (const Entry& e : kEntries) names.emplace_back(e.name);
    return names;
}

namespace {

void Mix(unsigned* h, const void* data, size_t size) {
    const unsigned char* p = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < size; ++i) *h = (*h ^ p[i]) * 16777619u;
}

template <class T>
void MixArray(unsigned* h, void* field) {
    const Array<T>& a = *static_cast<Array<T>*>(field);
    const int n = a.Length();
    Mix(h, &n, sizeof n);
    if (n > 0) Mix(h, a.Data(), sizeof(T) * n);
}

}  // namespace

unsigned zarnok_state_digest(c_MyApp* app) {
    unsigned h = 2166136261u;
    for (const Entry& e : kEntries) {
        if (app == nullptr && std::strncmp(e.name, "f_", 2) == 0) continue;
        void* field = e.locate(app);
        switch (e.type) {
            case GameField::Int:
                Mix(&h, field, sizeof(int));
                break;
            case GameField::Float:
                Mix(&h, field, sizeof(float));
                break;
            case GameField::Str: {
                const String& s = *static_cast<String*>(field);
                Mix(&h, s.Data(), sizeof(Char) * s.Length());
                break;
            }
            case GameField::IntArray:
                MixArray<int>(&h, field);
                break;
            case GameField::FloatArray:
                MixArray<float>(&h, field);
                break;
            case GameField::BoolArray:
                MixArray<bool>(&h, field);
                break;
            case GameField::ImageArray:
            case GameField::SoundArray:
                break;  // what loaded depends on the machine (a sound device), not on the game
        }
    }
    return h;
}
