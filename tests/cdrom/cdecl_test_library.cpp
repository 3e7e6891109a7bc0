// Plain C functions for the cdecl caller's tests, loaded at run time.
#include <cerrno>
#include <cstdint>
#include <initializer_list>

#define EXPORT extern "C" __attribute__((visibility("default")))

namespace {

// Each argument weighted by its position, so that order and count show.
std::int32_t Weigh(std::initializer_list<std::intptr_t> arguments) {
    std::int32_t sum = 0;
    std::int32_t weight = 1;
    for (const std::intptr_t argument : arguments) {
        sum += static_cast<std::int32_t>(argument) * weight++;
    }
    return sum;
}

}  // namespace

EXPORT std::int32_t Args0() {
    return Weigh({});
}
EXPORT std::int32_t Args1(std::intptr_t a1) {
    return Weigh({a1});
}
EXPORT std::int32_t Args2(std::intptr_t a1, std::intptr_t a2) {
    return Weigh({a1, a2});
}
EXPORT std::int32_t Args3(std::intptr_t a1, std::intptr_t a2, std::intptr_t a3) {
    return Weigh({a1, a2, a3});
}
EXPORT std::int32_t Args4(std::intptr_t a1, std::intptr_t a2, std::intptr_t a3, std::intptr_t a4) {
    return Weigh({a1, a2, a3, a4});
}
EXPORT std::int32_t Args5(std::intptr_t a1, std::intptr_t a2, std::intptr_t a3, std::intptr_t a4,
                          std::intptr_t a5) {
    return Weigh({a1, a2, a3, a4, a5});
}
EXPORT std::int32_t Args6(std::intptr_t a1, std::intptr_t a2, std::intptr_t a3, std::intptr_t a4,
                          std::intptr_t a5, std::intptr_t a6) {
    return Weigh({a1, a2, a3, a4, a5, a6});
}
EXPORT std::int32_t Args7(std::intptr_t a1, std::intptr_t a2, std::intptr_t a3, std::intptr_t a4,
                          std::intptr_t a5, std::intptr_t a6, std::intptr_t a7) {
    return Weigh({a1, a2, a3, a4, a5, a6, a7});
}
EXPORT std::int32_t Args8(std::intptr_t a1, std::intptr_t a2, std::intptr_t a3, std::intptr_t a4,
                          std::intptr_t a5, std::intptr_t a6, std::intptr_t a7, std::intptr_t a8) {
    return Weigh({a1, a2, a3, a4, a5, a6, a7, a8});
}
EXPORT std::int32_t Args9(std::intptr_t a1, std::intptr_t a2, std::intptr_t a3, std::intptr_t a4,
                          std::intptr_t a5, std::intptr_t a6, std::intptr_t a7, std::intptr_t a8,
                          std::intptr_t a9) {
    return Weigh({a1, a2, a3, a4, a5, a6, a7, a8, a9});
}
EXPORT std::int32_t Args10(std::intptr_t a1, std::intptr_t a2, std::intptr_t a3, std::intptr_t a4,
                           std::intptr_t a5, std::intptr_t a6, std::intptr_t a7, std::intptr_t a8,
                           std::intptr_t a9, std::intptr_t a10) {
    return Weigh({a1, a2, a3, a4, a5, a6, a7, a8, a9, a10});
}
EXPORT std::int32_t Args11(std::intptr_t a1, std::intptr_t a2, std::intptr_t a3, std::intptr_t a4,
                           std::intptr_t a5, std::intptr_t a6, std::intptr_t a7, std::intptr_t a8,
                           std::intptr_t a9, std::intptr_t a10, std::intptr_t a11) {
    return Weigh({a1, a2, a3, a4, a5, a6, a7, a8, a9, a10, a11});
}
EXPORT std::int32_t Args12(std::intptr_t a1, std::intptr_t a2, std::intptr_t a3, std::intptr_t a4,
                           std::intptr_t a5, std::intptr_t a6, std::intptr_t a7, std::intptr_t a8,
                           std::intptr_t a9, std::intptr_t a10, std::intptr_t a11,
                           std::intptr_t a12) {
    return Weigh({a1, a2, a3, a4, a5, a6, a7, a8, a9, a10, a11, a12});
}
EXPORT std::int32_t Args13(std::intptr_t a1, std::intptr_t a2, std::intptr_t a3, std::intptr_t a4,
                           std::intptr_t a5, std::intptr_t a6, std::intptr_t a7, std::intptr_t a8,
                           std::intptr_t a9, std::intptr_t a10, std::intptr_t a11,
                           std::intptr_t a12, std::intptr_t a13) {
    return Weigh({a1, a2, a3, a4, a5, a6, a7, a8, a9, a10, a11, a12, a13});
}
EXPORT std::int32_t Args14(std::intptr_t a1, std::intptr_t a2, std::intptr_t a3, std::intptr_t a4,
                           std::intptr_t a5, std::intptr_t a6, std::intptr_t a7, std::intptr_t a8,
                           std::intptr_t a9, std::intptr_t a10, std::intptr_t a11,
                           std::intptr_t a12, std::intptr_t a13, std::intptr_t a14) {
    return Weigh({a1, a2, a3, a4, a5, a6, a7, a8, a9, a10, a11, a12, a13, a14});
}
EXPORT std::int32_t Args15(std::intptr_t a1, std::intptr_t a2, std::intptr_t a3, std::intptr_t a4,
                           std::intptr_t a5, std::intptr_t a6, std::intptr_t a7, std::intptr_t a8,
                           std::intptr_t a9, std::intptr_t a10, std::intptr_t a11,
                           std::intptr_t a12, std::intptr_t a13, std::intptr_t a14,
                           std::intptr_t a15) {
    return Weigh({a1, a2, a3, a4, a5, a6, a7, a8, a9, a10, a11, a12, a13, a14, a15});
}
EXPORT std::int32_t Args16(std::intptr_t a1, std::intptr_t a2, std::intptr_t a3, std::intptr_t a4,
                           std::intptr_t a5, std::intptr_t a6, std::intptr_t a7, std::intptr_t a8,
                           std::intptr_t a9, std::intptr_t a10, std::intptr_t a11,
                           std::intptr_t a12, std::intptr_t a13, std::intptr_t a14,
                           std::intptr_t a15, std::intptr_t a16) {
    return Weigh({a1, a2, a3, a4, a5, a6, a7, a8, a9, a10, a11, a12, a13, a14, a15, a16});
}

EXPORT std::int32_t SetErrno(std::intptr_t value) {
    errno = static_cast<int>(value);
    return -1;
}

EXPORT std::int32_t StoreAt(std::intptr_t address, std::intptr_t value) {
    *reinterpret_cast<std::int32_t*>(address) = static_cast<std::int32_t>(value);
    return 1;
}

using Callback3 = std::int32_t (*)(std::intptr_t, std::intptr_t, std::intptr_t);

EXPORT std::int32_t CallBack3(std::intptr_t callback, std::intptr_t a, std::intptr_t b,
                              std::intptr_t c) {
    return reinterpret_cast<Callback3>(callback)(a, b, c) + 1000;
}
