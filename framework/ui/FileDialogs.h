#pragma once
// The file-dialog service: choose files to open, a name to save under, or a
// folder. Windows choose through it so that tests answer from a script; the
// Qt one shows QFileDialog. Saving is framework/core's save-dialog service,
// so that code without Qt (the exports) asks the same dialog.
#include <string>
#include <vector>

#include "framework/core/FileDialog.h"

class QWidget;

namespace fw {

// What Open and ChooseFolder are asked with.
struct FileDialogRequest {
    std::string title;
    std::string directory;
    std::string fileName;
    // Filters in the resource form "Name (*.ryx)|*.ryx|All Files (*.*)|*.*||".
    std::string filter;
    std::string defaultExtension;  // without the dot; added when a saved name has none
    bool multiple = false;         // open: several files
};

// The save dialog of framework/core, and the open and folder dialogs that
// only windows use.
class FileDialogService : public SaveDialogService {
public:
    // False when the user cancelled; files holds the chosen paths.
    virtual bool Open(const FileDialogRequest& request, std::vector<std::string>& files) = 0;
    virtual bool ChooseFolder(const FileDialogRequest& request, std::string& folder) = 0;
};

// The current service: the Qt dialogs unless one was installed.
FileDialogService& FileDialogs();
// Installs service, also as framework/core's save dialog (nullptr: the Qt
// dialogs here, and core's cancelling save dialog again); returns the
// previous one.
FileDialogService* InstallService(FileDialogService* service);

// "Name (*.ryx)|*.ryx|All Files (*.*)|*.*||" as Qt's "Name (*.ryx);;All Files (*)".
std::string QtFilter(const std::string& resourceFilter);
// The name with ".ext" added when its last part has no extension.
std::string WithDefaultExtension(const std::string& path, const std::string& extension);
// A chosen folder as the station keeps folders: ending in one "/".
std::string WithTrailingSeparator(const std::string& folder);

class QtFileDialogs : public FileDialogService {
public:
    explicit QtFileDialogs(QWidget* parent = nullptr) : m_parent(parent) {}
    bool Open(const FileDialogRequest& request, std::vector<std::string>& files) override;
    // The chosen filter entry comes back as its number, from 1.
    bool ShowSave(const SaveDialogRequest& request, SaveDialogResult& result) override;
    bool ChooseFolder(const FileDialogRequest& request, std::string& folder) override;

private:
    QWidget* m_parent;
};

// A test double: answers from a script, records the requests.
class ScriptedFileDialogs : public FileDialogService {
public:
    // Each answer is the chosen paths (and, for a save, the filter entry
    // chosen); an empty answer is Cancel. Once the script has run out every
    // dialog is cancelled.
    void Answer(std::vector<std::string> paths, int filterIndex = 1) {
        m_script.push_back({std::move(paths), filterIndex});
    }
    bool Open(const FileDialogRequest& request, std::vector<std::string>& files) override;
    bool ShowSave(const SaveDialogRequest& request, SaveDialogResult& result) override;
    bool ChooseFolder(const FileDialogRequest& request, std::string& folder) override;
    // Open and folder requests, and save requests, in order.
    const std::vector<FileDialogRequest>& Requests() const { return m_requests; }
    const std::vector<SaveDialogRequest>& SaveRequests() const { return m_saveRequests; }

private:
    struct Scripted {
        std::vector<std::string> paths;
        int filterIndex;
    };
    bool Next(Scripted& out);
    std::vector<Scripted> m_script;
    std::vector<FileDialogRequest> m_requests;
    std::vector<SaveDialogRequest> m_saveRequests;
};

}  // namespace fw
