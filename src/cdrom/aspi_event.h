#pragma once

#include <cstdint>

namespace kalvex {

// The completion event of one ASPI request: a Windows manual-reset event, or
// outside Windows an eventfd whose descriptor goes into SRB_PostProc and to
// which the library writes when the request completes.
class AspiEvent {
public:
    AspiEvent();  // created not signalled; Valid() says whether it worked
    ~AspiEvent();
    AspiEvent(const AspiEvent&) = delete;
    AspiEvent& operator=(const AspiEvent&) = delete;

    bool Valid() const;
    std::uintptr_t PostProcValue() const;
    void Reset();
    // True when signalled within the time; false on time-out.
    bool Wait(int milliseconds);

private:
    std::intptr_t handle_;
};

void SleepMilliseconds(int milliseconds);

}  // namespace kalvex
