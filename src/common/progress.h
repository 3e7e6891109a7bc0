#pragma once

#include <cmath>

namespace kalvex {

// How a long operation over many files shows how far it has got. The window
// moves its progress bar and repaints after every step; the command line and
// tests ignore the steps or record them.
class Progress {
public:
    virtual ~Progress() = default;
    // The bar at 0 and shown.
    virtual void Start() = 0;
    // The bar at `percent` (0 to 100); the window processes pending events.
    virtual void Step(int percent) = 0;
    // The bar at 100 and hidden again.
    virtual void Finish() = 0;
};

class NoProgress : public Progress {
public:
    void Start() override {}
    void Step(int) override {}
    void Finish() override {}
};

// done / count as a whole percentage, halves to even; 0 for an empty count.
inline int ProgressPercent(long long done, long long count) {
    if (count <= 0) {
        return 0;
    }
    return static_cast<int>(
        std::nearbyint(static_cast<double>(done) / static_cast<double>(count) * 100.0));
}

}  // namespace kalvex
