#pragma once
// An equation y = f(x), as the root finder searches it.

class CQXEquation {
public:
    virtual ~CQXEquation() = default;
    virtual double Evaluate(double x) = 0;
};
