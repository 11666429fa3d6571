// A host for the game's unit tests: a fixed window size, a settable clock and a state store in
// memory. No window is opened.
#pragma once

#include <gtest/gtest.h>

#include "framework/app.h"
#include "framework/asyncevent.h"
#include "framework/input.h"
#include "game/myapp.h"
#include "host/vxgame.h"

class TestHost : public VxGame {
  public:
    int width = 640, height = 480, now = 0;
    String saved, toLoad;
    int saves = 0;

    int Millisecs() override { return now; }
    int GetDeviceWidth() override { return width; }
    int GetDeviceHeight() override { return height; }
    int SaveState(const String& state) override {
        saved = state;
        ++saves;
        return 0;
    }
    String LoadState() override { return toLoad; }
};

// Fresh host, input device and application object for every test; the collector never runs here.
class ShellTest : public ::testing::Test {
  protected:
    void SetUp() override {
        host = new TestHost();
        vx_app__game = host;
        vx_app__devWidth = host->width;
        vx_app__devHeight = host->height;
        input = (new c_InputDevice())->m_new();
        vx_input_SetInputDevice(input);
        if (vx_asyncevent__sources == nullptr) gc_assign(vx_asyncevent__sources, (new c_Stack2())->m_new());
        vx_Zarnok_iCadeControls = 0;
        vx_Zarnok_DebugMode = 0;
        vx_Zarnok_overscan = 0.0f;
        app = new c_MyApp();
    }
    void TearDown() override {
        vx_app__game = nullptr;
        delete host;
    }

    void KeyDown(int key) { input->p_KeyEvent(1, key); }
    void KeyUp(int key) { input->p_KeyEvent(2, key); }
    void Char(int ch) { input->p_KeyEvent(3, ch); }

    TestHost* host = nullptr;
    c_InputDevice* input = nullptr;
    c_MyApp* app = nullptr;
};
