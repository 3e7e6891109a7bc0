// Plain C functions for the cdecl caller's tests, loaded at run time.
#include <cerrno>
#include <cstdint>
#include <initializer_list>

#define EXPORT extern "C" __attribute__((visibility("default")))

namespace {

using I = std::intptr_t;

// Each argument weighted by its position, so that order and count show.
std::int32_t Weigh(std::initializer_list<I> arguments) {
    std::int32_t sum = 0;
    std::int32_t weight = 1;
    for (const I argument : arguments) {
        sum += static_cast<std::int32_t>(argument) * weight++;
    }
    return sum;
}

}  // namespace

// ArgsN takes N arguments and weighs them: none, the most that go in
// registers and one more, and the most the caller passes.
EXPORT std::int32_t Args0() {
    return 0;
}
EXPORT std::int32_t Args7(I a, I b, I c, I d, I e, I f, I g) {
    return Weigh({a, b, c, d, e, f, g});
}
EXPORT std::int32_t Args16(I a, I b, I c, I d, I e, I f, I g, I h, I i, I j, I k, I l, I m, I n,
                           I o, I p) {
    return Weigh({a, b, c, d, e, f, g, h, i, j, k, l, m, n, o, p});
}

EXPORT std::int32_t SetErrno(I value) {
    errno = static_cast<int>(value);
    return -1;
}

EXPORT std::int32_t StoreAt(I address, I value) {
    *reinterpret_cast<std::int32_t*>(address) = static_cast<std::int32_t>(value);
    return 1;
}

using Callback3 = std::int32_t (*)(I, I, I);

EXPORT std::int32_t CallBack3(I callback, I a, I b, I c) {
    return reinterpret_cast<Callback3>(callback)(a, b, c) + 1000;
}
