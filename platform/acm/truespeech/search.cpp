#include "platform/acm/truespeech/search.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

namespace kivo::truespeech {
namespace {

constexpr int N = kSubframeSamples;

// Four partial sums, so that the compiler may keep them in one vector register.
float Dot(const Signal& a, const float* b) {
    std::array<float, 4> s{};
    for (int i = 0; i < N; i += 4) {
        for (int k = 0; k < 4; ++k) {
            s[k] += a[i + k] * b[i + k];
        }
    }
    return (s[0] + s[1]) + (s[2] + s[3]);
}

float Dot(const Signal& a, const Signal& b) {
    return Dot(a, b.data());
}

Signal ToSignal(const SubframeSamples& v) {
    Signal s;
    std::copy(v.begin(), v.end(), s.begin());
    return s;
}

float SquaredError(const Signal& target, const Signal& y) {
    float e = 0;
    for (int i = 0; i < N; ++i) {
        const float d = target[i] - y[i];
        e += d * d;
    }
    return e;
}

struct Approximate {
    float error;
    int lag;
    int gainPair;
};

// The gain pairs as factors, with the products the quadratic form needs.
struct PitchTaps {
    std::array<float, kPitchGains> a, b, aa, ab, bb;
    PitchTaps() {
        for (int g = 0; g < kPitchGains; ++g) {
            a[g] = kPitchOld[g] / 16384.0f;
            b[g] = kPitchNew[g] / 16384.0f;
            aa[g] = a[g] * a[g];
            ab[g] = 2 * a[g] * b[g];
            bb[g] = b[g] * b[g];
        }
    }
};

// d[j] = sum over i of x[i] h[i - j]: the correlation of x with each shifted response.
// x is read with N zeros behind it, so that every pass runs the whole length and vectorises.
Signal BackwardFilter(const Signal& h, const Signal& x) {
    std::array<float, 2 * N> padded{};
    std::copy(x.begin(), x.end(), padded.begin());
    Signal d{};
    for (int k = 0; k < N; ++k) {
        const float weight = h[k];
        const float* shifted = padded.data() + k;
        for (int j = 0; j < N; ++j) {
            d[j] += weight * shifted[j];
        }
    }
    return d;
}

// v = front * h + src delayed by one sample.
void PrependImpulse(Signal& v, const Signal& src, float front, const Signal& h) {
    v[0] = front * h[0];
    for (int i = 1; i < N; ++i) {
        v[i] = front * h[i] + src[i - 1];
    }
}

using Ranking = std::array<Approximate, 4>;

// Ranks a run of lags by the two-tap quadratic form. Lags below the subframe length repeat the
// history instead of extending it through the gains; the exact check afterwards corrects that.
// Each filtered vector comes from its neighbour lag's by one shift, so a lag costs O(N).
void ScoreLags(const std::array<int16_t, kHistory>& e, const Signal& h, const Signal& target,
               const PitchCandidates& c, Ranking& best) {
    static const PitchTaps taps;
    const float tt = Dot(target, target);
    Signal part{};   // h * (the last `lag` history samples, then silence)
    Signal newer{};  // h * (history from lag L back, repeated)
    Signal older{};  // h * (history from lag L + 1 back)
    float previousXo = 0;
    float previousOo = 0;
    for (int lag = c.lowLag; lag <= c.highLag; ++lag) {
        const bool follows = lag > c.lowLag;
        if (lag < N) {
            if (follows) {
                const Signal shorter = part;
                PrependImpulse(part, shorter, e[kHistory - lag], h);
            } else {
                Signal u{};
                for (int i = 0; i < lag; ++i) {
                    u[i] = e[kHistory - lag + i];
                }
                part = Convolve(h, u);
            }
            newer = part;
            for (int k = lag; k < N; k += lag) {
                for (int i = k; i < N; ++i) {
                    newer[i] += part[i - k];
                }
            }
        } else if (follows) {
            newer = older;  // the window of lag L + 1 is that of L, one sample older
        } else {
            Signal u;
            for (int i = 0; i < N; ++i) {
                u[i] = e[kHistory - lag + i];
            }
            newer = Convolve(h, u);
        }
        PrependImpulse(older, newer, e[kHistory - 1 - lag], h);

        // Past the subframe length, lag L's newer tap is lag L - 1's older one.
        const bool reuse = lag >= N && follows;
        std::array<float, 4> xo{}, xn{}, oo{}, on{}, nn{};
        for (int i = 0; i < N; i += 4) {
            for (int k = 0; k < 4; ++k) {
                const float o = older[i + k];
                xo[k] += target[i + k] * o;
                oo[k] += o * o;
                on[k] += o * newer[i + k];
            }
        }
        if (!reuse) {
            for (int i = 0; i < N; i += 4) {
                for (int k = 0; k < 4; ++k) {
                    const float n = newer[i + k];
                    xn[k] += target[i + k] * n;
                    nn[k] += n * n;
                }
            }
        }
        auto sum = [](const std::array<float, 4>& v) { return (v[0] + v[1]) + (v[2] + v[3]); };
        const float sxo = 2 * sum(xo), soo = sum(oo), son = sum(on);
        const float sxn = reuse ? previousXo : 2 * sum(xn);
        const float snn = reuse ? previousOo : sum(nn);
        previousXo = sxo;
        previousOo = soo;
        const int gains = lag == c.restrictedLag ? 2 : kPitchGains;
        std::array<float, kPitchGains> err;
        for (int g = 0; g < kPitchGains; ++g) {
            err[g] = tt - taps.a[g] * sxo - taps.b[g] * sxn + taps.aa[g] * soo + taps.ab[g] * son +
                     taps.bb[g] * snn;
        }
        // Each lag offers its best pair; the exact check then sees several lags.
        int g = 0;
        for (int k = 1; k < gains; ++k) {
            g = err[k] < err[g] ? k : g;
        }
        if (err[g] < best.back().error) {
            best.back() = {err[g], lag, g};
            std::sort(best.begin(), best.end(),
                      [](const Approximate& l, const Approximate& r) { return l.error < r.error; });
        }
    }
}

// The history a lag repeats over the subframe.
Signal LagVector(const std::array<int16_t, kHistory>& e, int lag) {
    Signal u;
    const int first = std::min(lag, N);
    std::copy(e.begin() + kHistory - lag, e.begin() + kHistory - lag + first, u.begin());
    for (int i = first; i < N; ++i) {
        u[i] = u[i - lag];
    }
    return u;
}

// A wide range is first narrowed by the correlation of each lag's history with the
// backward-filtered target, normalised by the history's own energy, which needs no filtering;
// the quadratic form then ranks the neighbourhoods of the best few.
Ranking RankPitch(const std::array<int16_t, kHistory>& e, const Signal& h, const Signal& target,
                  const PitchCandidates& c) {
    constexpr int kWide = 16;
    constexpr int kKept = 6;
    Ranking best;
    best.fill({std::numeric_limits<float>::max(), 0, -1});
    if (c.highLag - c.lowLag < kWide) {
        ScoreLags(e, h, target, c, best);
        return best;
    }
    const Signal d = BackwardFilter(h, target);
    // Past the subframe length a lag's history is a window of the history itself, read in
    // place; below it, the last `lag` samples repeated. Energies come from running sums of
    // squares either way.
    std::array<float, kHistory> history;
    std::array<double, kHistory + 1> squares{};
    for (int i = 0; i < kHistory; ++i) {
        history[i] = e[i];
        squares[i + 1] = squares[i] + static_cast<double>(e[i]) * e[i];
    }
    std::array<std::pair<float, int>, kKept> top;
    top.fill({-1.0f, -1});
    for (int lag = c.lowLag; lag <= c.highLag; ++lag) {
        const int start = kHistory - lag;
        float corr;
        float energy;
        if (lag >= N) {
            corr = Dot(d, history.data() + start);
            energy = static_cast<float>(squares[start + N] - squares[start]);
        } else {
            corr = Dot(d, LagVector(e, lag).data());
            energy = static_cast<float>((N / lag) * (squares[kHistory] - squares[start]) +
                                        squares[start + N % lag] - squares[start]);
        }
        const float score = corr > 0 && energy > 0 ? corr * corr / energy : 0.0f;
        if (score > top.back().first) {
            top.back() = {score, lag};
            std::sort(top.begin(), top.end(), std::greater<>());
        }
    }
    std::array<bool, kMaxLag + 2> wanted{};
    for (auto [score, lag] : top) {
        if (lag < 0) {
            continue;
        }
        for (int l = std::max(lag - 1, c.lowLag); l <= std::min(lag + 1, c.highLag); ++l) {
            wanted[l] = true;
        }
    }
    for (int lag = c.lowLag; lag <= c.highLag; ++lag) {
        if (!wanted[lag]) {
            continue;
        }
        int end = lag;
        while (end + 1 <= c.highLag && wanted[end + 1]) {
            ++end;
        }
        ScoreLags(e, h, target, {lag, end, c.restrictedLag}, best);
        lag = end;
    }
    return best;
}

}  // namespace

Signal ImpulseResponse(const Lpc& q, int16_t k1) {
    std::array<float, kOrder> a;
    std::array<float, kOrder> zero;
    std::array<float, kOrder> pole;
    for (int m = 0; m < kOrder; ++m) {
        a[m] = q[m] / 4096.0f;
        zero[m] = ((kPostZero[m] * q[m]) >> 15) / 4096.0f;
        pole[m] = ((kPostPole[m] * q[m]) >> 15) / 4096.0f;
    }
    const float tilt = (k1 - (k1 >> 2)) / 65536.0f;
    // Delay lines with kOrder zeros in front: the filters start at rest.
    std::array<float, kOrder + N> y1{};
    std::array<float, kOrder + N> u{};
    Signal h;
    for (int i = 0; i < N; ++i) {
        const int at = kOrder + i;
        float s = i == 0 ? 1.0f : 0.0f;
        for (int m = 0; m < kOrder; ++m) {
            s += a[m] * y1[at - 1 - m];
        }
        y1[at] = s;
        float z = s;
        for (int m = 0; m < kOrder; ++m) {
            z -= zero[m] * y1[at - 1 - m];
        }
        float p = z;
        for (int m = 0; m < kOrder; ++m) {
            p += pole[m] * u[at - 1 - m];
        }
        u[at] = p;
        h[i] = 0.875f * (p + tilt * u[at - 1]);
    }
    return h;
}

Signal Convolve(const Signal& h, const Signal& u) {
    // Each input sample adds a copy of h shifted by its position. The copy is read from a
    // response with N zeros in front, so that every pass runs the whole length and vectorises.
    std::array<float, 2 * N> padded{};
    std::copy(h.begin(), h.end(), padded.begin() + N);
    Signal y{};
    for (int j = 0; j < N; ++j) {
        const float v = u[j];
        if (v == 0) {
            continue;  // the history before a short lag, and silence
        }
        const float* shifted = padded.data() + N - j;
        for (int n = 0; n < N; ++n) {
            y[n] += v * shifted[n];
        }
    }
    return y;
}

PitchChoice SearchPitch(const std::array<int32_t, kHistory>& history, const Response& response,
                        const Signal& target, const PitchCandidates& candidates) {
    const Signal& h = response.h;
    std::array<int16_t, kHistory> e;
    for (int i = 0; i < kHistory; ++i) {
        e[i] = static_cast<int16_t>(history[i]);
    }
    // Below the subframe length the ranking's vectors differ from what the decoder repeats,
    // so those candidates are filtered exactly; past it the ranking's error is the error, up
    // to the rounding of the contribution.
    PitchChoice best;
    float bestError = Dot(target, target);
    for (const Approximate& a : RankPitch(e, h, target, candidates)) {
        if (a.gainPair < 0) {
            continue;
        }
        if (a.lag >= N) {
            if (a.error < bestError) {
                bestError = a.error;
                best = {a.lag, a.gainPair, {}, {}};
            }
            continue;
        }
        const SubframeSamples p = PitchContribution(history, a.lag, a.gainPair);
        const Signal y = Convolve(h, ToSignal(p));
        const float err = SquaredError(target, y);
        if (err < bestError) {
            bestError = err;
            best = {a.lag, a.gainPair, p, y};
        }
    }
    if (best.lag >= N) {
        best.contribution = PitchContribution(history, best.lag, best.gainPair);
        best.filtered = Convolve(h, ToSignal(best.contribution));
    }
    return best;
}

uint32_t PositionRank(std::span<const int> u) {
    const int m = static_cast<int>(u.size());
    uint32_t rank = 0;
    int previous = -1;
    for (int j = 0; j < m; ++j) {
        for (int i = previous + 1; i < u[j]; ++i) {
            rank += static_cast<uint32_t>(Combination(i, m - 1 - j));
        }
        previous = u[j];
    }
    return rank;
}

Response PrepareResponse(const Lpc& filter, int16_t k1) {
    Response r;
    r.h = ImpulseResponse(filter, k1);
    // phi(a, b) = sum over k of h[k - a] h[k - b], cut at the subframe's end. Every diagonal
    // is a running sum from its far end; all of them run side by side, and row l is complete
    // once k reaches N - 1 - l.
    Signal acc{};
    for (int k = 0; k < N; ++k) {
        const int l = N - 1 - k;
        for (int delta = 0; delta <= l; ++delta) {
            acc[delta] += r.h[k + delta] * r.h[k];
        }
        for (int delta = 0; delta <= l; ++delta) {
            r.lower[l][l - delta] = acc[delta];
        }
    }
    for (int j = 0; j < N; ++j) {
        r.inverseEnergy[j] = 1.0f / r.lower[j][j];
    }
    return r;
}

PulseChoice SearchPulses(const Response& response, const Signal& target) {
    const Signal d = BackwardFilter(response.h, target);

    // Greedy multipulse (h[0] is never 0, so every energy is positive) with the amplitudes
    // re-fitted after each pick.
    std::array<int, kPulses> pos{};
    std::array<float, kPulses> amp{};
    std::array<Signal, kPulses> column;                     // phi(., pos[n])
    std::array<std::array<float, kPulses>, kPulses> sub{};  // phi(pos[n], pos[o])
    // Positions already taken, or in a half that has all its pulses, are closed.
    std::array<bool, N> open;
    open.fill(true);
    int inFirst = 0;
    for (int n = 0; n < kPulses; ++n) {
        Signal corr = d;
        for (int c = 0; c < n; ++c) {
            for (int j = 0; j < N; ++j) {
                corr[j] -= amp[c] * column[c][j];
            }
        }
        // The first of equal scores wins; a closed position scores below every open one.
        int pick = 0;
        float pickScore = -1.0f;
        for (int j = 0; j < N; ++j) {
            const float score = open[j] ? corr[j] * corr[j] * response.inverseEnergy[j] : -1.0f;
            pick = score > pickScore ? j : pick;
            pickScore = std::max(score, pickScore);
        }
        open[pick] = false;
        pos[n] = pick;
        if (pick < kHalf && ++inFirst == kFirstHalfPulses) {
            std::fill(open.begin(), open.begin() + kHalf, false);
        } else if (pick >= kHalf && n + 1 - inFirst == kSecondHalfPulses) {
            std::fill(open.begin() + kHalf, open.end(), false);
        }
        const auto& lower = response.lower;
        std::copy(lower[pick].begin(), lower[pick].begin() + pick + 1, column[n].begin());
        for (int j = pick + 1; j < N; ++j) {
            column[n][j] = lower[j][pick];
        }
        for (int o = 0; o <= n; ++o) {
            sub[n][o] = sub[o][n] = column[n][pos[o]];
        }
        amp[n] = 0;
        for (int sweep = 0; sweep < 3; ++sweep) {
            for (int c = 0; c <= n; ++c) {
                float r = d[pos[c]];
                for (int o = 0; o <= n; ++o) {
                    if (o != c) {
                        r -= amp[o] * sub[c][o];
                    }
                }
                amp[c] = r / sub[c][c];
            }
        }
    }

    // One gain for all seven: quantise each, refine code by code, keep the best gain. Only gains
    // from a sixth of the mean amplitude to one and a half times it can be near the optimum.
    float meanAmp = 0;
    for (float a : amp) {
        meanAmp += std::fabs(a) / kPulses;
    }
    std::array<int, kPulses> order{};
    for (int n = 0; n < kPulses; ++n) {
        order[n] = n;
    }
    std::sort(order.begin(), order.end(), [&](int a, int b) { return pos[a] < pos[b]; });
    float bestCost = std::numeric_limits<float>::max();
    std::array<int, kPulses> bestCodes{};
    int lowGain = 0;
    while (lowGain < kPulseGains - 1 && kPulseGain[lowGain + 1] <= meanAmp / 6) {
        ++lowGain;
    }
    int highGain = lowGain;
    while (highGain < kPulseGains - 1 && kPulseGain[highGain + 1] <= meanAmp * 1.5f) {
        ++highGain;
    }
    int bestGain = lowGain;
    for (int g = lowGain; g <= highGain; ++g) {
        const float gain = kPulseGain[g];
        std::array<int, kPulses> codes{};
        std::array<float, kPulses> v{};
        for (int n = 0; n < kPulses; ++n) {
            float nearest = std::numeric_limits<float>::max();
            for (int code = 0; code < 4; ++code) {
                const float dist = std::fabs(amp[n] - gain * kAmplitudeSign[code]);
                if (dist < nearest) {
                    nearest = dist;
                    codes[n] = code;
                }
            }
            v[n] = gain * kAmplitudeSign[codes[n]];
        }
        for (int pass = 0; pass < 2; ++pass) {
            for (int n = 0; n < kPulses; ++n) {
                float cross = 0;
                for (int o = 0; o < kPulses; ++o) {
                    if (o != n) {
                        cross += v[o] * sub[n][o];
                    }
                }
                float local = std::numeric_limits<float>::max();
                for (int code = 0; code < 4; ++code) {
                    const float x = gain * kAmplitudeSign[code];
                    const float c = -2 * x * d[pos[n]] + x * x * sub[n][n] + 2 * x * cross;
                    if (c < local) {
                        local = c;
                        codes[n] = code;
                    }
                }
                v[n] = gain * kAmplitudeSign[codes[n]];
            }
        }
        float cost = 0;
        for (int n = 0; n < kPulses; ++n) {
            cost -= 2 * v[n] * d[pos[n]];
            for (int o = 0; o < kPulses; ++o) {
                cost += v[n] * v[o] * sub[n][o];
            }
        }
        if (cost < bestCost) {
            bestCost = cost;
            bestCodes = codes;
            bestGain = g;
        }
    }

    PulseChoice choice;
    choice.gain = static_cast<uint8_t>(bestGain);
    std::array<int, kPulses> sorted{};
    for (int n = 0; n < kPulses; ++n) {
        sorted[n] = pos[order[n]];
        choice.amplitudes = static_cast<uint16_t>(choice.amplitudes |
                                                  bestCodes[order[n]] << (2 * (kPulses - 1 - n)));
    }
    choice.firstRank =
        static_cast<uint16_t>(PositionRank(std::span(sorted).first<kFirstHalfPulses>()));
    std::array<int, kSecondHalfPulses> second;
    for (int n = 0; n < kSecondHalfPulses; ++n) {
        second[n] = sorted[kFirstHalfPulses + n] - kHalf;
    }
    choice.secondRank = static_cast<uint16_t>(PositionRank(second));
    return choice;
}

}  // namespace kivo::truespeech
