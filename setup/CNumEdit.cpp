#include "setup/CNumEdit.h"

#include <QKeyEvent>
#include <QKeySequence>
#include <clocale>

#include "framework/core/Beep.h"

namespace {

// Byte offset in the UTF-8 form of text of the UTF-16 position pos.
size_t ByteOffset(const QString& text, int pos) {
    return static_cast<size_t>(text.left(pos).toUtf8().size());
}

std::uint8_t Small(unsigned n) {
    return static_cast<std::uint8_t>(n > 255 ? 255 : n);
}

}  // namespace

CNumEdit::CNumEdit(unsigned intDigits_, unsigned fracDigits_, double minimum_, double maximum_,
                   QWidget* parent)
    : QLineEdit(parent),
      intDigits(Small(intDigits_)),
      fracDigits(Small(fracDigits_)),
      maximum(maximum_),
      minimum(minimum_) {
    // Every character comes as a key event, so every one meets the rules.
    setAttribute(Qt::WA_InputMethodEnabled, false);
}

CNumEdit::~CNumEdit() = default;

void CNumEdit::SetLimits(unsigned intDigits_, unsigned fracDigits_, double minimum_, double maximum_) {
    intDigits = Small(intDigits_);
    fracDigits = Small(fracDigits_);
    minimum = minimum_;
    maximum = maximum_;
}

NumEditLimits CNumEdit::Limits() const {
    return {intDigits, fracDigits, minimum, maximum};
}

std::string CNumEdit::DecimalSeparator() {
    const lconv* conv = std::localeconv();
    if (!conv || !conv->decimal_point || !*conv->decimal_point) return ".";
    return conv->decimal_point;
}

std::optional<double> CNumEdit::Value() const {
    return NumEditParse(Text(), Limits(), DecimalSeparator());
}

void CNumEdit::SetValue(double value, int decimals) {
    setText(QString::fromStdString(NumEditFormat(value, decimals, DecimalSeparator())));
}

std::string CNumEdit::Text() const {
    return text().toStdString();
}

void CNumEdit::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    const Qt::KeyboardModifiers mods = event->modifiers();
    if (key == Qt::Key_Delete) {
        Delete();
        event->accept();
        return;
    }
    // The dialog's keys: the base lets Enter and Escape through to the
    // dialog (default button, Cancel); Tab never stays in an edit.
    if (key == Qt::Key_Tab || key == Qt::Key_Backtab || key == Qt::Key_Return || key == Qt::Key_Enter ||
        key == Qt::Key_Escape) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    event->accept();
    // The clipboard keys are refused like the control characters they are
    // on other systems (Ctrl+C, Ctrl+V, Ctrl+X; also Shift+Insert, Ctrl+Insert).
    if (event->matches(QKeySequence::Copy) || event->matches(QKeySequence::Paste) ||
        event->matches(QKeySequence::Cut)) {
        Refuse();
        return;
    }
    if ((mods & Qt::ControlModifier) && !(mods & Qt::AltModifier) && key >= Qt::Key_A && key <= Qt::Key_Z) {
        Type(static_cast<char32_t>(key - Qt::Key_A + 1));  // a control character: refused
        return;
    }
    if (key == Qt::Key_Backspace) {
        Type(mods & Qt::ControlModifier ? 127 : kNumEditBackspace);
        return;
    }
    const QString typed = event->text();
    if (typed.isEmpty() || (mods & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) {
        // Caret movement, selection, function keys: the edit's own handling
        // (which passes on what it does not use, F1 for one).
        event->ignore();
        QLineEdit::keyPressEvent(event);
        return;
    }
    for (char32_t ch : typed.toUcs4()) Type(ch);
}

void CNumEdit::Type(char32_t ch) {
    const QString t = text();
    int s = cursorPosition();
    int e = s;
    if (hasSelectedText()) {
        s = selectionStart();
        e = selectionEnd();
    }
    const std::string utf8 = t.toStdString();
    if (!NumEditAcceptsChar(utf8, ByteOffset(t, s), ByteOffset(t, e), ch, Limits(), DecimalSeparator())) {
        Refuse();
        return;
    }
    if (ch == kNumEditBackspace) {
        backspace();
    } else {
        insert(QString::fromUcs4(&ch, 1));  // replaces the selection
    }
}

void CNumEdit::Delete() {
    const QString t = text();
    int s = cursorPosition();
    int e = s;
    if (hasSelectedText()) {
        s = selectionStart();
        e = selectionEnd();
    }
    switch (
        NumEditDeleteKey(t.toStdString(), ByteOffset(t, s), ByteOffset(t, e), Limits(), DecimalSeparator())) {
        case NumEditDelete::Removes:
            del();
            break;
        case NumEditDelete::Refused:
            Refuse();
            break;
        case NumEditDelete::Nothing:
            break;
    }
}

void CNumEdit::Refuse() {
    fw::MessageBeep(fw::BEEP_OK);
}
