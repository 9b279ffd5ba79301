#pragma once
// What an operator does at the bench for each prompt of the calibration
// wizards (dialog id, step), with the simulator's gage block, masses and
// steel beams. Prompts without an entry need nothing done.
#include <functional>
#include <map>
#include <utility>

#include "simulator/Simulator.h"

namespace e2e {

using BenchAction = std::function<void(ryxsim::Simulator&)>;

inline std::map<std::pair<unsigned, int>, BenchAction> PromptActions() {
    using ryxsim::BeamKind;
    using ryxsim::GageLevel;
    using S = ryxsim::Simulator;
    std::map<std::pair<unsigned, int>, BenchAction> a;
    // Deflection (131).
    a[{131, 1}] = [](S& s) {
        s.RemoveAllMasses();
        s.InsertBeam(BeamKind::kNone);
    };
    a[{131, 2}] = [](S& s) {
        s.PlaceGageBlock(GageLevel::kTop);
        s.AddMass(100);
    };
    a[{131, 4}] = [](S& s) { s.PlaceGageBlock(GageLevel::kRed); };
    a[{131, 6}] = [](S& s) { s.PlaceGageBlock(GageLevel::kWhite); };
    a[{131, 8}] = [](S& s) { s.PlaceGageBlock(GageLevel::kBlue); };
    // Force and compliance (133).
    a[{133, 1}] = [](S& s) { s.InsertBeam(BeamKind::kNone); };
    a[{133, 2}] = [](S& s) {
        s.RemoveAllMasses();
        s.PlaceGageBlock(GageLevel::kNone);
        s.InsertBeam(BeamKind::kThickSteel);
    };
    a[{133, 3}] = [](S& s) { s.SetContactLoad(10.0); };
    for (int step : {4, 6, 8, 10}) a[{133, step}] = [](S& s) { s.AddMass(100); };
    a[{133, 12}] = [](S& s) {
        s.RemoveAllMasses();
        s.InsertBeam(BeamKind::kNone);
    };
    // Confidence test (132).
    a[{132, 1}] = [](S& s) {
        s.RemoveAllMasses();
        s.InsertBeam(BeamKind::kThinSteel);
        s.SetContactLoad(10.0);
    };
    a[{132, 2}] = [](S& s) { s.AddMass(100); };
    a[{132, 4}] = [](S& s) { s.AddMass(300); };
    a[{132, 6}] = [](S& s) {
        s.RemoveAllMasses();
        s.InsertBeam(BeamKind::kNone);
    };
    // Datum (153).
    a[{153, 1}] = [](S& s) {
        s.InsertBeam(BeamKind::kThickSteel);
        s.SetContactLoad(35.0);
    };
    a[{153, 3}] = [](S& s) { s.FlipBeam(); };
    a[{153, 5}] = [](S& s) { s.InsertBeam(BeamKind::kNone); };
    return a;
}

}  // namespace e2e
