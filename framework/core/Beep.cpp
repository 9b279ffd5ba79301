#include "framework/core/Beep.h"

#include <atomic>

namespace fw {

namespace {

class SilentBeep : public BeepService {
public:
    void Beep(UINT) override {}
};

SilentBeep g_silent;
std::atomic<BeepService*> g_beeps{nullptr};

}  // namespace

BeepService& Beeps() {
    BeepService* s = g_beeps.load();
    return s ? *s : g_silent;
}

BeepService* InstallService(BeepService* service) {
    BeepService* prev = g_beeps.exchange(service);
    return prev ? prev : &g_silent;
}

void MessageBeep(UINT type) {
    Beeps().Beep(type);
}

}  // namespace fw
