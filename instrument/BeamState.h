#pragma once
// The raw state record of the instrument, as GetState copies it out.
#include "platform/WinTypes.h"

struct BeamState {
    int count = 0;      // frames processed since the last protocol reset
    WORD rawForce = 0;  // the three words as received
    WORD rawDeflection = 0;
    WORD rawTemperature = 0;
    int mode = 0;         // temperature control: 0 off, 1 heat and cool, 2 cool, 3 heat
    BOOL remote = FALSE;  // 'R': the instrument is under remote control
    BOOL zero = TRUE;     // 'Z': the zero switch
    BOOL test = FALSE;    // a test load is applied
};
