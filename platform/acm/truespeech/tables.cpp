#include "platform/acm/truespeech/tables.h"

namespace kivo::truespeech {
namespace {

constexpr int16_t kRc1[32] = {-32192, -31900, -31538, -31139, -30715, -30242, -29737, -29196,
                              -28591, -27934, -27170, -26353, -25471, -24455, -23220, -21806,
                              -20086, -18166, -16092, -13876, -11463, -8749,  -5674,  -1901,
                              2415,   6858,   10732,  14367,  17913,  21610,  25539,  29621};
constexpr int16_t kRc2[32] = {-24731, -19093, -14973, -11407, -8168, -5196, -2532, -167,
                              2139,   4358,   6482,   8522,   10441, 12280, 14054, 15762,
                              17375,  18875,  20294,  21607,  22832, 23971, 25068, 26105,
                              27092,  27994,  28830,  29613,  30315, 30960, 31578, 32165};
constexpr int16_t kRc3[16] = {-26888, -23628, -20667, -17837, -15183, -12596, -10129, -7650,
                              -5133,  -2496,  247,    3104,   6273,   9882,   14187,  19808};
constexpr int16_t kRc4[16] = {-14764, -8462, -4182, -620,  2410,  5183,  7803,  10284,
                              12662,  14985, 17311, 19618, 21887, 24144, 26392, 28557};
constexpr int16_t kRc5[16] = {-21529, -17496, -14308, -11482, -8946, -6700, -4574, -2536,
                              -472,   1615,   3767,   6072,   8618,  11659, 15266, 19961};
constexpr int16_t kRc6[8] = {-10981, -3794, 1070, 5063, 8800, 12571, 16606, 21381};
constexpr int16_t kRc7[8] = {-19120, -14299, -9856, -5737, -1917, 1874, 6161, 11800};
constexpr int16_t kRc8[8] = {-12560, -6919, -2373, 1606, 5365, 9215, 13679, 19085};

constexpr int32_t Choose(int n, int k) {
    if (n < k) {
        return 0;
    }
    int32_t r = 1;
    for (int j = 1; j <= k; ++j) {
        r = r * (n - k + j) / j;
    }
    return r;
}

constexpr std::array<std::array<int32_t, kHalf>, 4> MakeCombinations() {
    std::array<std::array<int32_t, kHalf>, 4> t{};
    for (int k = 0; k < 4; ++k) {
        for (int i = 0; i < kHalf; ++i) {
            t[k][i] = Choose(29 - i, k);
        }
    }
    return t;
}

constexpr auto kCombinations = MakeCombinations();

}  // namespace

const std::array<Codebook, kOrder> kReflection = {
    {{kRc1, 32}, {kRc2, 32}, {kRc3, 16}, {kRc4, 16}, {kRc5, 16}, {kRc6, 8}, {kRc7, 8}, {kRc8, 8}}};

const std::array<int16_t, kOrder> kBandwidth = {32571, 32376, 32182, 31989,
                                                31797, 31606, 31416, 31228};
const std::array<int16_t, kOrder> kPostZero = {18022, 9912, 5452, 2998, 1649, 907, 499, 274};
const std::array<int16_t, kOrder> kPostPole = {24576, 18432, 13824, 10368, 7776, 5832, 4374, 3281};

const std::array<int16_t, kPitchGains> kPitchOld = {
    -4817, 21745, 9760, 2518,  -4171, 16353, 17455, 17496, -3535, 15792, 20347, 9901, 13250,
    4798,  7135,  529,  10987, 1293,  3358,  5391,  14500, 11613, 6583,  3481,  6476};
const std::array<int16_t, kPitchGains> kPitchNew = {
    21049, -6999, -4546, 11328, 11232, 13113, -6402, -1569, 17371, -2299, -261, 3292, 1849,
    17314, 7998,  1942,  5695,  14904, 3448,  13126, 2941,  8159,  10274, 7954, 3302};

const std::array<int16_t, kPulseGains> kPulseGain = {2,   4,   6,   10,  16,  25,   40,   64,
                                                     101, 161, 256, 406, 645, 1024, 1625, 2580};

int32_t Combination(int i, int k) {
    return kCombinations[k][i];
}

}  // namespace kivo::truespeech
