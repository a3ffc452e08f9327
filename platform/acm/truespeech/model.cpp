#include "platform/acm/truespeech/model.h"

#include "platform/acm/truespeech/synthesis_kernels.h"

#include <algorithm>
#include <cstring>

namespace kivo::truespeech {

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
    // Only the last lag + 1 samples of the history are read, followed by the new ones.
    std::array<int16_t, kHistory + kSubframeSamples> e;
    const int first = kHistory - 1 - lag;
    for (int i = first; i < kHistory; ++i) {
        e[i - first] = static_cast<int16_t>(history[i]);
    }
    const int32_t older = kPitchOld[gainPair];
    const int32_t newer = kPitchNew[gainPair];
    SubframeSamples p;
    for (int i = 0; i < kSubframeSamples; ++i) {
        const int32_t v = (e[i] * older + e[i + 1] * newer + 8192) >> 14;
        p[i] = static_cast<int16_t>(v);
        e[lag + 1 + i] = p[i];
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

SubframeSamples Synthesise(FilterMemory& memory, const Lpc& q, int16_t k1,
                           const SubframeSamples& e) {
    static const SynthesisKernel& kernel = SynthesisKernels().front();
    return kernel.run(memory, q, k1, e);
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
    return Synthesise(s.filters, q, k1, e);
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
