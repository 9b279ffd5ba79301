#include "framework/core/Gdi.h"

#include <array>
#include <cstdlib>

namespace fw {

COLORREF GetSysColor(int index) {
    // The classic grey desktop scheme the report layouts were drawn for.
    static constexpr std::array<COLORREF, 25> kColours = {
        RGB(212, 208, 200),  // COLOR_SCROLLBAR
        RGB(58, 110, 165),   // COLOR_BACKGROUND
        RGB(10, 36, 106),    // COLOR_ACTIVECAPTION
        RGB(128, 128, 128),  // COLOR_INACTIVECAPTION
        RGB(212, 208, 200),  // COLOR_MENU
        RGB(255, 255, 255),  // COLOR_WINDOW
        RGB(0, 0, 0),        // COLOR_WINDOWFRAME
        RGB(0, 0, 0),        // COLOR_MENUTEXT
        RGB(0, 0, 0),        // COLOR_WINDOWTEXT
        RGB(255, 255, 255),  // COLOR_CAPTIONTEXT
        RGB(212, 208, 200),  // COLOR_ACTIVEBORDER
        RGB(212, 208, 200),  // COLOR_INACTIVEBORDER
        RGB(128, 128, 128),  // COLOR_APPWORKSPACE
        RGB(10, 36, 106),    // COLOR_HIGHLIGHT
        RGB(255, 255, 255),  // COLOR_HIGHLIGHTTEXT
        RGB(212, 208, 200),  // COLOR_BTNFACE
        RGB(128, 128, 128),  // COLOR_BTNSHADOW
        RGB(128, 128, 128),  // COLOR_GRAYTEXT
        RGB(0, 0, 0),        // COLOR_BTNTEXT
        RGB(212, 208, 200),  // COLOR_INACTIVECAPTIONTEXT
        RGB(255, 255, 255),  // COLOR_BTNHIGHLIGHT
        RGB(64, 64, 64),     // COLOR_3DDKSHADOW
        RGB(212, 208, 200),  // COLOR_3DLIGHT
        RGB(0, 0, 0),        // COLOR_INFOTEXT
        RGB(255, 255, 225),  // COLOR_INFOBK
    };
    if (index < 0 || index >= static_cast<int>(kColours.size())) return RGB(0, 0, 0);
    return kColours[static_cast<size_t>(index)];
}

int MulDiv(int a, int b, int c) {
    if (c == 0) return 0;
    const long long num = static_cast<long long>(a) * b;
    const long long half = (c > 0 ? c : -c) / 2;
    const long long q = (num >= 0) == (c > 0) ? (std::llabs(num) + half) / std::llabs(c)
                                               : -((std::llabs(num) + half) / std::llabs(c));
    return static_cast<int>(q);
}

}  // namespace fw
