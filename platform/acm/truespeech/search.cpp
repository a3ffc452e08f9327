#include "platform/acm/truespeech/search.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

namespace kivo::truespeech {
namespace {

constexpr int N = kSubframeSamples;

// Four floats in one register; the loops below keep their sums in these, so that no partial
// sum goes through memory.
using Lanes = float __attribute__((vector_size(16)));
constexpr int kLanes = 4;

Lanes Load(const float* p) {
    Lanes v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

void Store(float* p, Lanes v) {
    std::memcpy(p, &v, sizeof v);
}

constexpr Lanes kLaneIndex = {0, 1, 2, 3};
constexpr float kUnreachable = std::numeric_limits<float>::infinity();

// The four lanes' partial sums added pairwise.
float Sum(Lanes s) {
    return (s[0] + s[1]) + (s[2] + s[3]);
}

float Dot(const Signal& a, const float* b) {
    Lanes s{};
    for (int i = 0; i < N; i += kLanes) {
        s += Load(&a[i]) * Load(b + i);
    }
    return Sum(s);
}

float Dot(const Signal& a, const Signal& b) {
    return Dot(a, b.data());
}

// Dot(a, b[k]) for each k, side by side.
Lanes Dots(const Signal& a, const std::array<Signal, kLanes>& b) {
    Lanes s0{}, s1{}, s2{}, s3{};
    for (int i = 0; i < N; i += kLanes) {
        const Lanes x = Load(&a[i]);
        s0 += x * Load(&b[0][i]);
        s1 += x * Load(&b[1][i]);
        s2 += x * Load(&b[2][i]);
        s3 += x * Load(&b[3][i]);
    }
    return Lanes{Sum(s0), Sum(s1), Sum(s2), Sum(s3)};
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
// Padded to whole registers with pairs of no weight.
struct PitchTaps {
    static constexpr int kPadded = (kPitchGains + kLanes - 1) / kLanes * kLanes;
    std::array<float, kPadded> a{}, b{}, aa{}, ab{}, bb{};
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

// The fastest zero-state filters this processor runs.
const FilterKernel& Filters() {
    static const FilterKernel& kernel = FilterKernels().front();
    return kernel;
}

Signal BackwardFilter(const Signal& h, const Signal& x) {
    return Filters().backwardFilter(h, x);
}

Signal ConvolvePrefix(const PaddedResponse& h, const Signal& u, int length) {
    return Filters().convolvePrefix(h, u, length);
}

// Zero-state filtering by h, cut at the subframe's end.
Signal Convolve(const PaddedResponse& h, const Signal& u) {
    return ConvolvePrefix(h, u, N);
}

// v = front * h + src delayed by one sample; v and src are different signals.
void PrependImpulse(Signal& v, const Signal& src, float front, const Signal& h) {
    v[0] = front * h[0];
    for (int i = 1; i < kLanes; ++i) {
        v[i] = front * h[i] + src[i - 1];
    }
    const Lanes f = Lanes{} + front;
    for (int i = kLanes; i < N; i += kLanes) {
        Store(&v[i], f * Load(&h[i]) + Load(&src[i - 1]));
    }
}

// repeated = part + part delayed by lag + part delayed by 2 lag + ..., summed in that order.
void RepeatEvery(int lag, const Signal& part, Signal& repeated) {
    repeated = part;
    for (int k = lag; k < N; k += lag) {
        int i = k;
        for (; i + kLanes <= N; i += kLanes) {
            Store(&repeated[i], Load(&repeated[i]) + Load(&part[i - k]));
        }
        for (; i < N; ++i) {
            repeated[i] += part[i - k];
        }
    }
}

using Ranking = std::array<Approximate, 4>;

// Ranks a run of lags by the two-tap quadratic form. Lags below the subframe length repeat the
// history instead of extending it through the gains; the exact check afterwards corrects that.
// Each filtered vector comes from its neighbour lag's by one shift, so a lag costs O(N).
// tt is the target's energy.
void ScoreLags(const std::array<int16_t, kHistory>& e, const Response& response,
               const Signal& target, float tt, const PitchCandidates& c, Ranking& best) {
    static const PitchTaps taps;
    const Signal& h = response.h;
    // Each vector is written beside the one it comes from, then the two trade places; each is
    // written whole before it is read.
    std::array<Signal, 2> parts;     // h * (the last `lag` history samples, then silence)
    std::array<Signal, 2> filtered;  // h * (history from lag L back, repeated) and from L + 1
    Signal* part = &parts[0];
    Signal* newer = &filtered[0];
    Signal* older = &filtered[1];
    float previousXo = 0;
    float previousOo = 0;
    for (int lag = c.lowLag; lag <= c.highLag; ++lag) {
        const bool follows = lag > c.lowLag;
        if (lag < N) {
            if (follows) {
                Signal* longer = part == &parts[0] ? &parts[1] : &parts[0];
                PrependImpulse(*longer, *part, e[kHistory - lag], h);
                part = longer;
            } else {
                Signal u{};
                for (int i = 0; i < lag; ++i) {
                    u[i] = e[kHistory - lag + i];
                }
                *part = ConvolvePrefix(response.padded, u, lag);
            }
            RepeatEvery(lag, *part, *newer);
        } else if (follows) {
            std::swap(newer, older);  // the window of lag L + 1 is that of L, one sample older
        } else {
            Signal u;
            for (int i = 0; i < N; ++i) {
                u[i] = e[kHistory - lag + i];
            }
            *newer = Convolve(response.padded, u);
        }
        PrependImpulse(*older, *newer, e[kHistory - 1 - lag], h);

        // Past the subframe length, lag L's newer tap is lag L - 1's older one.
        const bool reuse = lag >= N && follows;
        Lanes xo{}, xn{}, oo{}, on{}, nn{};
        for (int i = 0; i < N; i += kLanes) {
            const Lanes o = Load(&(*older)[i]);
            xo += Load(&target[i]) * o;
            oo += o * o;
            on += o * Load(&(*newer)[i]);
        }
        if (!reuse) {
            for (int i = 0; i < N; i += kLanes) {
                const Lanes n = Load(&(*newer)[i]);
                xn += Load(&target[i]) * n;
                nn += n * n;
            }
        }
        const float sxo = 2 * Sum(xo), soo = Sum(oo), son = Sum(on);
        const float sxn = reuse ? previousXo : 2 * Sum(xn);
        const float snn = reuse ? previousOo : Sum(nn);
        previousXo = sxo;
        previousOo = soo;
        // Each lag offers its best pair, the first of equal ones; the exact check then sees
        // several lags. Most lags cannot enter the ranking, which the smallest error tells
        // before its pair is looked for. Pairs the lag may not use weigh as infinite errors.
        const float gains = lag == c.restrictedLag ? 2 : kPitchGains;
        std::array<float, PitchTaps::kPadded> err;
        const Lanes none = Lanes{} + kUnreachable;
        Lanes low = none;
        for (int g = 0; g < PitchTaps::kPadded; g += kLanes) {
            const Lanes e = tt - Load(&taps.a[g]) * sxo - Load(&taps.b[g]) * sxn +
                            Load(&taps.aa[g]) * soo + Load(&taps.ab[g]) * son +
                            Load(&taps.bb[g]) * snn;
            const Lanes allowed = kLaneIndex + static_cast<float>(g) < gains ? e : none;
            Store(&err[g], allowed);
            low = allowed < low ? allowed : low;
        }
        const float smallest = std::min(std::min(low[0], low[1]), std::min(low[2], low[3]));
        if (smallest < best.back().error) {
            const int g =
                static_cast<int>(std::find(err.begin(), err.end(), smallest) - err.begin());
            int at = static_cast<int>(best.size()) - 1;
            for (; at > 0 && smallest < best[at - 1].error; --at) {
                best[at] = best[at - 1];
            }
            best[at] = {smallest, lag, g};
        }
    }
}

// The history a lag repeats over the subframe.
Signal LagVector(const std::array<float, kHistory>& history, int lag) {
    Signal u;
    const float* last = history.data() + kHistory - lag;
    for (int i = 0; i < lag; ++i) {
        u[i] = last[i];
    }
    for (int i = lag; i < N; ++i) {
        u[i] = u[i - lag];
    }
    return u;
}

// A wide range is first narrowed by the correlation of each lag's history with the
// backward-filtered target, normalised by the history's own energy, which needs no filtering;
// the quadratic form then ranks the neighbourhoods of the best few.
Ranking RankPitch(const std::array<int16_t, kHistory>& e, const Response& response,
                  const Signal& target, float tt, const PitchCandidates& c) {
    constexpr int kWide = 16;
    constexpr int kKept = 6;
    Ranking best;
    best.fill({std::numeric_limits<float>::max(), 0, -1});
    if (c.highLag - c.lowLag < kWide) {
        ScoreLags(e, response, target, tt, c, best);
        return best;
    }
    const Signal d = BackwardFilter(response.h, target);
    // Past the subframe length a lag's history is a window of the history itself, all of them
    // correlated in one pass; below it, the last `lag` samples repeated. Energies come from
    // running sums of squares either way, exact in integers.
    std::array<float, kHistory> history;
    std::array<int64_t, kHistory + 1> squares{};
    for (int i = 0; i < kHistory; ++i) {
        history[i] = e[i];
        squares[i + 1] = squares[i] + e[i] * e[i];
    }
    std::array<float, kMaxLag + 1 + kLanes> corr{};
    const int windowed = std::max(c.lowLag, N);
    if (windowed <= c.highLag) {
        // Window k starts where lag highLag - k does.
        std::array<float, kHistory> products;
        const int count = c.highLag - windowed + 1;
        Filters().windowProducts(d, history.data() + kHistory - c.highLag, count, products.data());
        for (int k = 0; k < count; ++k) {
            corr[c.highLag - k] = products[k];
        }
    }
    // Four lags at a time, so that their sums' chains overlap.
    for (int lag = c.lowLag; lag < windowed; lag += kLanes) {
        std::array<Signal, kLanes> repeated;
        for (int k = 0; k < kLanes; ++k) {
            repeated[k] = LagVector(history, std::min(lag + k, windowed - 1));
        }
        const Lanes products = Dots(d, repeated);
        for (int k = 0; k < kLanes && lag + k < windowed; ++k) {
            corr[lag + k] = products[k];
        }
    }
    // Scores side by side, then the ranking of the run in lag order.
    std::array<float, kMaxLag + 1 + kLanes> energy{};
    for (int lag = c.lowLag; lag <= c.highLag; ++lag) {
        const int start = kHistory - lag;
        energy[lag] = lag >= N
                          ? static_cast<float>(squares[start + N] - squares[start])
                          : static_cast<float>((N / lag) * (squares[kHistory] - squares[start]) +
                                               squares[start + N % lag] - squares[start]);
    }
    std::array<float, kMaxLag + 1 + kLanes> score{};
    for (int lag = c.lowLag; lag <= c.highLag; lag += kLanes) {
        const Lanes r = Load(&corr[lag]);
        const Lanes w = Load(&energy[lag]);
        Store(&score[lag], r > 0 && w > 0 ? r * r / w : Lanes{});
    }
    std::array<std::pair<float, int>, kKept> top;
    top.fill({-1.0f, -1});
    for (int lag = c.lowLag; lag <= c.highLag; ++lag) {
        const std::pair<float, int> entry = {score[lag], lag};
        if (entry.first > top.back().first) {
            int at = kKept - 1;
            for (; at > 0 && entry > top[at - 1]; --at) {
                top[at] = top[at - 1];
            }
            top[at] = entry;
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
        ScoreLags(e, response, target, tt, {lag, end, c.restrictedLag}, best);
        lag = end;
    }
    return best;
}

}  // namespace

std::array<Signal, kResponses> ImpulseResponses(const std::array<Lpc, kResponses>& filters,
                                                int16_t k1) {
    static_assert(kResponses == kLanes);
    std::array<Lanes, kOrder> a;
    std::array<Lanes, kOrder> zero;
    std::array<Lanes, kOrder> pole;
    for (int m = 0; m < kOrder; ++m) {
        for (int f = 0; f < kResponses; ++f) {
            const int16_t q = filters[f][m];
            a[m][f] = q / 4096.0f;
            zero[m][f] = ((kPostZero[m] * q) >> 15) / 4096.0f;
            pole[m][f] = ((kPostPole[m] * q) >> 15) / 4096.0f;
        }
    }
    const float tilt = (k1 - (k1 >> 2)) / 65536.0f;
    // Delay lines with kOrder zeros in front: the filters start at rest. Each sample waits on
    // the one before through 24 sums, so the filters run side by side, one to a lane.
    std::array<Lanes, kOrder + N> y1{};
    std::array<Lanes, kOrder + N> u{};
    std::array<Signal, kResponses> h;
    for (int i = 0; i < N; ++i) {
        const int at = kOrder + i;
        Lanes s = Lanes{} + (i == 0 ? 1.0f : 0.0f);
        for (int m = 0; m < kOrder; ++m) {
            s += a[m] * y1[at - 1 - m];
        }
        y1[at] = s;
        Lanes z = s;
        for (int m = 0; m < kOrder; ++m) {
            z -= zero[m] * y1[at - 1 - m];
        }
        Lanes p = z;
        for (int m = 0; m < kOrder; ++m) {
            p += pole[m] * u[at - 1 - m];
        }
        u[at] = p;
        const Lanes out = 0.875f * (p + tilt * u[at - 1]);
        for (int f = 0; f < kResponses; ++f) {
            h[f][i] = out[f];
        }
    }
    return h;
}

PitchChoice SearchPitch(const std::array<int32_t, kHistory>& history, const Response& response,
                        const Signal& target, const PitchCandidates& candidates) {
    std::array<int16_t, kHistory> e;
    for (int i = 0; i < kHistory; ++i) {
        e[i] = static_cast<int16_t>(history[i]);
    }
    // Below the subframe length the ranking's vectors differ from what the decoder repeats,
    // so those candidates are filtered exactly; past it the ranking's error is the error, up
    // to the rounding of the contribution.
    PitchChoice best;
    const float energy = Dot(target, target);
    float bestError = energy;
    for (const Approximate& a : RankPitch(e, response, target, energy, candidates)) {
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
        const Signal y = Convolve(response.padded, ToSignal(p));
        const float err = SquaredError(target, y);
        if (err < bestError) {
            bestError = err;
            best = {a.lag, a.gainPair, p, y};
        }
    }
    if (best.lag >= N) {
        best.contribution = PitchContribution(history, best.lag, best.gainPair);
        best.filtered = Convolve(response.padded, ToSignal(best.contribution));
    }
    return best;
}

namespace {

// kBefore[k][x] = sum over i below x of Combination(i, k): the weights a rank passes over.
constexpr auto kBefore = [] {
    std::array<std::array<uint32_t, kHalf + 1>, 4> t{};
    for (int k = 0; k < 4; ++k) {
        for (int x = 0; x < kHalf; ++x) {
            t[k][x + 1] = t[k][x] + static_cast<uint32_t>(Combination(x, k));
        }
    }
    return t;
}();

}  // namespace

uint32_t PositionRank(std::span<const int> u) {
    const int m = static_cast<int>(u.size());
    uint32_t rank = 0;
    int previous = -1;
    for (int j = 0; j < m; ++j) {
        const auto& before = kBefore[m - 1 - j];
        rank += before[u[j]] - before[previous + 1];
        previous = u[j];
    }
    return rank;
}

Response PrepareResponse(const Signal& impulse) {
    Response r;
    r.h = impulse;
    r.padded = PaddedResponse(impulse);
    // phi(a, b) = sum over k of h[k - a] h[k - b], cut at the subframe's end. Every diagonal
    // is a running sum from its far end, and row l is complete once k reaches N - 1 - l. The
    // diagonals run a block at a time, their sums held in registers; the zeros past the end of
    // h add nothing to the offsets past l, which are not read.
    constexpr int kBlock = 5;  // registers of diagonals summed side by side
    constexpr int kWidth = kBlock * kLanes;
    static_assert(N % kWidth == 0);
    std::array<float, N + kWidth> h{};
    std::copy(r.h.begin(), r.h.end(), h.begin());
    for (int first = 0; first < N; first += kWidth) {
        std::array<Lanes, kBlock> acc{};
        for (int k = 0; k < N; ++k) {
            const int l = N - 1 - k;
            if (l >= first) {
                for (int b = 0; b < kBlock; ++b) {
                    acc[b] += Load(&h[k + first + b * kLanes]) * h[k];
                }
            }
            for (int b = 0; b < kBlock; ++b) {
                Store(&r.byOffset[l][first + b * kLanes], acc[b]);
            }
        }
    }
    for (int j = 0; j < N; ++j) {
        r.inverseEnergy[j] = 1.0f / r.byOffset[j][0];
    }
    return r;
}

namespace {

// The pulses' amplitudes, codes and correlations, padded to two registers.
constexpr int kRow = 8;
using Row = std::array<float, kRow>;

// Whether two values are the same bit for bit.
template <typename T>
bool Same(const T& a, const T& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// Three sweeps of coordinate descent over the first kCount amplitudes, where fitted[n] is the
// sum over o of sub[n][o] amp[o]. Each step waits on the one before, so the loops are unrolled
// and the fits kept in registers. A sweep that changes no bit of the state leaves the rest
// nothing to change.
template <int kCount>
void Refit(Row& amp, Row& fitted, const Row& dp, const Row& inverse,
           const std::array<Row, kPulses>& sub) {
    Lanes low = Load(&fitted[0]);
    Lanes high = Load(&fitted[kLanes]);
    Row a = amp;
#pragma GCC unroll 3
    for (int sweep = 0; sweep < 3; ++sweep) {
        const Row before = a;
        const Lanes lowBefore = low;
        const Lanes highBefore = high;
#pragma GCC unroll kPulses
        for (int c = 0; c < kCount; ++c) {
            const float fit = c < kLanes ? low[c] : high[c - kLanes];
            const float next = (dp[c] - fit + a[c] * sub[c][c]) * inverse[c];
            const float step = next - a[c];
            low += step * Load(&sub[c][0]);
            high += step * Load(&sub[c][kLanes]);
            a[c] = next;
        }
        if (Same(a, before) && Same(low, lowBefore) && Same(high, highBefore)) {
            break;
        }
    }
    amp = a;
    Store(&fitted[0], low);
    Store(&fitted[kLanes], high);
}

using RefitSweeps = void (*)(Row&, Row&, const Row&, const Row&, const std::array<Row, kPulses>&);
constexpr std::array<RefitSweeps, kPulses> kRefit = {Refit<1>, Refit<2>, Refit<3>, Refit<4>,
                                                     Refit<5>, Refit<6>, Refit<7>};

// Integers in four lanes: what comparisons of Lanes give, 0 or -1 each.
using Indices = int32_t __attribute__((vector_size(16)));

// Per lane, the level nearest to r / s of gain * {1, 3, -1, -3}, with s > 0: also the level x
// that minimises x^2 s - 2 x r. Ties go to the smaller magnitude, and between +1 and -1 to +1.
Lanes NearestLevel(Lanes r, float s, Lanes gain) {
    const Lanes magnitude = reinterpret_cast<Lanes>(reinterpret_cast<Indices>(r) & 0x7fffffff);
    const Lanes one = Lanes{} + 1.0f;
    const Lanes multiple = magnitude > 2 * gain * s ? one * 3 : one;
    return gain * (r < 0 ? -multiple : multiple);
}

// The amplitude code of a level gain * kAmplitudeSign[code], gain > 0.
int CodeOf(float level, float gain) {
    return 2 * static_cast<int>(level < 0) + static_cast<int>(std::fabs(level) > gain);
}

using PulseLanes = std::array<Lanes, kPulses>;

// Quantises the amplitudes for four gains at once and refines the levels code by code; returns
// each gain's cost, sum over n of level[n] (full[n] - 2 dp[n]), where full[n] is the sum over o
// of level[o] phi(pos[n], pos[o]). Every loop is unrolled, so that the rows stay in registers.
Lanes RefineGains(Lanes gain, const Row& amp, const Row& dp, const std::array<Row, kPulses>& sub,
                  PulseLanes& level) {
    PulseLanes full{};
#pragma GCC unroll kPulses
    for (int o = 0; o < kPulses; ++o) {
        level[o] = NearestLevel(Lanes{} + amp[o], 1.0f, gain);
#pragma GCC unroll kPulses
        for (int k = 0; k < kPulses; ++k) {
            full[k] += level[o] * sub[o][k];
        }
    }
#pragma GCC unroll 2
    for (int pass = 0; pass < 2; ++pass) {
#pragma GCC unroll kPulses
        for (int n = 0; n < kPulses; ++n) {
            const float s = sub[n][n];
            const Lanes nearest = NearestLevel(dp[n] - full[n] + level[n] * s, s, gain);
            const Lanes step = nearest - level[n];
#pragma GCC unroll kPulses
            for (int k = 0; k < kPulses; ++k) {
                full[k] += step * sub[n][k];
            }
            level[n] = nearest;
        }
    }
    Lanes cost{};
#pragma GCC unroll kPulses
    for (int n = 0; n < kPulses; ++n) {
        cost += level[n] * (full[n] - 2 * dp[n]);
    }
    return cost;
}

// One bit for each lane of a comparison that holds.
int Mask(Indices m) {
    return (m[0] & 1) | (m[1] & 2) | (m[2] & 4) | (m[3] & 8);
}

// phi(a, b), read from the row of the later position.
float Phi(const Response& r, int a, int b) {
    return a >= b ? r.byOffset[a][a - b] : r.byOffset[b][b - a];
}

// Positions from begin to end, whole registers.
struct Span {
    int begin;
    int end;
};

// phi(j, pick) for j in the span.
void FillColumn(const Response& r, int pick, Span span, Signal& column) {
    for (int j = span.begin; j < std::min(pick + 1, span.end); ++j) {
        column[j] = r.byOffset[pick][pick - j];
    }
    for (int j = std::max(pick + 1, span.begin); j < span.end; ++j) {
        column[j] = r.byOffset[j][j - pick];
    }
}

// The position whose correlation, less what the placed pulses explain, scores highest,
// corr^2 / phi(j, j), with closed positions at -1; the first of equal scores. Positions outside
// the span are closed.
int BestPosition(const Signal& d, const Signal& inverseEnergy, const Signal& closed, const Row& amp,
                 const std::array<Signal, kPulses>& column, int placed, Span span) {
    Signal score;
    Lanes top = Lanes{} - 2.0f;  // below every score, closed ones included
    for (int j = span.begin; j < span.end; j += kLanes) {
        Lanes corr = Load(&d[j]);
        for (int c = 0; c < placed; ++c) {
            corr -= amp[c] * Load(&column[c][j]);
        }
        const Lanes open = corr * corr * Load(&inverseEnergy[j]);
        const Lanes v = Load(&closed[j]) != 0 ? Lanes{} - 1.0f : open;
        Store(&score[j], v);
        top = v > top ? v : top;
    }
    const float largest = std::max(std::max(top[0], top[1]), std::max(top[2], top[3]));
    // No open position scored, their scores being NaN from an overflowed response: any open one
    // serves, so the first.
    if (largest < 0) {
        return static_cast<int>(
            std::find(closed.begin() + span.begin, closed.begin() + span.end, 0.0f) -
            closed.begin());
    }
    int j = span.begin;
    int equal = 0;
    for (; (equal = Mask(Load(&score[j]) == largest)) == 0; j += kLanes) {
    }
    return j + std::countr_zero(static_cast<unsigned>(equal));
}

struct GainChoice {
    int gain;
    std::array<int, kPulses> codes;
};

// One gain for all seven: quantise each, refine code by code, keep the best gain. Only gains from
// a sixth of the mean amplitude to one and a half times it can be near the optimum.
GainChoice ChooseGain(const Row& amp, const Row& dp, const std::array<Row, kPulses>& sub) {
    float meanAmp = 0;
    for (int n = 0; n < kPulses; ++n) {
        meanAmp += std::fabs(amp[n]) / kPulses;
    }
    int lowGain = 0;
    while (lowGain < kPulseGains - 1 && kPulseGain[lowGain + 1] <= meanAmp / 6) {
        ++lowGain;
    }
    int highGain = lowGain;
    while (highGain < kPulseGains - 1 && kPulseGain[highGain + 1] <= meanAmp * 1.5f) {
        ++highGain;
    }
    const int gains = highGain - lowGain + 1;
    constexpr int kGroups = (kPulseGains + kLanes - 1) / kLanes;
    std::array<float, kGroups * kLanes> gain;
    std::array<float, kGroups * kLanes> cost;
    std::array<PulseLanes, kGroups> level;
    for (int g = 0; g < gains; g += kLanes) {
        for (int l = 0; l < kLanes; ++l) {
            gain[g + l] = kPulseGain[std::min(lowGain + g + l, kPulseGains - 1)];
        }
        Store(&cost[g], RefineGains(Load(&gain[g]), amp, dp, sub, level[g / kLanes]));
    }
    int best = 0;
    float bestCost = std::numeric_limits<float>::max();
    for (int g = 0; g < gains; ++g) {
        if (cost[g] < bestCost) {
            bestCost = cost[g];
            best = g;
        }
    }
    GainChoice choice{lowGain + best, {}};
    for (int n = 0; n < kPulses; ++n) {
        choice.codes[n] = CodeOf(level[best / kLanes][n][best % kLanes], gain[best]);
    }
    return choice;
}

}  // namespace

PulseChoice SearchPulses(const Response& response, const Signal& target) {
    const Signal d = BackwardFilter(response.h, target);

    // Greedy multipulse (h[0] is never 0, so every energy is positive) with the amplitudes
    // re-fitted after each pick by sweeps of coordinate descent.
    std::array<int, kPulses> pos{};
    Row amp{};
    Row dp{};                            // d[pos[n]]
    Row inverse{};                       // 1 / phi(pos[n], pos[n])
    std::array<Signal, kPulses> column;  // phi(., pos[n]), over the registers still scanned
    std::array<Row, kPulses> sub{};      // phi(pos[n], pos[o]), 0 for pulses not yet placed
    Row fitted{};                        // sum over o of sub[n][o] amp[o]
    // Positions already taken, or in a half that has all its pulses, score below every open one.
    Signal closed{};
    // The registers that hold open positions: once a half has all its pulses, only the other
    // half's.
    Span scan = {0, N};
    int inFirst = 0;
    for (int n = 0; n < kPulses; ++n) {
        const int pick = BestPosition(d, response.inverseEnergy, closed, amp, column, n, scan);
        closed[pick] = 1;
        pos[n] = pick;
        if (pick < kHalf && ++inFirst == kFirstHalfPulses) {
            std::fill(closed.begin(), closed.begin() + kHalf, 1.0f);
            scan.begin = kHalf / kLanes * kLanes;
        } else if (pick >= kHalf && n + 1 - inFirst == kSecondHalfPulses) {
            std::fill(closed.begin() + kHalf, closed.end(), 1.0f);
            scan.end = (kHalf + kLanes - 1) / kLanes * kLanes;
        }
        dp[n] = d[pick];
        inverse[n] = response.inverseEnergy[pick];
        if (n + 1 < kPulses) {
            FillColumn(response, pick, scan, column[n]);
        }
        for (int o = 0; o <= n; ++o) {
            sub[n][o] = sub[o][n] = Phi(response, pick, pos[o]);
        }
        fitted[n] = 0;
        for (int o = 0; o < n; ++o) {
            fitted[n] += sub[n][o] * amp[o];
        }
        kRefit[n](amp, fitted, dp, inverse, sub);
    }

    const auto [bestGain, bestCodes] = ChooseGain(amp, dp, sub);

    std::array<int, kPulses> order{};
    for (int n = 0; n < kPulses; ++n) {
        order[n] = n;
    }
    std::sort(order.begin(), order.end(), [&](int a, int b) { return pos[a] < pos[b]; });
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
