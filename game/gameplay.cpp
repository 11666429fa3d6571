// The playing screen: starting a game, one update of play, the pause entry, the game-over sequence
// and filing the result in the highscore tables.
//
// Everything that moves is scaled by the game-speed factor f_speed, so slow motion slows movement,
// firing and the hit timer alike; the captions, the hint countdown and the stars keep their pace.
#include <cmath>

#include "framework/audio.h"
#include "framework/random.h"
#include "game/myapp.h"

namespace {

// Ship and formation slots of f_players.
constexpr int kShipX = 1, kShipY = 2, kCooldown = 6, kEnergy = 10;
constexpr int kOriginX = 51, kOriginY = 52, kSway = 53, kSwayTarget = 54;

// Shot records: ten floats each; 0 .. 20 belong to the ship, the update visits 0 .. 100.
constexpr int kShipShotLast = 20, kShotLast = 100;

// A "¬" followed by "J": the first action button's glyph.
const Char kEnergyLabel[] = {0xAC, 'J'};

// Index of the first top-ten entry of a difficulty in f_scores (clamped, so that a stray
// difficulty cannot read outside the tables); the last-ten list lies 30 entries further on.
int TableBase(int difficulty) {
    const int d = difficulty < 1 ? 1 : (difficulty > 3 ? 3 : difficulty);
    return 10 * (d - 1);
}

// The place (0 .. 9) at which a score is filed in a top ten: before the first entry it beats, so
// that an equal older score keeps the better place; -1 when it does not place.
int FilingPlace(const Array<int>& scores, int base, int score) {
    for (int k = 0; k < 10; ++k)
        if (score > scores[base + k]) return k;
    return -1;
}

float Min(float a, float b) {
    return a < b ? a : b;
}

}  // namespace

int c_MyApp::p_ResetPlayers() {
    for (int i = 0; i < 500; ++i) f_players[i] = 0.0f;
    for (int i = 0; i <= 2000; ++i) f_baddies[i] = 0.0f;
    for (int i = 0; i <= 1000; ++i) f_shots[i] = 0.0f;
    return 0;
}

int c_MyApp::p_LoadGame() {
    f_paused = 0;
    f_score = 0;
    f_shownScore = 0;  // the HUD starts at zero instead of counting down the last game's score
    f_gameOverTimer = 0;
    f_gameOverFrames = 0;
    f_filedPlace = 0;
    f_mode = 10;
    f_hurt = 128.0f;
    f_lives = f_difficulty == 2 ? 5 : (f_difficulty == 3 ? 3 : 8);
    f_levelTextTime = 0.0f;
    f_bonusTextTime = 0.0f;
    if (vx_Zarnok_HasMusicStream == 1) p_PlayTune(String("Evolved"), 1);
    p_ResetStars(100);
    p_ResetParticles(250);
    p_ResetPlayers();
    f_players[kSway] = 0.5f;
    f_players[kSwayTarget] = 0.5f;
    f_players[kOriginX] = 40.0f;
    f_players[kOriginY] = 40.0f;
    f_players[kShipX] = vx_Zarnok_jscrw * 0.5f;
    f_level = 0;
    if (f_difficulty == 1) {
        f_tutorialTime = 320;
    } else {
        p_LaunchBaddies();
    }
    return 0;
}

int c_MyApp::p_LoseLife(int wreck, float x, float y) {
    // A paused game stands still: nothing can hit the ship under the pause panel.
    if (f_paused != 0) return 0;
    f_lives -= 1;
    p_PlaySFX(4, 1.0f, 1.0f, 0.0f);
    f_hurt = 128.0f;
    if (wreck != 0) p_ThrowParticle(x, y, 90, 9, kOmitted, kOmitted);
    const float sx = f_players[kShipX], sy = f_players[kShipY];
    p_ThrowParticle(sx, sy, 91, 9, kOmitted, kOmitted);
    p_ThrowParticle(sx, sy, 92, 9, kOmitted, kOmitted);
    for (int i = 0; i < 17; ++i) {
        const float r1 = vx_random_Rnd();
        const float r2 = vx_random_Rnd();
        const float r3 = vx_random_Rnd();
        p_ThrowParticle(sx, sy, vx_Zarnok_Trunc(r3 * 1.9f + 1.0f), 9, r2 * 150.0f - 75.0f, r1 * 9.0f + 3.0f);
    }
    return 0;
}

