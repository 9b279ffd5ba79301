#pragma once
// The beep service: the short sound a refused key, a wizard's warning or the
// sequencer's prompts make. The Qt layer rings the display's bell; tests
// record the beeps instead.
#include "platform/WinTypes.h"

namespace fw {

// Sound types, with the numbers the station's code uses.
inline constexpr UINT BEEP_SIMPLE = 0xFFFFFFFF;  // the plain speaker beep
inline constexpr UINT BEEP_OK = 0x0;             // MB_OK
inline constexpr UINT BEEP_ERROR = 0x10;         // MB_ICONHAND
inline constexpr UINT BEEP_QUESTION = 0x20;      // MB_ICONQUESTION
inline constexpr UINT BEEP_WARNING = 0x30;       // MB_ICONEXCLAMATION
inline constexpr UINT BEEP_INFO = 0x40;          // MB_ICONASTERISK

class BeepService {
public:
    virtual ~BeepService() = default;
    virtual void Beep(UINT type) = 0;
};

// The current service. Without one installed a beep does nothing, so tools
// without a display stay quiet.
BeepService& Beeps();
// Installs service (nullptr: the silent fallback again); returns the previous one.
BeepService* InstallService(BeepService* service);

// MessageBeep: sounds type through the current service.
void MessageBeep(UINT type = BEEP_OK);

}  // namespace fw
