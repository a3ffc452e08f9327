#include "platform/acm/truespeech/analysis.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace kivo::truespeech {
namespace {

struct Window {
    std::array<double, kFrameSamples> hamming;
    std::array<double, kOrder + 1> lag;

    Window() {
        for (int i = 0; i < kFrameSamples; ++i) {
            hamming[i] = 0.54 - 0.46 * std::cos(2 * std::numbers::pi * i / (kFrameSamples - 1));
        }
        // Gaussian lag window of 60 Hz keeps sharp formants from ringing.
        for (int l = 0; l <= kOrder; ++l) {
            const double w = 2 * std::numbers::pi * 60.0 * l / 8000.0;
            lag[l] = std::exp(-0.5 * w * w);
        }
        lag[0] = 1.0001;  // white-noise correction
    }
};

const Window& Windows() {
    static const Window w;
    return w;
}

}  // namespace

uint8_t NearestIndex(const Codebook& book, double value) {
    const int16_t* end = book.values + book.size;
    const int16_t* above = std::lower_bound(book.values, end, value);
    if (above == end) {
        return static_cast<uint8_t>(book.size - 1);
    }
    if (above != book.values && value - above[-1] < *above - value) {
        --above;
    }
    return static_cast<uint8_t>(above - book.values);
}

std::array<uint8_t, kOrder> AnalyseFrame(std::span<const int16_t, kFrameSamples> frame) {
    const Window& win = Windows();
    std::array<double, kFrameSamples> s;
    for (int i = 0; i < kFrameSamples; ++i) {
        s[i] = frame[i] * win.hamming[i];
    }
    // All lags' sums side by side, each still in the order of i, so that their chains overlap.
    std::array<double, kOrder + 1> r{};
    for (int i = 0; i < kOrder; ++i) {
        for (int l = 0; l <= i; ++l) {
            r[l] += s[i] * s[i - l];
        }
    }
    for (int i = kOrder; i < kFrameSamples; ++i) {
        for (int l = 0; l <= kOrder; ++l) {
            r[l] += s[i] * s[i - l];
        }
    }
    for (int l = 0; l <= kOrder; ++l) {
        r[l] *= win.lag[l];
    }

    // Levinson-Durbin on the error filter 1 + sum alpha_j z^-j; its last coefficient at each
    // order is the reflection coefficient the bitstream carries.
    std::array<double, kOrder> k{};
    std::array<double, kOrder + 1> alpha{1.0};
    double error = r[0];
    for (int n = 1; n <= kOrder && error > 0; ++n) {
        double acc = r[n];
        for (int j = 1; j < n; ++j) {
            acc += alpha[j] * r[n - j];
        }
        const double kn = std::clamp(-acc / error, -0.999, 0.999);
        std::array<double, kOrder + 1> next = alpha;
        for (int j = 1; j < n; ++j) {
            next[j] = alpha[j] + kn * alpha[n - j];
        }
        next[n] = kn;
        alpha = next;
        k[n - 1] = kn;
        error *= 1 - kn * kn;
    }

    std::array<uint8_t, kOrder> index{};
    for (int n = 0; n < kOrder; ++n) {
        index[n] = NearestIndex(kReflection[n], k[n] * 32768.0);
    }
    return index;
}

}  // namespace kivo::truespeech
