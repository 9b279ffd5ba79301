#include "testing/CQXRYXTestView.h"

#include <QKeyEvent>
#include <QPainter>
#include <algorithm>

#include "data/CQXRYXTestDoc.h"
#include "framework/core/IdleTasks.h"
#include "framework/core/MessageBox.h"
#include "framework/core/Strings.h"
#include "framework/ui/Help.h"
#include "framework/ui/PainterContext.h"
#include "res/Resource.h"

namespace {

TestStation*& Station() {
    static TestStation* station = nullptr;
    return station;
}

// Changes with every installed station, so that idle work left by one never
// runs on the next.
unsigned& StationGeneration() {
    static unsigned generation = 0;
    return generation;
}

CQXRYXTestView*& Running() {
    static CQXRYXTestView* view = nullptr;
    return view;
}

constexpr UINT IDS_REPORT_FAILED = 404;

// Hands what is left of a stop to the idle work, pumped on the station's
// instrument until it is sent or the link is down.
void HandToIdle(InstrumentStop stop) {
    if (!stop.Pending() || !Station()) return;
    SequencerInstrument* beam = &Station()->Instrument(fw::kNoWindow);
    const unsigned generation = StationGeneration();
    fw::AddIdleTask([stop, beam, generation]() mutable {
        return !Station() || StationGeneration() != generation || stop.Pump(*beam);
    });
}

CQXRYXTestView* ViewOf(CQXRYXTestDoc& doc) {
    for (fw::View* v : doc.GetViews())
        if (auto* t = dynamic_cast<CQXRYXTestView*>(v)) return t;
    return nullptr;
}

}  // namespace

TestStation* GetTestStation() { return Station(); }

TestStation* SetTestStation(TestStation* station) {
    TestStation* previous = Station();
    Station() = station;
    ++StationGeneration();
    return previous;
}

// ---- the view -------------------------------------------------------------------

CQXRYXTestView::CQXRYXTestView(QWidget* parent) : fw::ScrollView(parent) {
    setFocusPolicy(Qt::StrongFocus);
    MapCommand(ID_TEST_ABORT, [this] {
        // Abort Test always concerns the running test, whichever view is active.
        if (CQXRYXTestView* running = RunningView()) running->OnAbortTest();
    });
    MapUpdate(ID_TEST_ABORT, [](fw::CmdUI& ui) { ui.Enable(RunningView() != nullptr); });
    MapCommand(ID_VIEW_REPORT, [this] { OnViewReport(); });
    MapUpdate(ID_VIEW_REPORT, [this](fw::CmdUI& ui) { OnUpdateViewReport(ui); });
}

CQXRYXTestView::~CQXRYXTestView() { ReleaseSequencer(); }

CQXRYXTestDoc* CQXRYXTestView::GetDocument() const { return dynamic_cast<CQXRYXTestDoc*>(fw::View::GetDocument()); }

CQXRYXTestView* CQXRYXTestView::RunningView() { return Running(); }

void CQXRYXTestView::OnInitialUpdate() {
    m_doc = GetDocument();
    m_graphs.Initialise();
    {
        // The scroll sizes, measured on a context of the screen's resolution.
        QImage probe(1, 1, QImage::Format_RGB32);
        probe.setDotsPerMeterX(static_cast<int>(logicalDpiX() / 0.0254));
        probe.setDotsPerMeterY(static_cast<int>(logicalDpiY() / 0.0254));
        fw::PainterContext dc(probe);
        fw::Size line;
        const fw::Size total = m_graphs.ScrollSize(dc, &line);
        SetScrollSizes(fw::MM_LOMETRIC, total, {total.cx / 4, total.cy / 4}, line);
    }
    if (m_doc) m_graphs.LoadFromDocument(*m_doc);
    if (m_sequencer) m_sequencer->UpdateCaption();
}

void CQXRYXTestView::EnsureSequencer() {
    if (m_sequencer || !m_doc || !Station()) return;
    m_instrument = &Station()->Instrument(Id());
    SequencerWindow& window = *this;
    m_sequencer = std::make_unique<TestSequencer>(*m_doc, *m_instrument, window, Station()->Environment(),
                                                  Station()->Clock());
}

void CQXRYXTestView::ReleaseSequencer() {
    if (Running() == this) Running() = nullptr;
    if (!m_sequencer) return;
    KillTimer(TestSequencer::kPreloadTimerId);
    if (m_instrument) m_instrument->Register(false);
    HandToIdle(m_sequencer->PendingStop());
    m_sequencer.reset();
    unsetCursor();
}

void CQXRYXTestView::OnDocumentDetached() {
    // The document is going: the sequencer holds a reference to it.
    ReleaseSequencer();
    m_doc = nullptr;
}

