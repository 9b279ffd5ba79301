#include "instrument/TempOffsetTable.h"

#include <cfloat>
#include <cmath>
#include <ctime>
#include <new>

#include "framework/core/Exceptions.h"
#include "instrument/CQXBendingBeam.h"
#include "instrument/Rounding.h"
#include "settings/CQXRegistry.h"

namespace {

template <class T>
void FromLittleEndian(const unsigned char* bytes, std::vector<T>& out) {
    for (size_t i = 0; i < out.size(); ++i) {
        uint64_t v = 0;
        for (size_t k = sizeof(T); k-- > 0;) v = (v << 8) | bytes[i * sizeof(T) + k];
        out[i] = static_cast<T>(v);
    }
}

template <class T>
std::vector<unsigned char> ToLittleEndian(const std::vector<T>& in) {
    std::vector<unsigned char> bytes(in.size() * sizeof(T));
    for (size_t i = 0; i < in.size(); ++i) {
        const auto v = static_cast<uint64_t>(in[i]);
        for (size_t k = 0; k < sizeof(T); ++k)
            bytes[i * sizeof(T) + k] = static_cast<unsigned char>(v >> (8 * k));
    }
    return bytes;
}

}  // namespace

BOOL TempOffsetTable::LoadOffsets() {
    try {
        m_offsets.assign(kEntries, kNotCalibrated);
    } catch (const std::bad_alloc&) {
        return FALSE;
    }
    unsigned char bytes[CQXRegistry::kOffsetsSize];
    const unsigned e = theRegistry.GetTemperatureOffsets(bytes, sizeof bytes);
    if (e == 0)
        FromLittleEndian(bytes, m_offsets);
    else if (e != platform::kErrorNoData)
        return FALSE;  // the entries stay uncalibrated
    m_offsetsLoaded = TRUE;
    return TRUE;
}

BOOL TempOffsetTable::LoadDates() {
    try {
        m_dates.assign(kEntries, 0);
    } catch (const std::bad_alloc&) {
        return FALSE;
    }
    unsigned char bytes[CQXRegistry::kOffsetDatesSize];
    const unsigned e = theRegistry.GetTemperatureOffsetDates(bytes, sizeof bytes);
    if (e == 0)
        FromLittleEndian(bytes, m_dates);
    else if (e != platform::kErrorNoData)
        return FALSE;
    m_datesLoaded = TRUE;
    return TRUE;
}

size_t TempOffsetTable::IndexOf(double t, size_t size) {
    const double d = RoundTo(t, 1);
    // A NaN or a value beyond any degree is out of range as well.
    if (!(d >= kFirstDegree && d <= kLastDegree)) throw fw::InvalidArgException();
    const auto i = static_cast<size_t>(static_cast<int>(d) - kFirstDegree);
    if (i >= size) throw fw::InvalidArgException();
    return i;
}

double TempOffsetTable::GetOffset(double t, Time64* date) const {
    const size_t i = IndexOf(t, m_offsets.size());
    if (m_offsets[i] == kNotCalibrated) {
        if (date) *date = 0;
        return static_cast<double>(FLT_MAX);
    }
    if (date) {
        if (m_datesLoaded) {
            if (i >= m_dates.size()) throw fw::InvalidArgException();
            *date = m_dates[i];
        } else {
            *date = 0;
        }
    }
    return RoundTo(m_offsets[i] / 100.0, 0.01);
}

BOOL TempOffsetTable::SetOffset(double bath, double reference, const UncorrectedSource& uncorrected) {
    double u = 0;
    if (!uncorrected || !uncorrected(u)) return FALSE;
    const double offset = RoundTo((reference - u) * 100, 1);
    const size_t i = IndexOf(bath, m_offsets.size());
    if (i >= m_dates.size()) throw fw::InvalidArgException();
    // An offset the 16-bit entry cannot hold (or that would read back as
    // "not calibrated") is refused rather than stored wrapped.
    if (!(std::fabs(offset) < kNotCalibrated)) return FALSE;
    m_offsets[i] = static_cast<int16_t>(offset);
    m_dates[i] = static_cast<Time64>(std::time(nullptr));
    const auto dates = ToLittleEndian(m_dates);
    if (theRegistry.SetTemperatureOffsetDates(dates.data(), static_cast<unsigned>(dates.size())) != 0)
        return FALSE;
    const auto offsets = ToLittleEndian(m_offsets);
    return theRegistry.SetTemperatureOffsets(offsets.data(), static_cast<unsigned>(offsets.size())) == 0
               ? TRUE
               : FALSE;
}

BOOL TempOffsetTable::SetOffset(double bath, double reference, CQXBendingBeam& beam) {
    return SetOffset(bath, reference, [&beam](double& u) { return beam.GetUncorrectedTemperature(u); });
}