int c_MyApp::p_Game() {
    const float W = vx_Zarnok_jscrw, H = vx_Zarnok_jscrh;
    float* players = f_players.Data();
    float* shots = f_shots.Data();

    // 1-2. A new picture over the drifting stars; steering is read once per update.
    p_CLS2D(0.0f, 0.0f, 20.0f, 1.0f);
    p_DoStars(0.0f, 0.5f);
    p_AnalogueControl();
    p_ResetDraw();

    // 3. The formation sways as a block.
    if (f_paused == 0) {
        players[kOriginX] += players[kSway] * f_speed;
        players[kSway] -= (players[kSway] - players[kSwayTarget]) / 30.0f;
    }

    // 4-6. Slow motion while an action button is held and energy lasts; a hit slows the game first
    // hard, then not at all. The game speed eases toward its target.
    f_targetSpeed = 1.0f;
    const bool slowHeld = p_PlayKey(10, 0, f_playerPad) != 0 || p_PlayKey(11, 0, f_playerPad) != 0 ||
                          p_PlayKey(12, 0, f_playerPad) != 0;
    if (slowHeld && players[kEnergy] > 0.0f && f_hurt < 1.0f) {
        f_targetSpeed = 0.1f;
        players[kEnergy] -= 0.5f;
    }
    if (f_hurt > 0.0f) f_targetSpeed = 1.0f;
    if (f_hurt > 100.0f) f_targetSpeed = 0.25f;
    f_speed -= (f_speed - f_targetSpeed) / 12.0f;
    const float pitch = f_speed * 0.7f + 0.3f;

    // 7. Every enemy and wreck: flying in, firing, being hit, falling.
    p_DoBaddies();

    // 8. Wave flow: the hints of the first difficulty hold the first wave back.
    if (f_difficulty == 1 && f_tutorialTime > 0) {
        --f_tutorialTime;
        f_liveBadCount = 1;
        f_badCount = 1;
        p_ResetDraw();
        p_SetSize(2.0f, 2.0f);
        if (f_tutorialTime > 100)
            p_Text(W * 0.5f, H * 0.4f, String("Move your ship left and right"), 1.0f, 1.0f);
        if (f_tutorialTime > 50 && f_tutorialTime < 200)
            p_Text(W * 0.5f, H * 0.6f, String("Your weapon Auto Fires"), 1.0f, 1.0f);
        if (f_tutorialTime == 0) f_badCount = 0;
    }
    if (f_allArrived == 1) f_fireDelay -= f_speed;
    if (f_badCount == 0) {
        p_LaunchBaddies();
        f_liveBadCount = 1;
    } else if (f_liveBadCount == 0 && f_bonusGiven == 0) {
        // Every formation enemy is down; only wrecks are still falling.
        f_bonusGiven = 1;
        const int bonus = f_difficulty * f_lives * 100;
        f_bonusText = String("Life Bonus : ") + String(bonus);
        f_bonusTextTime = 2.0f;
        f_score += bonus;
    }

    // 9. The ship moves left and right only.
    const float quick = Min(f_speed * 3.0f, 1.0f);
    if (std::fabs(f_moveX) > 0.2f && f_paused == 0) players[kShipX] += f_moveX * 8.0f * quick;
    if (players[kShipX] < 28.0f) players[kShipX] = 28.0f;
    if (players[kShipX] > W - 28.0f) players[kShipX] = W - 28.0f;

    // 10. Shots: a shot that leaves the screen is freed but still drawn this once (with frame 15).
    for (int i = 0; i <= kShotLast; ++i) {
        float* s = shots + 10 * i;
        if (s[0] <= 0.0f) continue;
        if (f_paused == 0) {
            s[1] += s[3] * f_speed;
            s[2] += s[4] * f_speed;
        }
        if (s[2] < -64.0f || s[2] > H + 64.0f) s[0] = 0.0f;
        const float frame = s[0] + 15.0f;
        p_SetSize(2.0f, 2.0f);
        p_Alpha(0.3f);
        p_Blend(3);
        p_DrawImg(1, s[1], s[2], frame);
        p_SetSize(1.0f, 1.0f);
        p_Alpha(1.0f);
        p_Blend(1);
        p_DrawImg(1, s[1], s[2], frame);
        if (s[0] == 2.0f && f_hurt < 1.0f && f_paused == 0 && std::fabs(s[1] - players[kShipX]) < 18.0f &&
            std::fabs(s[2] - players[kShipY]) < 18.0f)
            p_LoseLife(0, 0.0f, 0.0f);
    }

    // 11. The ship drops after a hit and rises back as the hit timer runs out.
    players[kShipY] = H - 32.0f;
    p_ResetDraw();
    p_DrawImg(1, players[kShipX], H - 32.0f + f_hurt / 1.5f, 0.0f);

    // 12. Game over, the hit timer and the automatic weapon.
    bool mayFire = f_paused == 0 && f_gameOverTimer == 0;
    if (f_lives <= 0) {
        f_lives = 0;
        f_gameOverTimer = 1;
        vx_audio_StopMusic();
        f_musicOn = 0;
    } else if (f_hurt > 0.0f) {
        // The hit timer stands still under the pause panel, like everything it protects against.
        if (f_paused == 0) f_hurt -= f_speed;
        mayFire = false;
    }
    if (!mayFire) players[kCooldown] = 0.0f;
    if (players[kCooldown] > 0.0f) players[kCooldown] -= quick;
    if (mayFire && players[kCooldown] < 1.0f) {
        players[kCooldown] = 16.0f;
        int free = -1;
        for (int i = 0; i <= kShipShotLast; ++i)
            if (shots[10 * i] == 0.0f) free = i;
        if (free >= 0) {
            p_PlaySFX(2, pitch, 0.5f, 0.0f);
            float* s = shots + 10 * free;
            s[0] = 1.0f;
            s[1] = players[kShipX];
            s[2] = players[kShipY];
            s[3] = 0.0f;
            s[4] = -10.0f;
        }
    }

    // 13-15. Particles; the shown score follows the score; energy is clamped after the hits.
    p_DoParticles();
    const int n = f_shownScore - vx_Zarnok_Trunc(static_cast<float>(f_shownScore - f_score) / 6.0f);
    f_shownScore = std::abs(n - f_score) >= 6 ? n : f_score;
    const int e = vx_Zarnok_Trunc(players[kEnergy]);
    if (e < 0) players[kEnergy] = 0.0f;
    if (e > 256) players[kEnergy] = 256.0f;

    // 16. HUD: energy meter, score and lives, the next place to reach.
    if (f_showInfo == 0) {
        if (f_controlStyle != 2) {
            p_SetSize(1.0f, 1.0f);
            p_SetCol(100.0f, 255.0f, 100.0f, 0.5f);
            p_SetRot(0.0f);
            p_Blend(1);
            p_Rect(W - 20.0f, H * 0.5f + 128.0f - static_cast<float>(e), 12.0f, static_cast<float>(e));
            p_SetCol(255.0f, 255.0f, 255.0f, e > 5 ? 0.8f : 0.3f);
            p_SetSize(2.0f, 2.0f);
            p_Text(W - 7.0f, H * 0.5f + 132.0f, String(kEnergyLabel, 2), 1.0f, 1.0f);
        }
        p_SetCol(100.0f, 255.0f, 100.0f, 0.8f);
        p_SetSize(2.0f, 2.0f);
        p_Text(W * 0.5f, 30.0f, p_rstr(f_shownScore, 8, String("0")) + String("   ") + String(f_lives), 1.0f,
               1.0f);
        p_SetSize(0.5f, 0.5f);
        p_DrawImg(1, W * 0.5f + 56.0f, 30.0f, 0.0f);

        const int base = TableBase(f_difficulty);
        int place = 10, target = f_scores[base + 9];
        for (int k = 9; k >= 1; --k) {
            if (f_scores[base + k] < f_score || f_scores[base + k] == 0) {
                place = k - 1;
                target = f_scores[base + k - 1];
            }
        }
        p_SetSize(1.0f, 1.0f);
        p_SetCol(255.0f, 255.0f, 100.0f, 0.8f);
        p_Text(W * 0.5f, 10.0f, p_Nth(place + 1) + String(" ") + p_rstr(target, 8, String("0")), 1.0f, 1.0f);
    }

    // 17. Captions grow in and fade out at a fixed pace.
    if (f_paused == 0) {
        auto caption = [&](float* time, const String& text, float r, float g, float b, float y) {
            if (*time <= 0.0f) return;
            p_SetCol(r, g, b, Min(*time, 1.0f));
            const float size = Min(*time * 3.0f, 2.0f);
            p_SetSize(size, size);
            p_Text(W * 0.5f, y, text, 1.0f, 1.0f);
            *time -= 0.02f;
        };
        caption(&f_levelTextTime, f_levelText, 100.0f, 180.0f, 255.0f, H * 0.45f);
        caption(&f_bonusTextTime, f_bonusText, 255.0f, 180.0f, 100.0f, H * 0.55f);
    }
    return 0;
}

