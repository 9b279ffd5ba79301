#pragma once
// Bath temperature offsets per whole degree from -40 to +25 degC, in
// hundredths of a degree (0x7FFF: not calibrated), each with the time of its
// calibration. Both arrays live in the settings store; each user builds a
// table and loads it when it needs it.
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/WinTypes.h"

class CQXBendingBeam;

class TempOffsetTable {
public:
    static constexpr int kFirstDegree = -40;
    static constexpr int kLastDegree = 25;
    static constexpr int kEntries = kLastDegree - kFirstDegree + 1;  // 66
    static constexpr int16_t kNotCalibrated = 0x7FFF;

    // Missing or empty in the settings: every degree uncalibrated. FALSE on
    // any other error of the store.
    BOOL LoadOffsets();
    // The same for the dates; missing ones are 0.
    BOOL LoadDates();
    BOOL OffsetsLoaded() const { return m_offsetsLoaded; }
    BOOL DatesLoaded() const { return m_datesLoaded; }

    // The offset in degC of the whole degree nearest t (halves away from
    // zero), FLT_MAX when that degree is not calibrated; date, when asked,
    // gets the entry's time (0 when none or not loaded). Throws
    // fw::InvalidArgException outside -40..+25 degC or before the offsets
    // are loaded.
    double GetOffset(double t, Time64* date = nullptr) const;

    // Stores the offset that makes the uncorrected bath reading equal the
    // reference thermometer, for the degree of bath, with the time now, and
    // writes both arrays. FALSE when the uncorrected reading cannot be had,
    // the offset cannot be stored, or a write fails. The range exception as
    // for GetOffset (the dates must be loaded too).
    using UncorrectedSource = std::function<BOOL(double&)>;
    BOOL SetOffset(double bath, double reference, const UncorrectedSource& uncorrected);
    // The same with the instrument's uncorrected bath reading.
    BOOL SetOffset(double bath, double reference, CQXBendingBeam& beam);

    // The entries as loaded (for the calibration dialog and the tests).
    const std::vector<int16_t>& Offsets() const { return m_offsets; }
    const std::vector<Time64>& Dates() const { return m_dates; }

private:
    // The index of t's degree, or the range exception.
    static size_t IndexOf(double t, size_t size);

    std::vector<int16_t> m_offsets;
    std::vector<Time64> m_dates;
    BOOL m_offsetsLoaded = FALSE;
    BOOL m_datesLoaded = FALSE;
};
