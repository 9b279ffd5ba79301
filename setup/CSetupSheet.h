#pragma once
// The modal "Instrument Setup" sheet: nine pages, every one made (and so
// loaded) as the sheet opens, an OK that judges every page before anything
// is stored and stores all of them as one group, and a result made of the
// bits that tell the caller what needs following up (SetupSheetModel.h).
#include <functional>
#include <memory>
#include <vector>

#include "framework/ui/Dialogs.h"
#include "setup/CPages.h"
#include "setup/SetupSheetModel.h"

class CQXBendingBeam;

namespace setup {

class CSetupSheet : public fw::PropertySheet {
public:
    // start: the tab shown first, 0 to 8 (anything else: the first tab).
    CSetupSheet(QWidget* parent, int start, CQXBendingBeam& beam);
    CSetupSheet(QWidget* parent, int start, SetupInstrument& beam);
    ~CSetupSheet() override;

    // 1 when cancelled or closed; else 2 and the change bits (also when
    // cancelled after an OK that stored the pages and then refused).
    int DoModal();

    SetupSheetModel& Model() { return *m_model; }
    CSetupPage* Page(int tab) const { return m_pages[static_cast<size_t>(tab)]; }
    int StartPage() const { return m_nStartPage; }
    // Who is asked to redraw after the Graphs page was stored: the parent
    // window with all its children, unless a test says otherwise.
    void SetRedraw(std::function<void()> redraw) { m_redraw = std::move(redraw); }

protected:
    bool OnInitDialog() override;
    void OnOK() override;

private:
    void Build();
    // The OK's wait: the wait cursor, and the event loop running (the
    // instrument's worker goes on by itself) without the operator's input,
    // until done() holds or the sheet has closed.
    bool Wait(const std::function<bool()>& done);

    int m_nStartPage;
    std::unique_ptr<BeamInstrument> m_ownBeam;
    std::unique_ptr<SetupSheetModel> m_model;
    std::vector<CSetupPage*> m_pages;  // tab order; the sheet's children
    std::function<void()> m_redraw;
};

}  // namespace setup
