#include "instrument/CQXRootFinder.h"

#include <cmath>
#include <utility>

double CQXRootFinder::FindRoot() {
    double a = m_a;
    double b = m_b;
    double fa = m_function.Evaluate(a);
    if (fa == 0) return a;
    double fb = m_function.Evaluate(b);
    if (fb == 0) return b;
    // A NaN at either end brackets nothing either.
    if (!(fa * fb <= 0)) throw CQXRootErrorException(CQXRootErrorException::kNotBracketed);

    for (int i = 0; i < m_maxIterations; ++i) {
        const double m = (a + b) * 0.5;
        const double fm = m_function.Evaluate(m);
        double x = m;
        if (fm == 0 || std::fabs(m - a) < m_tolerance) return x;
        if (fm * fa > 0) {
            std::swap(a, b);
            std::swap(fa, fb);
        }
        // a and m now bracket the root; b is the end left behind.
        const double p = fb - fm;
        const double q = fb - fa;
        const double r = fm - fa;
        const double fbBefore = fb;
        fb = fm;
        if (2 * fm * r <= q * fbBefore) {
            const double xi = a - (1 - ((r - p) / (q * p)) * fm) * ((m - a) / r) * fa;
            // An interpolated point off the bracket (or not a number, when two
            // values coincide) would lose the root: bisect instead.
            const bool inside = std::isfinite(xi) && (xi - a) * (xi - m) < 0;
            if (inside) {
                const double fx = m_function.Evaluate(xi);
                if (fx == 0 || std::fabs(xi - a) < m_tolerance) return xi;
                x = xi;
                fb = fx;
                if (fx * fa >= 0) {
                    a = x;
                    fa = fx;
                    x = m;
                    fb = fm;
                }
            }
        }
        b = x;
    }
    throw CQXRootErrorException(CQXRootErrorException::kNoConvergence);
}
