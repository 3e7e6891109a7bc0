// The completion event of an ASPI request (a Windows event or a Linux eventfd).
#include "cdrom/aspi_event.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>
#endif

namespace kalvex {

#ifdef _WIN32

AspiEvent::AspiEvent()
    : handle_(reinterpret_cast<std::intptr_t>(CreateEventA(nullptr, TRUE, FALSE, nullptr))) {}
AspiEvent::~AspiEvent() {
    if (Valid()) {
        CloseHandle(reinterpret_cast<HANDLE>(handle_));
    }
}
bool AspiEvent::Valid() const {
    return handle_ != 0;
}
std::uintptr_t AspiEvent::PostProcValue() const {
    return static_cast<std::uintptr_t>(handle_);
}
void AspiEvent::Reset() {
    ResetEvent(reinterpret_cast<HANDLE>(handle_));
}
bool AspiEvent::Wait(int milliseconds) {
    return WaitForSingleObject(reinterpret_cast<HANDLE>(handle_),
                               static_cast<DWORD>(milliseconds)) == WAIT_OBJECT_0;
}
void SleepMilliseconds(int milliseconds) {
    Sleep(static_cast<DWORD>(milliseconds));
}

#else

AspiEvent::AspiEvent() : handle_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}
AspiEvent::~AspiEvent() {
    if (Valid()) {
        close(static_cast<int>(handle_));
    }
}
bool AspiEvent::Valid() const {
    return handle_ >= 0;
}
std::uintptr_t AspiEvent::PostProcValue() const {
    return static_cast<std::uintptr_t>(handle_);
}
void AspiEvent::Reset() {
    std::uint64_t count = 0;
    while (read(static_cast<int>(handle_), &count, sizeof count) == sizeof count) {
    }
}
bool AspiEvent::Wait(int milliseconds) {
    pollfd wanted{static_cast<int>(handle_), POLLIN, 0};
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        const int ready = poll(&wanted, 1, static_cast<int>(std::max<long long>(left.count(), 0)));
        if (ready > 0) {
            return true;
        }
        if (ready == 0 || errno != EINTR) {
            return false;
        }
    }
}
void SleepMilliseconds(int milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

#endif

}  // namespace kalvex
