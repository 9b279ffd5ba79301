#pragma once
// The numeric edit field: a one-line edit that takes only a signed decimal
// number with bounded integer and fraction digits whose value stays strictly
// inside (minimum, maximum) at every keystroke. Each key goes through the
// rules of NumEditRules.h; a refused key beeps and changes nothing. Keys
// that move the focus, press the default button or cancel the dialog (Tab,
// Enter, Escape) and the other navigation keys go on as in any edit.
//
// Text pasted from the context menu, dropped, or set by the program is not
// filtered: the dialogs read the field back with Value(), which checks the
// whole text against the four limits. The decimal separator is the user's
// locale's (the C library's current locale, which start-up sets from the
// environment), for typing, reading and showing alike.
#include <QLineEdit>
#include <cstdint>
#include <optional>
#include <string>

#include "setup/NumEditRules.h"

class CNumEdit : public QLineEdit {
    Q_OBJECT
public:
    CNumEdit(unsigned intDigits, unsigned fracDigits, double minimum, double maximum,
             QWidget* parent = nullptr);
    ~CNumEdit() override;

    // The four limits; the dialogs may set them again after construction
    // (before any text is entered). Read afresh at every keystroke.
    std::uint8_t intDigits;
    std::uint8_t fracDigits;
    double maximum;
    double minimum;

    void SetLimits(unsigned intDigits, unsigned fracDigits, double minimum, double maximum);
    NumEditLimits Limits() const;

    // The user's locale's decimal separator.
    static std::string DecimalSeparator();

    // The whole text as a value inside the four limits, read with the
    // user's separator; nullopt for anything else (empty, junk, too many
    // digits, out of range).
    std::optional<double> Value() const;
    // Shows value with decimals fraction digits and the user's separator.
    void SetValue(double value, int decimals);
    // The text as UTF-8.
    std::string Text() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Type(char32_t ch);
    void Delete();
    void Refuse();
};
