#pragma once
// A bracketed root search that mixes bisection with inverse quadratic
// interpolation.
#include "instrument/CQXEquation.h"

class CQXRootErrorException {
public:
    enum : int { kNotBracketed = 1, kNoConvergence = 2 };
    explicit CQXRootErrorException(int code) : m_code(code) {}
    int GetCode() const { return m_code; }

private:
    int m_code;
};

class CQXRootFinder {
public:
    CQXRootFinder(CQXEquation& function, double a, double b, int maxIterations, double tolerance)
        : m_function(function), m_a(a), m_b(b), m_maxIterations(maxIterations), m_tolerance(tolerance) {}

    // The root between the two ends, or CQXRootErrorException: 1 when the
    // ends do not bracket one, 2 when the iterations run out.
    double FindRoot();

private:
    CQXEquation& m_function;
    double m_a;
    double m_b;
    int m_maxIterations;
    double m_tolerance;
};
