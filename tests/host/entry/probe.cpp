// A program on the real host entry whose delegate reports what the host does on standard output:
// the window it got, how many updates ran by each whole second, and the close request, which ends
// the program the way the framework does (exit status 0).
#include <GLFW/glfw3.h>
#define GLFW_EXPOSE_NATIVE_X11
#include <GLFW/glfw3native.h>

#include <cstdio>

#include "host/vxgame.h"

namespace {

class Reporter : public VxGameDelegate {
  public:
    void StartGame() override {
        VxGame::_game->SetUpdateRate(60);
        std::printf("window %lu %dx%d\n",
                    static_cast<unsigned long>(glfwGetX11Window(VxGlfwGame::_glfwGame->Window())),
                    VxGame::_game->GetDeviceWidth(), VxGame::_game->GetDeviceHeight());
        std::fflush(stdout);
        start = VxGame::_game->Millisecs();
    }
    void UpdateGame() override {
        ++updates;
        int second = (VxGame::_game->Millisecs() - start) / 1000;
        if (second > reported) {
            reported = second;
            std::printf("second %d updates %d\n", second, updates);
            std::fflush(stdout);
        }
    }
    void KeyEvent(int event, int data) override {
        if (event == 1 && data == 432) {
            std::printf("close\n");
            std::fflush(stdout);
            vxError(String());
        }
    }
    int start = 0, updates = 0, reported = 0;
};

}  // namespace

int vxInit() {
    return 0;
}

int vxMain() {
    VxGame::_game->SetDelegate(new Reporter());
    return 0;
}

int main(int argc, char** argv) {
    return VxZorbinGame::Main(argc, argv);
}
