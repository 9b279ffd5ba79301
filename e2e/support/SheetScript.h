#pragma once
// Runs a script on the Instrument Setup sheet once it shows (opened by a
// posted command or a menu, inside its own modal loop).
#include <QApplication>
#include <QEvent>
#include <QObject>
#include <QTimer>
#include <functional>

#include "setup/CSetupSheet.h"

namespace e2e {

class SheetScript : public QObject {
public:
    explicit SheetScript(std::function<void(setup::CSetupSheet&)> script) : m_script(std::move(script)) {
        qApp->installEventFilter(this);
    }
    ~SheetScript() override { qApp->removeEventFilter(this); }
    int Shown() const { return m_shown; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show) {
            if (auto* sheet = dynamic_cast<setup::CSetupSheet*>(watched)) {
                ++m_shown;
                QTimer::singleShot(0, sheet, [this, sheet] { m_script(*sheet); });
            }
        }
        return false;
    }

private:
    std::function<void(setup::CSetupSheet&)> m_script;
    int m_shown = 0;
};

}  // namespace e2e
