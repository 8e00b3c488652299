#include "util/ascending_order.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <numeric>
#include <random>
#include <vector>

namespace zelkor {
namespace {

// The order a stable sort by `<` gives: the order the placement's linking must reproduce.
std::vector<std::uint32_t> stable_order(const std::vector<double>& v) {
    std::vector<std::uint32_t> order(v.size());
    std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) { return v[a] < v[b]; });
    return order;
}

TEST(AscendingOrder, MatchesAStableSortOnRandomValuesWithTiesZerosAndInfinities) {
    const double inf = std::numeric_limits<double>::infinity();
    std::mt19937_64 gen(7);
    for (int round = 0; round < 200; ++round) {
        const std::size_t n = gen() % 3000;
        // Few distinct values in some rounds (many ties), wide and tiny magnitudes in others.
        const int kind = round % 4;
        std::vector<double> v(n);
        for (double& x : v) {
            switch (kind) {
                case 0: x = double(int(gen() % 7) - 3); break;
                case 1: x = std::ldexp(double(gen() % 1000) - 500, int(gen() % 200) - 100); break;
                case 2: x = std::uniform_real_distribution<double>(-1e3, 1e3)(gen); break;
                default: {
                    const double pick[] = {-0.0, 0.0, inf, -inf, std::numeric_limits<double>::denorm_min(),
                                           -std::numeric_limits<double>::denorm_min(), 1.0, -1.0};
                    x = pick[gen() % 8];
                }
            }
        }
        ASSERT_EQ(ascending_order(n, [&](std::size_t i) { return v[i]; }), stable_order(v)) << "round " << round;
    }
}

}  // namespace
}  // namespace zelkor
