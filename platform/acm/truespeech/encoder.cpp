#include "platform/acm/truespeech/encoder.h"

#include "platform/acm/truespeech/analysis.h"
#include "platform/acm/truespeech/search.h"

#include <algorithm>

namespace truespeech {
namespace {

struct Trial {
    DecoderState state;
    FrameFields fields;
    std::array<int16_t, kFrameSamples> output{};
    double error = 0;
};

// Which lags a subframe may use: the first of each half picks the half's base.
PitchCandidates CandidatesFor(int q, const std::array<int, 2>& base) {
    const int b = base[q / 2];
    if (q % 2 == 0 || b < 0) {
        return {};
    }
    PitchCandidates c;
    c.lowLag = b + kMinLag;
    c.highLag = std::min(b + kMinLag + 5, kMaxLag);
    if (c.highLag == b + kMinLag + 5) {
        c.restrictedLag = c.highLag;
    }
    return c;
}

Trial EncodeWith(const DecoderState& start, std::span<const int16_t, kFrameSamples> in,
                 const std::array<uint8_t, kOrder>& reflection, bool interpolate) {
    Trial t{start, {}, {}, 0};
    t.fields.reflection = reflection;
    t.fields.interpolate = interpolate;
    const FrameFilters filters = SetupFrame(start.previous, reflection, interpolate);
    std::array<int, 2> base = {-1, -1};
    for (int q = 0; q < kSubframes; ++q) {
        const Lpc& filter = filters.subframe[q];
        const auto input = in.subspan(q * kSubframeSamples).first<kSubframeSamples>();

        DecoderState rest = t.state;
        const SubframeSamples ringing =
            RunSubframe(rest, filter, filters.k1, SubframeSamples{}, SubframeSamples{});
        Signal target;
        for (int i = 0; i < kSubframeSamples; ++i) {
            target[i] = static_cast<float>(input[i] - ringing[i]);
        }
        const Signal h = ImpulseResponse(filter, filters.k1);

        const PitchChoice pitch = SearchPitch(t.state.history, h, target, CandidatesFor(q, base));
        int code = kNoPitch;
        if (pitch.gainPair >= 0) {
            if (base[q / 2] < 0) {
                base[q / 2] = pitch.lag - kMinLag;
            }
            code = (pitch.lag - base[q / 2] - kMinLag) * kPitchGains + pitch.gainPair;
        }
        Signal residual;
        for (int i = 0; i < kSubframeSamples; ++i) {
            residual[i] = target[i] - pitch.filtered[i];
        }
        const PulseChoice pulses = SearchPulses(h, residual);

        t.fields.pitch[q] = static_cast<uint8_t>(code);
        t.fields.amplitudes[q] = pulses.amplitudes;
        t.fields.firstRank[q] = pulses.firstRank;
        t.fields.secondRank[q] = pulses.secondRank;
        t.fields.pulseGain[q] = pulses.gain;
        t.fields.lagBase[q / 2] = static_cast<uint8_t>(std::max(base[q / 2], 0));

        // The decoder's own steps decide the state, from the fields as they will be sent.
        const SubframeSamples c =
            PulseVector(pulses.amplitudes, pulses.firstRank, pulses.secondRank, pulses.gain);
        const SubframeSamples out = RunSubframe(t.state, filter, filters.k1, pitch.contribution, c);
        for (int i = 0; i < kSubframeSamples; ++i) {
            const double d = input[i] - out[i];
            t.error += d * d;
            t.output[q * kSubframeSamples + i] = out[i];
        }
    }
    t.state.previous = filters.lpc;
    return t;
}

}  // namespace

std::array<uint8_t, kFrameBytes> Encoder::EncodeFrame(
    std::span<const int16_t, kFrameSamples> in, std::span<int16_t, kFrameSamples> reconstruction) {
    const std::array<uint8_t, kOrder> reflection = AnalyseFrame(in);
    Trial held = EncodeWith(state_, in, reflection, false);
    Trial blended = EncodeWith(state_, in, reflection, true);
    Trial& best = blended.error < held.error ? blended : held;
    state_ = best.state;
    std::copy(best.output.begin(), best.output.end(), reconstruction.begin());
    return PackFrame(best.fields);
}

std::array<uint8_t, kFrameBytes> Encoder::EncodeFrame(std::span<const int16_t, kFrameSamples> in) {
    std::array<int16_t, kFrameSamples> unused;
    return EncodeFrame(in, unused);
}

}  // namespace truespeech
