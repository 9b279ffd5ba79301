#pragma once
// The bath temperature equation. Firmware 2 and later sends hundredths of a
// degree; older firmware sends the raw reading of a thermistor bridge, which
// the Steinhart-Hart equation (coefficients stored x 1000) converts, and a
// bracketed root search inverts for the set-point. The offset of the bath
// set-point's degree (the offset table) corrects either.
#include <functional>
#include <string>

#include "instrument/CQXEquation.h"
#include "platform/WinTypes.h"

class RYXTempEquation : public CQXEquation {
public:
    static constexpr double kDefaultA0 = 1.315383;
    static constexpr double kDefaultA1 = 0.229949;
    static constexpr double kDefaultA3 = 2.17922e-4;

    // Where the firmware version comes from (the instrument object); read at
    // every conversion, never cached.
    using FirmwareSource = std::function<std::string()>;
    explicit RYXTempEquation(FirmwareSource firmware = {}) : m_firmware(std::move(firmware)) {}
    void SetFirmwareSource(FirmwareSource firmware) { m_firmware = std::move(firmware); }

    // c0 + c1 L + c2 L^2 + c3 L^3 with L = ln x.
    double Evaluate(double x) override;

    // The offset of the "Test Bath" degree and, for old firmware, the
    // coefficients. FALSE when a coefficient was missing (its default is in
    // use) or the set-point's degree has no calibration (no offset).
    BOOL LoadCoefficients();
    // degC from the raw word, with or without the offset.
    double RawToTemperature(WORD raw, BOOL withOffset);
    // The raw set-point for t degC. Throws CQXRootErrorException when the
    // search fails, fw::InvalidArgException for a set-point no word can carry.
    WORD TemperatureToRaw(double t);

    // Firmware below 2, or still unknown ("?"): the thermistor path.
    bool IsThermistorPath() const;
    double GetOffset() const { return m_offset; }
    double GetCoefficient(int i) const { return m_c[i]; }

private:
    void UseStoredCoefficients();

    double m_c[4] = {0, 0, 0, 0};  // in use
    double m_a[4] = {0, 0, 0, 0};  // as stored (A2 always 0)
    double m_offset = 0;
    FirmwareSource m_firmware;
};
