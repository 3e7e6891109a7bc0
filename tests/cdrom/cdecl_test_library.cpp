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

// ArgsN takes N arguments and weighs them.
#define ARGS(n, parameters, ...)             \
    EXPORT std::int32_t Args##n parameters { \
        return Weigh({__VA_ARGS__});         \
    }

ARGS(0, ())
ARGS(1, (I a), a)
ARGS(2, (I a, I b), a, b)
ARGS(3, (I a, I b, I c), a, b, c)
ARGS(4, (I a, I b, I c, I d), a, b, c, d)
ARGS(5, (I a, I b, I c, I d, I e), a, b, c, d, e)
ARGS(6, (I a, I b, I c, I d, I e, I f), a, b, c, d, e, f)
ARGS(7, (I a, I b, I c, I d, I e, I f, I g), a, b, c, d, e, f, g)
ARGS(8, (I a, I b, I c, I d, I e, I f, I g, I h), a, b, c, d, e, f, g, h)
ARGS(9, (I a, I b, I c, I d, I e, I f, I g, I h, I i), a, b, c, d, e, f, g, h, i)
ARGS(10, (I a, I b, I c, I d, I e, I f, I g, I h, I i, I j), a, b, c, d, e, f, g, h, i, j)
ARGS(11, (I a, I b, I c, I d, I e, I f, I g, I h, I i, I j, I k), a, b, c, d, e, f, g, h, i, j, k)
ARGS(12, (I a, I b, I c, I d, I e, I f, I g, I h, I i, I j, I k, I l), a, b, c, d, e, f, g, h, i, j,
     k, l)
ARGS(13, (I a, I b, I c, I d, I e, I f, I g, I h, I i, I j, I k, I l, I m), a, b, c, d, e, f, g, h,
     i, j, k, l, m)
ARGS(14, (I a, I b, I c, I d, I e, I f, I g, I h, I i, I j, I k, I l, I m, I n), a, b, c, d, e, f,
     g, h, i, j, k, l, m, n)
ARGS(15, (I a, I b, I c, I d, I e, I f, I g, I h, I i, I j, I k, I l, I m, I n, I o), a, b, c, d, e,
     f, g, h, i, j, k, l, m, n, o)
ARGS(16, (I a, I b, I c, I d, I e, I f, I g, I h, I i, I j, I k, I l, I m, I n, I o, I p), a, b, c,
     d, e, f, g, h, i, j, k, l, m, n, o, p)

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
