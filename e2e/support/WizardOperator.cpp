#include "e2e/support/WizardOperator.h"

#include <QApplication>
#include <QPushButton>

#include "calibration/WizardDialog.h"
#include "e2e/support/BenchActions.h"
#include "instrument/CQXBendingBeam.h"

namespace e2e {

namespace {

// Well beyond the slowest chain under the sanitizers; only a script that
// went wrong gets there.
constexpr qint64 kGiveUpMs = 240000;

}  // namespace

WizardOperator::WizardOperator(ryxsim::Simulator& sim, CQXBendingBeam& beam) : m_sim(sim), m_beam(beam) {
    m_elapsed.start();
    QObject::connect(&m_timer, &QTimer::timeout, [this] { Tick(); });
    m_timer.start(20);
}

WizardOperator::~WizardOperator() {
    m_timer.stop();
}

int WizardOperator::Count() {
    BeamState s;
    m_beam.GetState(s);
    return s.count;
}

void WizardOperator::FollowPrompts() {
    for (auto& [where, action] : PromptActions()) m_actions[where] = action;
}

void WizardOperator::Tick() {
    auto* d = dynamic_cast<WizardDialog*>(QApplication::activeModalWidget());
    if (!d || d->Engine().Ended()) return;
    WizardEngine& e = d->Engine();
    if (d != m_current) m_dialogs.push_back(d->DialogId());
    if (d != m_current || e.Step() != m_step) {
        m_current = d;
        m_step = e.Step();
        m_acted = false;
        auto shown = m_showActions.find({d->DialogId(), m_step});
        if (shown != m_showActions.end()) shown->second(m_sim);
    }
    const std::pair<unsigned, int> here{d->DialogId(), m_step};
    if (m_elapsed.elapsed() > kGiveUpMs) {
        m_problems.push_back("gave up at " + std::to_string(here.first) + " step " + std::to_string(here.second));
        d->CancelButton()->click();
        return;
    }
    if (m_cancelAll || here == m_cancelAt) {
        d->CancelButton()->click();
        return;
    }
    if (e.Busy() || !d->NextButton()->isEnabled()) return;  // reading, or a box is open
    const bool result = d->NextButton()->text() == QStringLiteral("&OK");
    if (d->NextButton()->text() == QStringLiteral("&Retry")) {
        m_problems.push_back("error step in " + std::to_string(here.first) + ": " + d->PromptText());
        d->CancelButton()->click();
        return;
    }
    if (!m_acted) {
        m_acted = true;
        auto it = m_actions.find(here);
        if (it != m_actions.end()) it->second(m_sim);
        // Only a reading right after Next could see the bench as it was.
        const auto& table = e.Table();
        const int next = m_step >= 0 && m_step < static_cast<int>(table.size())
                             ? table[static_cast<size_t>(m_step)].next
                             : kNoStep;
        m_waitForFrames = next >= 0 && next < static_cast<int>(table.size()) &&
                          table[static_cast<size_t>(next)].reading != kNoStep;
        m_countAtAction = Count();
        m_waitForEngine = m_readsAtNext.count(here) > 0;
    }
    // A frame already on its way may show the bench from before the action;
    // the one after it cannot.
    if (m_waitForFrames && Count() < m_countAtAction + 2) return;
    // The readings Next takes are those of the last frame the wizard acted on.
    if (m_waitForEngine && e.LastCount() < m_countAtAction + 2) return;
    if (result) m_results.push_back(d->PromptText());
    d->NextButton()->click();
}

}  // namespace e2e