int c_MyApp::p_InGame() {
    p_ResetDraw();
    f_menuSlide = -32;

    bool request = false;
    for (int j = 0; j <= 3; ++j) request = request || p_PlayKey(99, 1, j) != 0;
    auto pause = [this]() {
        f_paused = 1;
        f_pauseDir = 1;
        f_pauseSel = 0;
        p_PlaySFX(98, 1.0f, 0.5f, 0.0f);
    };
    if (request && f_paused == 0 && f_keyLatch == 0) {
        f_keyLatch = 1;
        pause();
    }

    if (f_showInfo == 0) {
        p_DrawImg(97, 16.0f, 16.0f, 0.0f);
        const float hw = static_cast<float>(f_fontMetrics[3 * 97]) * f_imgScale * f_sizeX * 0.5f;
        const float hh = static_cast<float>(f_fontMetrics[3 * 97 + 1]) * f_imgScale * f_sizeY * 0.5f;
        for (int i = 0; i < 10; ++i) {
            const float tx = static_cast<float>(f_touchVX[i]), ty = static_cast<float>(f_touchVY[i]);
            if (f_pointerDown > 0 && std::fabs(tx - 16.0f) < hw && std::fabs(ty - 16.0f) < hh &&
                f_paused == 0) {
                f_pointerLatch = 1;
                pause();
            }
        }
    }

    if (f_paused == 1) p_PauseMenu();
    return 0;
}

