#pragma once
// The order of the Calibrate menu's chains, apart from the wizards they run,
// so that it can be tested without them: each runner shows its wizard and
// returns how it ended.
#include <functional>

struct CalibrateChain {
    std::function<int()> deflection;
    std::function<int()> force;
    std::function<int()> confidence;
};

// Deflection, then on OK force, then on OK the datum marked unset (FLT_MAX;
// a failed write is said, string 255) and the confidence test.
void RunDeflectionChain(const CalibrateChain& chain);
// Force, then on OK the confidence test; the datum is left alone.
void RunForceChain(const CalibrateChain& chain);
