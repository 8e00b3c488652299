#include "cli/chi_square.h"

#include <cmath>
#include <limits>

namespace zelkor::cli {

namespace {

// Q(a, x) by its two classic expansions (Press et al., "Numerical Recipes", 6.2): the series of
// P(a, x) converges quickly below x = a + 1, the continued fraction of Q(a, x) (evaluated by
// Lentz's method) above it. Both need about sqrt(a) terms near x = a, so the cap allows for the
// tens of thousands of degrees of freedom a large target's polygons give.
constexpr int kMaxTerms = 1000000;
constexpr double kEpsilon = 1e-15;

double lower_series(double a, double x) {
    double term = 1.0 / a, sum = term;
    for (int n = 1; n < kMaxTerms; ++n) {
        term *= x / (a + n);
        sum += term;
        if (std::fabs(term) < std::fabs(sum) * kEpsilon) break;
    }
    return sum * std::exp(-x + a * std::log(x) - std::lgamma(a));
}

double upper_fraction(double a, double x) {
    constexpr double tiny = std::numeric_limits<double>::min() / kEpsilon;
    double b = x + 1.0 - a, c = 1.0 / tiny, d = 1.0 / b, h = d;
    for (int n = 1; n < kMaxTerms; ++n) {
        const double an = -n * (n - a);
        b += 2.0;
        d = an * d + b;
        if (std::fabs(d) < tiny) d = tiny;
        c = b + an / c;
        if (std::fabs(c) < tiny) c = tiny;
        d = 1.0 / d;
        const double step = d * c;
        h *= step;
        if (std::fabs(step - 1.0) < kEpsilon) break;
    }
    return std::exp(-x + a * std::log(x) - std::lgamma(a)) * h;
}

}  // namespace

double chi_square_p_value(double statistic, double degrees_of_freedom) {
    if (!(degrees_of_freedom > 0) || std::isnan(statistic)) return std::numeric_limits<double>::quiet_NaN();
    if (!(statistic > 0)) return 1.0;
    const double a = degrees_of_freedom / 2, x = statistic / 2;
    if (x < a + 1) return 1.0 - lower_series(a, x);
    return upper_fraction(a, x);
}

}  // namespace zelkor::cli
