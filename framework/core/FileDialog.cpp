#include "framework/core/FileDialog.h"

namespace fw {

namespace {

class CancellingSaveDialog : public SaveDialogService {
public:
    bool ShowSave(const SaveDialogRequest&, SaveDialogResult&) override { return false; }
};

CancellingSaveDialog g_fallback;
SaveDialogService* g_service = nullptr;

}  // namespace

SaveDialogService& SaveDialogs() {
    return g_service ? *g_service : g_fallback;
}

SaveDialogService* InstallService(SaveDialogService* service) {
    SaveDialogService* previous = g_service;
    g_service = service;
    return previous;
}

void ScriptedSaveDialog::Answer(std::string path, int filterIndex) {
    m_script.push_back({true, {std::move(path), filterIndex}});
}

void ScriptedSaveDialog::Cancel() {
    m_script.push_back({false, {}});
}

bool ScriptedSaveDialog::ShowSave(const SaveDialogRequest& request, SaveDialogResult& result) {
    m_requests.push_back(request);
    if (m_next >= m_script.size()) return false;
    const Scripted& s = m_script[m_next++];
    if (s.ok) result = s.result;
    return s.ok;
}

}  // namespace fw