bool CQXRYXTestView::StartTest() {
    EnsureSequencer();
    if (!m_sequencer) return false;
    if (!m_sequencer->StartTest()) return false;
    Running() = this;
    m_sequencer->UpdateCaption();
    UpdateCursor();
    return true;
}

bool CQXRYXTestView::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_INSTRUMENT_UPDATE) return fw::ScrollView::OnMessage(message, wParam, lParam);
    if (m_sequencer) {
        // A close delivered by a box of this step waits until it returns.
        fw::Document::StepScope step(m_doc);
        m_sequencer->OnInstrumentData();
        // A finished test no longer hears of updates: what is left of its
        // stop ("D" refused at the last tick) goes on from the idle work.
        if (m_sequencer->GetState() == TestSequencer::kIdle && m_doc && m_doc->m_testState == 0)
            HandToIdle(m_sequencer->TakeStop());
    }
    // The document (and the sequencer with it) may have closed just now.
    UpdateCursor();
    return true;
}

bool CQXRYXTestView::OnCmdMsg(UINT id) {
    if (OnCommand(id)) return true;
    if (fw::Document* doc = fw::View::GetDocument()) {
        // The document may close and take this view's frame with it: nothing
        // of this view is touched after.
        if (doc->OnCommand(id)) return true;
    }
    if (fw::ChildFrame* frame = GetParentFrame()) return frame->OnCmdMsg(id);
    return false;
}

void CQXRYXTestView::OnTimer(uintptr_t id) {
    if (id != TestSequencer::kPreloadTimerId || !m_sequencer) return;
    {
        fw::Document::StepScope step(m_doc);
        m_sequencer->OnPreloadTimer();
    }
    UpdateCursor();
}

void CQXRYXTestView::UpdateCursor() {
    // The wait cursor while a test step is in progress.
    if (GetState() != TestSequencer::kIdle)
        setCursor(Qt::WaitCursor);
    else
        unsetCursor();
}

void CQXRYXTestView::OnAbortTest() {
    if (Station()) Station()->ClearBeamThickness();
    // The document's close asks 601 (and 602); the view may be gone after it.
    fw::Document* doc = fw::View::GetDocument();
    if (!doc) return;
    doc->OnFileClose();
    // The document may be gone now, and this view with it at the next pass
    // of the loop (frames are deleted later, never inside their handler).
}

void CQXRYXTestView::OnViewReport() {
    if (!m_doc) return;
    // A running test whose points are complete has its results in its load
    // points already, but they are computed at the finish: the report would
    // show times and stiffnesses of 0 until then, on screen and on paper.
    if ((m_doc->m_testState & 0x1) && !m_doc->m_bResultsValid && m_doc->IsTestComplete())
        m_doc->CalculateResults();
    if (!OpenReport()) fw::ShowMessage(IDS_REPORT_FAILED, MB_OK);
}

void CQXRYXTestView::OnUpdateViewReport(fw::CmdUI& ui) {
    // As soon as the test has the points its results need, even while its
    // recovery still runs; closing that report window leaves the test alone.
    ui.Enable(m_doc && m_doc->IsTestComplete());
}

void CQXRYXTestView::OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags) {
    switch (nChar) {
        case fw::VK_PRIOR: SendScroll(fw::WM_VSCROLL, fw::SB_PAGEUP); break;
        case fw::VK_NEXT: SendScroll(fw::WM_VSCROLL, fw::SB_PAGEDOWN); break;
        case fw::VK_END: SendScroll(fw::WM_HSCROLL, fw::SB_PAGERIGHT); break;
        case fw::VK_HOME: SendScroll(fw::WM_HSCROLL, fw::SB_PAGELEFT); break;
        case fw::VK_LEFT: SendScroll(fw::WM_HSCROLL, fw::SB_LINELEFT); break;
        case fw::VK_UP: SendScroll(fw::WM_VSCROLL, fw::SB_LINEUP); break;
        case fw::VK_RIGHT: SendScroll(fw::WM_HSCROLL, fw::SB_LINERIGHT); break;
        case fw::VK_DOWN: SendScroll(fw::WM_VSCROLL, fw::SB_LINEDOWN); break;
        default: fw::ScrollView::OnKeyDown(nChar, nRepCnt, nFlags); break;
    }
}

bool CQXRYXTestView::OnScroll(int bar, UINT code, int pos) {
    update();
    return fw::ScrollView::OnScroll(bar, code, pos);
}

