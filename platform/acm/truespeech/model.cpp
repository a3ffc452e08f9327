#include "platform/acm/truespeech/model.h"

#include <algorithm>
#include <cstring>

namespace kivo::truespeech {
namespace {

int16_t Clamp(int32_t v) {
    return static_cast<int16_t>(std::clamp(v, -32766, 32766));
}

// Sums that the reference lets wrap around in 32 bits.
int32_t Wrap(uint32_t v) {
    return static_cast<int32_t>(v);
}

}  // namespace

Lpc StepUp(const std::array<int16_t, kOrder>& k) {
    Lpc a{};
    for (int n = 0; n < kOrder; ++n) {
        const Lpc old = a;
        for (int j = 0; j < n; ++j) {
            a[j] = static_cast<int16_t>(a[j] + ((old[n - 1 - j] * k[n] + 16384) >> 15));
        }
        a[n] = static_cast<int16_t>((8 - k[n]) >> 3);
    }
    for (int m = 0; m < kOrder; ++m) {
        a[m] = static_cast<int16_t>((a[m] * kBandwidth[m]) >> 15);
    }
    return a;
}

FrameFilters SetupFrame(const Lpc& previous, const std::array<uint8_t, kOrder>& reflection,
                        bool interpolate) {
    std::array<int16_t, kOrder> k{};
    for (int n = 0; n < kOrder; ++n) {
        const Codebook& book = kReflection[n];
        k[n] = book.values[reflection[n] % book.size];
    }
    FrameFilters f;
    f.k1 = k[0];
    f.lpc = StepUp(k);
    if (interpolate) {
        for (int m = 0; m < kOrder; ++m) {
            f.subframe[0][m] =
                static_cast<int16_t>((f.lpc[m] * 21846 + previous[m] * 10923 + 16384) >> 15);
            f.subframe[1][m] =
                static_cast<int16_t>((f.lpc[m] * 10923 + previous[m] * 21846 + 16384) >> 15);
        }
    } else {
        f.subframe[0] = previous;
        f.subframe[1] = previous;
    }
    f.subframe[2] = f.lpc;
    f.subframe[3] = f.lpc;
    return f;
}

int PitchLag(int base, int code) {
    return std::min(base + kMinLag + code / kPitchGains, kMaxLag);
}

SubframeSamples PitchContribution(const std::array<int32_t, kHistory>& history, int lag,
                                  int gainPair) {
    std::array<int16_t, kHistory + kSubframeSamples> e;
    for (int i = 0; i < kHistory; ++i) {
        e[i] = static_cast<int16_t>(history[i]);
    }
    const int32_t older = kPitchOld[gainPair];
    const int32_t newer = kPitchNew[gainPair];
    SubframeSamples p;
    for (int i = 0; i < kSubframeSamples; ++i) {
        const int32_t v = (e[145 - lag + i] * older + e[146 - lag + i] * newer + 8192) >> 14;
        p[i] = static_cast<int16_t>(v);
        e[kHistory + i] = p[i];
    }
    return p;
}

SubframeSamples SubframePitch(const std::array<int32_t, kHistory>& history, int base, int code) {
    if (code == kNoPitch) {
        return SubframeSamples{};
    }
    return PitchContribution(history, PitchLag(base, code), code % kPitchGains);
}

SubframeSamples PulseVector(uint16_t amplitudes, uint32_t firstRank, uint32_t secondRank,
                            int gain) {
    SubframeSamples c{};
    int n = 0;  // runs on across both halves, also when a half places fewer pulses
    auto place = [&](uint32_t rank, int left, int offset) {
        for (int i = 0; i < kHalf && left > 0; ++i) {
            const uint32_t weight = static_cast<uint32_t>(Combination(i, left - 1));
            if (rank >= weight) {
                rank -= weight;
                continue;
            }
            const int code = (amplitudes >> (2 * (kPulses - 1 - n))) & 3;
            c[offset + i] = static_cast<int16_t>(kPulseGain[gain] * kAmplitudeSign[code]);
            ++n;
            --left;
        }
    };
    place(firstRank, kFirstHalfPulses, 0);
    place(secondRank, kSecondHalfPulses, kHalf);
    return c;
}

SubframeSamples RunSubframe(DecoderState& s, const Lpc& q, int16_t k1, const SubframeSamples& pitch,
                            const SubframeSamples& pulses) {
    constexpr int kKept = kHistory - kSubframeSamples;
    std::memmove(s.history.data(), s.history.data() + kSubframeSamples, kKept * sizeof(int32_t));
    SubframeSamples e;
    for (int i = 0; i < kSubframeSamples; ++i) {
        const int32_t p = pitch[i];
        s.history[kKept + i] = pulses[i] + p - (p >> 3);
        e[i] = static_cast<int16_t>(pulses[i] + p);
    }

    // Each filter runs on a delay line: its 8 stored values oldest first, then the new ones.
    constexpr int N = kSubframeSamples;
    auto load = [](const std::array<int16_t, kOrder>& state) {
        std::array<int16_t, kOrder + N> line;
        for (int m = 0; m < kOrder; ++m) {
            line[kOrder - 1 - m] = state[m];
        }
        return line;
    };
    auto store = [](const std::array<int16_t, kOrder + N>& line,
                    std::array<int16_t, kOrder>& state) {
        for (int m = 0; m < kOrder; ++m) {
            state[m] = line[kOrder + N - 1 - m];
        }
    };

    std::array<int16_t, kOrder + N> y1 = load(s.synthesis);
    for (int i = 0; i < N; ++i) {
        uint32_t sum = 0;
        for (int m = 0; m < kOrder; ++m) {
            sum += static_cast<uint32_t>(y1[kOrder + i - 1 - m] * q[m]);
        }
        y1[kOrder + i] = Clamp(e[i] + (Wrap(sum + 2048) >> 12));
    }
    store(y1, s.synthesis);

    std::array<int32_t, kOrder> zero;
    std::array<int32_t, kOrder> pole;
    for (int m = 0; m < kOrder; ++m) {
        zero[m] = (kPostZero[m] * q[m]) >> 15;
        pole[m] = (kPostPole[m] * q[m]) >> 15;
    }
    std::array<int16_t, kOrder + N> x2 = load(s.zeros);
    std::copy(y1.begin() + kOrder, y1.end(), x2.begin() + kOrder);
    SubframeSamples y2;
    for (int i = 0; i < N; ++i) {
        int32_t sum = 0;
        for (int m = 0; m < kOrder; ++m) {
            sum += x2[kOrder + i - 1 - m] * zero[m];
        }
        y2[i] = static_cast<int16_t>(x2[kOrder + i] + ((-sum) >> 12));
    }
    store(x2, s.zeros);

    const int32_t tilt = k1 - (k1 >> 2);
    std::array<int16_t, kOrder + N> u = load(s.poles);
    SubframeSamples out;
    for (int i = 0; i < N; ++i) {
        uint32_t sum = static_cast<uint32_t>(y2[i] * 4096);
        for (int m = 0; m < kOrder; ++m) {
            sum += static_cast<uint32_t>(u[kOrder + i - 1 - m] * pole[m]);
        }
        u[kOrder + i] = Clamp(Wrap(sum + 2048) >> 12);
        // The tilt takes the previous sample's pole output.
        sum += static_cast<uint32_t>((u[kOrder + i - 1] * tilt) >> 4);
        int32_t v = Wrap(sum);
        v -= v >> 3;
        out[i] = Clamp((v + 2048) >> 12);
    }
    store(u, s.poles);
    return out;
}

void RunFrame(DecoderState& state, const FrameFields& f, const FrameFilters& filters,
              std::span<int16_t, kFrameSamples> out) {
    for (int q = 0; q < kSubframes; ++q) {
        const SubframeSamples pitch = SubframePitch(state.history, f.lagBase[q / 2], f.pitch[q]);
        const SubframeSamples pulses =
            PulseVector(f.amplitudes[q], f.firstRank[q], f.secondRank[q], f.pulseGain[q]);
        const SubframeSamples y =
            RunSubframe(state, filters.subframe[q], filters.k1, pitch, pulses);
        std::copy(y.begin(), y.end(), out.begin() + q * kSubframeSamples);
    }
    state.previous = filters.lpc;
}

}  // namespace kivo::truespeech
