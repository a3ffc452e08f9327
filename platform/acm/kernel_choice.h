#pragma once

// Which of a codec's kernels this processor runs.

#include <array>
#include <cstddef>
#include <span>

namespace kivo::acm {

// Whether this processor runs AVX2 code; asked once, also when the first caller comes while a
// program loads.
inline bool RunsAvx2() {
#if defined(__x86_64__)
    static const bool runs = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") != 0;
    }();
    return runs;
#else
    return false;
#endif
}

// Of kernels listed AVX2 first and portable last: all of them where AVX2 runs, else the
// portable one alone.
template <typename Kernel, size_t N>
std::span<const Kernel> RunnableKernels(const std::array<Kernel, N>& kernels) {
    static_assert(N == 2);
    return RunsAvx2() ? std::span<const Kernel>(kernels) : std::span<const Kernel>(kernels).last(1);
}

}  // namespace kivo::acm
