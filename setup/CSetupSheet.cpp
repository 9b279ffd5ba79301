#include "setup/CSetupSheet.h"

#include <QApplication>
#include <QEventLoop>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QWidget>

#include "platform/WinTypes.h"

namespace setup {

namespace {

int StartIndex(int start) {
    return start >= 0 && start < SetupSheetModel::kPages ? start : 0;
}

// How often a wait looks again (the instrument's worker runs a pass about as often).
constexpr int kWaitLookMs = 10;

class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

void RedrawWithChildren(QWidget* window) {
    if (!window) return;
    window->update();
    for (QWidget* child : window->findChildren<QWidget*>()) child->update();
}

}  // namespace

CSetupSheet::CSetupSheet(QWidget* parent, int start, CQXBendingBeam& beam)
    : fw::PropertySheet("Instrument Setup", parent),
      m_nStartPage(StartIndex(start)),
      m_ownBeam(std::make_unique<BeamInstrument>(beam)),
      m_model(std::make_unique<SetupSheetModel>(*m_ownBeam)) {
    Build();
}

CSetupSheet::CSetupSheet(QWidget* parent, int start, SetupInstrument& beam)
    : fw::PropertySheet("Instrument Setup", parent),
      m_nStartPage(StartIndex(start)),
      m_model(std::make_unique<SetupSheetModel>(beam)) {
    Build();
}

CSetupSheet::~CSetupSheet() = default;

void CSetupSheet::Build() {
    SetupSheetModel& m = *m_model;
    m_pages = {new CPageFive(m.m_bath),        new CPageTwo(m.m_gageBlock), new CPageSix(m.m_port),
               new CPageThree(m.m_confidence), new CPageFour(m.m_graphs),   new CPageOne(m.m_equipment),
               new CPageSeven(m.m_archive),    new CPageEight(m.m_beam),    new CPageNine(m.m_advanced)};
    for (CSetupPage* page : m_pages) AddPage(page);
    // Wide enough for every tab title, as the page templates were.
    if (auto* tabs = findChild<QTabWidget*>()) setMinimumWidth(tabs->tabBar()->sizeHint().width() + 40);
    QWidget* parent = parentWidget();
    m_redraw = [parent] { RedrawWithChildren(parent); };
    m_model->SetWaiter([this](const std::function<bool()>& done) { return Wait(done); });
}

bool CSetupSheet::Wait(const std::function<bool()>& done) {
    if (done()) return true;
    WaitCursor cursor;
    QEventLoop loop;
    QTimer look;
    look.setInterval(kWaitLookMs);
    bool finished = false;
    QObject::connect(&look, &QTimer::timeout, &loop, [&] {
        if (!isVisible()) {
            loop.quit();
        } else if (done()) {
            finished = true;
            loop.quit();
        }
    });
    look.start();
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    return finished;
}

int CSetupSheet::DoModal() {
    if (fw::PropertySheet::DoModal() == IDOK) return m_model->Result();
    // Cancelled after an OK that stored the pages but could not finish what
    // follows (the equation's reload): the stored changes count.
    return m_model->StoredResult() ? m_model->StoredResult() : kResultCancelled;
}

bool CSetupSheet::OnInitDialog() {
    const bool r = fw::PropertySheet::OnInitDialog();
    ActivateEveryPage(m_nStartPage);
    return r;
}

void CSetupSheet::OnOK() {
    std::vector<PageControls*> controls(m_pages.begin(), m_pages.end());
    const int refusing = m_model->Apply(controls, GetActiveIndex());
    // Closed while the OK waited: it ends as it was closed.
    if (refusing == SetupSheetModel::kClosed) return;
    if (refusing >= 0) {
        SetActivePage(refusing);
        return;
    }
    if (m_model->WantsRedraw() && m_redraw) m_redraw();
    EndDialog(IDOK);
}

}  // namespace setup
