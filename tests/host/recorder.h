// Test support: a delegate that records every call the host makes into it.
#pragma once

#include <algorithm>
#include <functional>
#include <vector>

#include "host/vxgame.h"

namespace hosttest {

struct Call {
    int kind;  // 'S' start, 's' suspend, 'r' resume, 'u' update, 'R' render, 'k' key, 'm' mouse
    int event, data;
    float x, y;
};

// The calls of the current test (kept outside the collected delegate).
inline std::vector<Call>& Calls() {
    static std::vector<Call> calls;
    return calls;
}

inline int Count(int kind) {
    return static_cast<int>(
        std::count_if(Calls().begin(), Calls().end(), [&](const Call& c) { return c.kind == kind; }));
}

class Recorder : public VxGameDelegate {
  public:
    std::function<void(const Call&)> hook;  // runs after each recorded call

    void Add(Call c) {
        Calls().push_back(c);
        if (hook) hook(c);
    }
    void StartGame() override { Add({'S', 0, 0, 0, 0}); }
    void SuspendGame() override { Add({'s', 0, 0, 0, 0}); }
    void ResumeGame() override { Add({'r', 0, 0, 0, 0}); }
    void UpdateGame() override { Add({'u', 0, 0, 0, 0}); }
    void RenderGame() override { Add({'R', 0, 0, 0, 0}); }
    void KeyEvent(int event, int data) override { Add({'k', event, data, 0, 0}); }
    void MouseEvent(int event, int data, float x, float y) override { Add({'m', event, data, x, y}); }
};

}  // namespace hosttest
