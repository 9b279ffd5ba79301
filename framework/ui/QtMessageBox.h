#pragma once
// The message-box service as a real box: QMessageBox with the buttons, icon
// and default button the MB_ flags ask for. exec() runs a nested event loop,
// so posted updates go on reaching their windows while the box is open, and
// idle work waits until it is closed.
#include <string>

#include "framework/core/MessageBox.h"

class QAbstractButton;
class QMessageBox;

namespace fw {

class QtMessageBox : public MessageBoxService {
public:
    // Installs itself as the service for its lifetime.
    QtMessageBox();
    ~QtMessageBox() override;
    QtMessageBox(const QtMessageBox&) = delete;
    QtMessageBox& operator=(const QtMessageBox&) = delete;

    int Show(const std::string& text, UINT type, const std::string& caption = {}) override;

    // The box Show would open, not yet shown: its parts are what tests check.
    // The caller owns it; Answer maps the button pressed to the ID answer.
    static QMessageBox* Build(const std::string& text, UINT type, const std::string& caption);
    static int Answer(const QMessageBox& box);
    // The answer that one button of the box stands for (IDCANCEL for none).
    static int Answer(const QMessageBox& box, const QAbstractButton* button);

private:
    MessageBoxService* m_previous;
};

}  // namespace fw
