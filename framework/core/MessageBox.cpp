#include "framework/core/MessageBox.h"

#include <atomic>
#include <cstdio>

#include "framework/core/Strings.h"

namespace fw {

int DefaultAnswer(UINT type) {
    static constexpr int kButtons[][3] = {
        {IDOK, 0, 0},                  // MB_OK
        {IDOK, IDCANCEL, 0},           // MB_OKCANCEL
        {IDABORT, IDRETRY, IDIGNORE},  // MB_ABORTRETRYIGNORE
        {IDYES, IDNO, IDCANCEL},       // MB_YESNOCANCEL
        {IDYES, IDNO, 0},              // MB_YESNO
        {IDRETRY, IDCANCEL, 0},        // MB_RETRYCANCEL
    };
    UINT set = type & MB_TYPEMASK;
    if (set >= sizeof kButtons / sizeof kButtons[0]) return 0;
    UINT def = (type & MB_DEFMASK) >> 8;
    int answer = def < 3 ? kButtons[set][def] : 0;
    // A default beyond the box's buttons falls back to the first, as a box does.
    return answer ? answer : kButtons[set][0];
}

namespace {

class StderrMessageBox : public MessageBoxService {
public:
    int Show(const std::string& text, UINT type, const std::string& caption) override {
        std::fprintf(stderr, "[%s] %s\n", caption.empty() ? "RYXw" : caption.c_str(), text.c_str());
        return DefaultAnswer(type);
    }
};

StderrMessageBox g_fallback;
std::atomic<MessageBoxService*> g_service{nullptr};

}  // namespace

MessageBoxService& MessageBoxes() {
    MessageBoxService* s = g_service.load();
    return s ? *s : g_fallback;
}

MessageBoxService* InstallService(MessageBoxService* service) {
    MessageBoxService* prev = g_service.exchange(service);
    return prev ? prev : &g_fallback;
}

int ShowMessage(const std::string& text, UINT type) {
    return MessageBoxes().Show(text, type);
}

int ShowMessage(UINT stringId, UINT type) {
    return ShowMessage(LoadString(stringId), type);
}

}  // namespace fw
