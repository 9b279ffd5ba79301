#pragma once
// The operator at the bench while the station's calibration wizards run
// modally: a timer in whichever loop runs looks at the wizard on screen,
// does what its prompt asks on the simulated instrument, waits until the
// station has had two frames from after that, and presses Next (or OK). A
// wizard in a state the script did not expect (its error step, a step with
// no action) is cancelled and noted, so the test fails instead of hanging.
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "simulator/Simulator.h"

class CQXBendingBeam;
class WizardDialog;

namespace e2e {

class WizardOperator {
public:
    using Action = std::function<void(ryxsim::Simulator&)>;

    WizardOperator(ryxsim::Simulator& sim, CQXBendingBeam& beam);
    ~WizardOperator();

    // What to do at a prompt step of dialog id (prompt steps without an
    // entry are just confirmed with Next).
    void At(unsigned dialogId, int step, Action action) { m_actions[{dialogId, step}] = std::move(action); }
    // What to do as soon as a step of dialog id shows, whatever its buttons
    // (a waiting step that waits for the operator to act on the bench).
    void OnShow(unsigned dialogId, int step, Action action) { m_showActions[{dialogId, step}] = std::move(action); }
    // A prompt step whose Next takes the readings: Next waits until the
    // wizard has acted on a frame from after the step's action.
    void ReadsAtNext(unsigned dialogId, int step) { m_readsAtNext[{dialogId, step}] = true; }
    // The actions of an operator who follows every prompt of the four
    // wizards with the simulator's gage block, masses and beams.
    void FollowPrompts();
    // Cancel every wizard as soon as it shows.
    void CancelEverything() { m_cancelAll = true; }
    // Cancel when this dialog shows this step.
    void CancelAt(unsigned dialogId, int step) { m_cancelAt = {dialogId, step}; }

    const std::vector<unsigned>& Dialogs() const { return m_dialogs; }  // each wizard as it opened
    const std::vector<std::string>& Results() const { return m_results; }  // result prompts confirmed
    const std::vector<std::string>& Problems() const { return m_problems; }

private:
    void Tick();
    int Count();

    ryxsim::Simulator& m_sim;
    CQXBendingBeam& m_beam;
    QTimer m_timer;
    QElapsedTimer m_elapsed;
    std::map<std::pair<unsigned, int>, Action> m_actions;
    std::map<std::pair<unsigned, int>, Action> m_showActions;
    std::map<std::pair<unsigned, int>, bool> m_readsAtNext;
    bool m_waitForEngine = false;
    bool m_cancelAll = false;
    std::pair<unsigned, int> m_cancelAt{0, -1};
    QPointer<WizardDialog> m_current;  // null once that wizard has gone
    int m_step = -1;
    bool m_acted = false;
    bool m_waitForFrames = false;
    int m_countAtAction = 0;
    std::vector<unsigned> m_dialogs;
    std::vector<std::string> m_results;
    std::vector<std::string> m_problems;
};

}  // namespace e2e
