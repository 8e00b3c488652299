// The chi-square test's tail probability, for asking whether counts follow their expected shares.
#pragma once

namespace zelkor::cli {

// P(X >= statistic) for X chi-square distributed with `degrees_of_freedom` (> 0): the regularized
// upper incomplete gamma function Q(df / 2, statistic / 2). 1 for a statistic of 0 or less; not a
// number for degrees of freedom of 0 or less.
double chi_square_p_value(double statistic, double degrees_of_freedom);

}  // namespace zelkor::cli
