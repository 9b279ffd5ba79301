#pragma once
// The save-as file dialog as a service: a document asks for a path and learns
// which filter entry was chosen, so that the format can follow the entry.
// framework/ui shows the real dialog; tests answer from a script. Without a
// service installed every dialog is cancelled, so tools never block.
#include <string>
#include <vector>

#include "platform/WinTypes.h"

// Dialog options, with the numbers the station's code uses.
inline constexpr DWORD OFN_OVERWRITEPROMPT = 0x00000002;
inline constexpr DWORD OFN_HIDEREADONLY = 0x00000004;
inline constexpr DWORD OFN_PATHMUSTEXIST = 0x00000800;
inline constexpr DWORD OFN_EXPLORER = 0x00080000;

namespace fw {

struct SaveDialogRequest {
    // Filter entries in the resource form "Name (*.csv)|*.csv|Name (*.dat)|*.dat||".
    std::string filter;
    std::string fileName;          // proposed name; empty for none
    std::string defaultExtension;  // without the dot; empty for none
    DWORD flags = 0;               // OFN_ options
};

struct SaveDialogResult {
    std::string path;
    int filterIndex = 0;  // the chosen filter entry, from 1
};

class SaveDialogService {
public:
    virtual ~SaveDialogService() = default;
    // False when the user cancelled.
    virtual bool ShowSave(const SaveDialogRequest& request, SaveDialogResult& result) = 0;
};

SaveDialogService& SaveDialogs();
// Installs service (nullptr: the cancelling fallback again); returns the previous one.
SaveDialogService* InstallService(SaveDialogService* service);

// A test double: answers from a script, records the requests. Once the
// script has run out it cancels.
class ScriptedSaveDialog : public SaveDialogService {
public:
    void Answer(std::string path, int filterIndex);
    void Cancel();
    bool ShowSave(const SaveDialogRequest& request, SaveDialogResult& result) override;
    const std::vector<SaveDialogRequest>& Requests() const { return m_requests; }

private:
    struct Scripted {
        bool ok;
        SaveDialogResult result;
    };
    std::vector<Scripted> m_script;
    size_t m_next = 0;
    std::vector<SaveDialogRequest> m_requests;
};

}  // namespace fw
