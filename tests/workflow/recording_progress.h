#pragma once

#include <functional>
#include <vector>

#include "common/progress.h"

namespace kalvex::test {

// Records a progress's calls (start as -1, each step's percent, finish as
// 101) and runs `on_step` at each step, so a test can change the folder
// while a job walks through it.
class RecordingProgress : public Progress {
public:
    void Start() override { steps.push_back(-1); }
    void Step(int percent) override {
        steps.push_back(percent);
        if (on_step) {
            on_step();
        }
    }
    void Finish() override { steps.push_back(101); }

    std::vector<int> steps;
    std::function<void()> on_step;
};

}  // namespace kalvex::test
