#pragma once
// The message-box service. Boxes are modal on the user-interface thread; the
// Qt layer shows them, tests answer them from a script.
#include <string>

#include "platform/WinTypes.h"

// Box types and answers, with the numbers the station's code uses.
inline constexpr UINT MB_OK = 0x0;
inline constexpr UINT MB_OKCANCEL = 0x1;
inline constexpr UINT MB_ABORTRETRYIGNORE = 0x2;
inline constexpr UINT MB_YESNOCANCEL = 0x3;
inline constexpr UINT MB_YESNO = 0x4;
inline constexpr UINT MB_RETRYCANCEL = 0x5;
inline constexpr UINT MB_ICONSTOP = 0x10;
inline constexpr UINT MB_ICONERROR = 0x10;
inline constexpr UINT MB_ICONHAND = 0x10;
inline constexpr UINT MB_ICONQUESTION = 0x20;
inline constexpr UINT MB_ICONEXCLAMATION = 0x30;
inline constexpr UINT MB_ICONWARNING = 0x30;
inline constexpr UINT MB_ICONINFORMATION = 0x40;
inline constexpr UINT MB_ICONASTERISK = 0x40;
inline constexpr UINT MB_DEFBUTTON1 = 0x000;
inline constexpr UINT MB_DEFBUTTON2 = 0x100;
inline constexpr UINT MB_DEFBUTTON3 = 0x200;
inline constexpr UINT MB_SETFOREGROUND = 0x10000;
inline constexpr UINT MB_TYPEMASK = 0xF;
inline constexpr UINT MB_ICONMASK = 0xF0;
inline constexpr UINT MB_DEFMASK = 0xF00;

inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDABORT = 3;
inline constexpr int IDRETRY = 4;
inline constexpr int IDIGNORE = 5;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

namespace fw {

class MessageBoxService {
public:
    virtual ~MessageBoxService() = default;
    // Shows text with the buttons and icon of type; returns the button chosen
    // (IDOK ...). The caption is the application's when empty.
    virtual int Show(const std::string& text, UINT type, const std::string& caption = {}) = 0;
};

// The answer a box gives when its default button is pressed; 0 for an
// unknown button set.
int DefaultAnswer(UINT type);

// The current service. Without one installed, boxes go to standard error and
// answer their default button, so tools without a display never block.
MessageBoxService& MessageBoxes();
// Installs service (nullptr: the fallback again); returns the previous one.
MessageBoxService* InstallService(MessageBoxService* service);

int ShowMessage(const std::string& text, UINT type = MB_OK);
// The text of string id; a missing id shows an empty box rather than nothing.
int ShowMessage(UINT stringId, UINT type = MB_OK);

}  // namespace fw
