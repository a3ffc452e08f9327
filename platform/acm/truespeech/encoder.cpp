#include "platform/acm/truespeech/encoder.h"

#include "platform/acm/truespeech/analysis.h"
#include "platform/acm/truespeech/search.h"

#include <algorithm>

namespace kivo::truespeech {
namespace {

struct Trial {
    DecoderState state;
    FrameFields fields;
    FrameFilters filters;
    std::array<int, 2> base = {-1, -1};  // lag base of each half, -1 while open
    int lagHint = -1;                    // a lag to search around instead of all of them
    std::array<int16_t, kFrameSamples> output{};
    double error = 0;
};

// Which lags a subframe may use: the first of each half picks the half's base.
PitchCandidates CandidatesFor(int q, const std::array<int, 2>& base, int hint) {
    const int b = base[q / 2];
    if (q % 2 == 0 && hint >= 0) {
        return {std::max(hint - 2, kMinLag), std::min(hint + 2, kMaxLag), -1};
    }
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

void EncodeSubframe(Trial& t, int q, std::span<const int16_t, kSubframeSamples> input,
                    const Response& response) {
    const Lpc& filter = t.filters.subframe[q];
    const int16_t k1 = t.filters.k1;
    // What the filters ring out with no excitation; only the rest is the codebooks' to match.
    FilterMemory rest = t.state.filters;
    const SubframeSamples ringing = Synthesise(rest, filter, k1, SubframeSamples{});
    Signal target;
    for (int i = 0; i < kSubframeSamples; ++i) {
        target[i] = static_cast<float>(input[i] - ringing[i]);
    }
    int& base = t.base[q / 2];
    const PitchChoice pitch = SearchPitch(t.state.history, response, target,
                                          CandidatesFor(q, t.base, q == 0 ? t.lagHint : -1));
    int code = kNoPitch;
    if (pitch.gainPair >= 0) {
        if (base < 0) {
            base = pitch.lag - kMinLag;
        }
        code = (pitch.lag - base - kMinLag) * kPitchGains + pitch.gainPair;
    }
    Signal residual;
    for (int i = 0; i < kSubframeSamples; ++i) {
        residual[i] = target[i] - pitch.filtered[i];
    }
    const PulseChoice pulses = SearchPulses(response, residual);

    FrameFields& f = t.fields;
    f.pitch[q] = static_cast<uint8_t>(code);
    f.amplitudes[q] = pulses.amplitudes;
    f.firstRank[q] = pulses.firstRank;
    f.secondRank[q] = pulses.secondRank;
    f.pulseGain[q] = pulses.gain;
    f.lagBase[q / 2] = static_cast<uint8_t>(std::max(base, 0));

    // The decoder's own steps decide the state, from the fields as they will be sent.
    const SubframeSamples c =
        PulseVector(pulses.amplitudes, pulses.firstRank, pulses.secondRank, pulses.gain);
    const SubframeSamples out = RunSubframe(t.state, filter, k1, pitch.contribution, c);
    for (int i = 0; i < kSubframeSamples; ++i) {
        const double d = input[i] - out[i];
        t.error += d * d;
        t.output[q * kSubframeSamples + i] = out[i];
    }
}

Trial StartTrial(const DecoderState& state, const std::array<uint8_t, kOrder>& reflection,
                 bool interpolate) {
    Trial t{state, {}, SetupFrame(state.previous, reflection, interpolate)};
    t.fields.reflection = reflection;
    t.fields.interpolate = interpolate;
    return t;
}

}  // namespace

std::array<uint8_t, kFrameBytes> Encoder::EncodeFrame(
    std::span<const int16_t, kFrameSamples> in, std::span<int16_t, kFrameSamples> reconstruction) {
    auto sub = [&](int q) { return in.subspan(q * kSubframeSamples).first<kSubframeSamples>(); };
    const std::array<uint8_t, kOrder> reflection = AnalyseFrame(in);
    // The flag changes only the first half's filters; the half that fits better wins.
    Trial held = StartTrial(state_, reflection, false);
    Trial blended = StartTrial(state_, reflection, true);
    // Held, the first half keeps last frame's filter; blended, each of its subframes has its
    // own; the second half has the frame's filter either way.
    const int16_t k1 = held.filters.k1;
    // Every filter the frame may use, in one pass: the first half's of each trial, and the
    // second half's, which is the frame's own in both.
    const std::array<Signal, kResponses> impulse =
        ImpulseResponses({held.filters.subframe[0], blended.filters.subframe[0],
                          blended.filters.subframe[1], held.filters.subframe[2]},
                         k1);
    const Response kept = PrepareResponse(impulse[0]);
    // Both filters hear the same pitch, so the second trial searches near the first's lag.
    EncodeSubframe(held, 0, sub(0), kept);
    blended.lagHint = held.base[0] >= 0 ? held.base[0] + kMinLag : -1;
    EncodeSubframe(blended, 0, sub(0), PrepareResponse(impulse[1]));
    EncodeSubframe(held, 1, sub(1), kept);
    EncodeSubframe(blended, 1, sub(1), PrepareResponse(impulse[2]));
    Trial& best = blended.error < held.error ? blended : held;
    const Response own = PrepareResponse(impulse[3]);
    for (int q = 2; q < kSubframes; ++q) {
        EncodeSubframe(best, q, sub(q), own);
    }
    best.state.previous = best.filters.lpc;
    state_ = best.state;
    std::copy(best.output.begin(), best.output.end(), reconstruction.begin());
    return PackFrame(best.fields);
}

std::array<uint8_t, kFrameBytes> Encoder::EncodeFrame(std::span<const int16_t, kFrameSamples> in) {
    std::array<int16_t, kFrameSamples> unused;
    return EncodeFrame(in, unused);
}

}  // namespace kivo::truespeech
