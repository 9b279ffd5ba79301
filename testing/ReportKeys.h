#pragma once
// The report windows' scrolling keys: each sends one scroll message to the
// view itself. Home and End scroll to the left and right ends.
#include "framework/ui/ScrollView.h"

namespace report {

// True when nChar is one of the eight keys (and the view was scrolled).
inline bool SendReportScrollKey(fw::ScrollView& view, UINT nChar) {
    struct Key {
        UINT key;
        UINT message;
        UINT code;
    };
    static constexpr Key kKeys[] = {
        {fw::VK_PRIOR, fw::WM_VSCROLL, fw::SB_PAGEUP},   {fw::VK_NEXT, fw::WM_VSCROLL, fw::SB_PAGEDOWN},
        {fw::VK_END, fw::WM_HSCROLL, fw::SB_RIGHT},      {fw::VK_HOME, fw::WM_HSCROLL, fw::SB_LEFT},
        {fw::VK_LEFT, fw::WM_HSCROLL, fw::SB_LINELEFT},  {fw::VK_UP, fw::WM_VSCROLL, fw::SB_LINEUP},
        {fw::VK_RIGHT, fw::WM_HSCROLL, fw::SB_LINERIGHT}, {fw::VK_DOWN, fw::WM_VSCROLL, fw::SB_LINEDOWN},
    };
    for (const Key& k : kKeys) {
        if (k.key != nChar) continue;
        view.SendScroll(k.message, k.code);
        return true;
    }
    return false;
}

}  // namespace report
