#pragma once
// The RS-485 port of the instrument link: 9600 8N1 with RTS toggled by the
// driver around each transmission (a plain line where the driver cannot).
#include "instrument/CQXSerialPort.h"

class CQXRS485Port : public CQXSerialPort {
public:
    CQXRS485Port() = default;

    // Success: a short read (also of no byte), a read without terminator, or
    // one that ends in the terminator. A full buffer without the terminator
    // is 234. Line errors after a failure make it 1117.
    unsigned Read(void* buffer, DWORD& count, DWORD wanted) override;
    // 0 when all was written (then flushed), 1003 for a short write, else the
    // error; a failure purges the output, and line errors make it 1117.
    unsigned Write(const void* buffer, DWORD count) override;
    // Queues of 512, the line settings saved, 9600 8N1 with RTS toggling,
    // time-outs by baud. A failure after the save restores, frees and closes.
    unsigned OnOpen() override;
};