void CQXRYXTestView::OnDraw(fw::DrawContext& dc) {
    const bool idle = GetState() == TestSequencer::kIdle;
    if (dc.IsPrinting()) {
        dc.SetMapMode(fw::MM_LOMETRIC);
        const int w = dc.GetDeviceCaps(fw::HORZSIZE) * 10;
        const int h = dc.GetDeviceCaps(fw::VERTSIZE) * 10;
        m_graphs.DrawReport(dc, w, -h, m_doc, idle);
        return;
    }
    // Off-screen, then one copy: the graphs redrawn twice a second do not
    // flicker. The page is the larger of the window and the total size.
    const fw::Size page = GetScreenPageSize();
    PaintOffScreen(dc, {page.cx, -page.cy},
                   [&](fw::DrawContext& memory) { m_graphs.DrawReport(memory, page.cx, -page.cy, m_doc, idle); });
}

QImage CQXRYXTestView::RenderPage() {
    QImage image(std::max(1, width()), std::max(1, height()), QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        fw::PainterContext dc(image);
        OnPrepareDC(dc);
        OnDraw(dc);
    }
    return image;
}

// ---- SequencerWindow ----------------------------------------------------------------

std::string CQXRYXTestView::GetCaption() {
    fw::ChildFrame* frame = GetParentFrame();
    return frame ? frame->windowTitle().toStdString() : std::string();
}

void CQXRYXTestView::SetCaption(const std::string& caption) {
    if (fw::ChildFrame* frame = GetParentFrame()) frame->setWindowTitle(QString::fromStdString(caption));
}

void CQXRYXTestView::ShowBeamThickness(float mm) {
    if (Station()) Station()->ShowBeamThickness(mm);
}

void CQXRYXTestView::ClearBeamThickness() {
    if (Station()) Station()->ClearBeamThickness();
}

void CQXRYXTestView::StartPreloadTimer(UINT ms) { SetTimer(TestSequencer::kPreloadTimerId, ms); }

void CQXRYXTestView::KillPreloadTimer() { KillTimer(TestSequencer::kPreloadTimerId); }

void CQXRYXTestView::PostClose() { fw::PostCommand(Id(), ID_FILE_CLOSE); }

void CQXRYXTestView::Invalidate() { update(); }

bool CQXRYXTestView::AddGraphPoint(float deflection, float force) {
    bool ok = m_graphs.AddPoint(deflection, force);
    update();
    return ok;
}

bool CQXRYXTestView::OpenReport() { return m_doc && Station() && Station()->OpenReport(*m_doc); }

void CQXRYXTestView::SetTestRunning(bool running) {
    if (Station()) Station()->SetTestRunning(running);
    if (!running && Running() == this) Running() = nullptr;
}

void CQXRYXTestView::AdvanceDefaultTestName() {
    if (Station()) Station()->AdvanceDefaultTestName();
}

bool CQXRYXTestView::AskSavePath(std::string& path) { return Station() && Station()->AskSavePath(path); }

// ---- the frame ----------------------------------------------------------------------

CQXRYXTestFrm::CQXRYXTestFrm(QWidget* parent) : fw::ChildFrame(parent) {
    MapCommand(ID_HELP, [this] { OnCommandHelp(); });
}

void CQXRYXTestFrm::OnCommandHelp() { fw::ShowHelpTopic("RYXW.chm::/RYXW/Testing_a_sample.htm"); }

// ---- the document's host --------------------------------------------------------------

void TestViewDocHost::CloseQuestionOpen(CQXRYXTestDoc& doc, bool open) {
    if (CQXRYXTestView* v = ViewOf(doc))
        if (TestSequencer* s = v->Sequencer()) s->SetCloseQuestionOpen(open);
}

void TestViewDocHost::AbortConfirmed(CQXRYXTestDoc& doc) {
    ++m_confirmedAborts;
    if (CQXRYXTestView* v = ViewOf(doc)) {
        v->KillTimer(TestSequencer::kPreloadTimerId);
        if (TestSequencer* s = v->Sequencer()) s->EndByClose();
        if (CQXRYXTestView::RunningView() == v) Running() = nullptr;
    }
}

void TestViewDocHost::ReZero(CQXRYXTestDoc& doc) {
    CQXRYXTestView* v = ViewOf(doc);
    if (v && v->Sequencer()) {
        v->Sequencer()->RequestStop(true);
        return;
    }
    InstrumentStop stop;
    stop.needZero = true;
    HandToIdle(stop);
}

void TestViewDocHost::ClearTestRunning() {
    if (Station()) Station()->SetTestRunning(false);
    Running() = nullptr;
}

void TestViewDocHost::DetachRunningView(CQXRYXTestDoc& doc) {
    if (CQXRYXTestView* v = ViewOf(doc)) {
        if (Station()) Station()->Instrument(v->Id()).Register(false);
    }
}

bool TestViewDocHost::OpenReport(CQXRYXTestDoc& doc) { return Station() && Station()->OpenReport(doc); }

void TestViewDocHost::AdvanceDefaultTestName() {
    if (Station()) Station()->AdvanceDefaultTestName();
}