int c_MyApp::p_GameOver() {
    const float W = vx_Zarnok_jscrw, H = vx_Zarnok_jscrh;
    if (f_gameOverFrames >= 1) {
        const float t = static_cast<float>(f_gameOverFrames);
        p_SetCol(0.0f, 0.0f, 0.0f, Min(t / 40.0f, 0.7f));
        p_Rect(-1.0f, -1.0f, W + 2.0f, H + 2.0f);

        float b = t * 12.0f;
        const float limit = static_cast<float>(vx_Zarnok_Trunc(H * 0.45f));
        if (b > limit) b = limit;
        p_SetSize(1.0f, 1.0f);
        p_SetRot(0.0f);
        p_Blend(1);
        p_SetCol(255.0f, 255.0f, 0.0f, 0.5f);
        p_Rect(-1.0f, H * 0.45f - 8.0f, 2.0f * b, 16.0f);
        p_SetCol(255.0f, 128.0f, 0.0f, 0.5f);
        p_Rect(W - 2.0f * b, H * 0.55f - 8.0f, 2.0f * b + 1.0f, 16.0f);

        p_SetSize(4.0f, 4.0f);
        p_SetCol(255.0f, 180.0f, 180.0f, 1.0f);
        p_Text(W * 0.35f, b, String("GAME"), 1.0f, 1.0f);
        p_Text(W * 0.65f, H - b, String("OVER"), 1.0f, 1.0f);

        const String place = p_MyNth();
        if (f_i > 0) {
            p_SetSize(1.0f, 1.0f);
            p_SetCol(0.0f, 125.0f, 255.0f, 0.5f);
            p_Rect(W * 0.35f, H - b / 1.5f - 16.0f, W * 0.3f, 32.0f);
            p_SetSize(2.0f, 2.0f);
            p_SetCol(100.0f, 255.0f, 100.0f, 1.0f);
            p_Text(W * 0.5f, H - b / 1.5f, String("New Highscore\\n           ") + place, 0.5f, 2.0f);
        }
    }

    if (f_mode == 10) {
        if (++f_gameOverFrames >= 90) {
            f_mode = 2;
            f_gameOverFrames = 73;
            if (vx_Zarnok_HasMusicStream == 1) {
                vx_audio_StopMusic();
                f_musicOn = 0;
            }
        }
    } else if (f_mode < 10) {
        f_gameOverFrames = f_gameOverFrames > 2 ? f_gameOverFrames - 2 : 0;
    }
    return 0;
}

int c_MyApp::p_LoadMenu() {
    const int base = TableBase(f_difficulty);
    const int k = FilingPlace(f_scores, base, f_score);
    if (k >= 0) {
        for (int j = 9; j > k; --j) f_scores[base + j] = f_scores[base + j - 1];
        f_scores[base + k] = f_score;
    }
    f_filedPlace = k + 1;
    for (int j = 9; j > 0; --j) f_scores[30 + base + j] = f_scores[30 + base + j - 1];
    f_scores[30 + base] = f_score;
    p_Save();
    return 0;
}

String c_MyApp::p_Nth(int n) {
    static const char* const kNames[] = {"1st", "2nd", "3rd", "4th", "5th",
                                         "6th", "7th", "8th", "9th", "10th"};
    return n >= 1 && n <= 10 ? String(kNames[n - 1]) : String();
}

// The place the running score is filed at: while the game runs, where p_LoadMenu will put it (an
// equal older score keeps the better place); once filed, where it went.
String c_MyApp::p_MyNth() {
    f_i = f_mode >= 10 ? FilingPlace(f_scores, TableBase(f_difficulty), f_score) + 1 : f_filedPlace;
    if (f_i == 1) return String("1st!");
    return p_Nth(f_i);
}
