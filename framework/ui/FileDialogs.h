#pragma once
// The file-dialog service: choose files to open, a name to save under, or a
// folder. Windows choose through it so that tests answer from a script; the
// Qt one shows QFileDialog.
#include <string>
#include <vector>

class QWidget;

namespace fw {

struct FileDialogRequest {
    std::string title;
    std::string directory;
    std::string fileName;
    // Filters in the resource form "Name (*.ryx)|*.ryx|All Files (*.*)|*.*||".
    std::string filter;
    std::string defaultExtension;  // without the dot; added when a saved name has none
    bool multiple = false;         // open: several files
};

class FileDialogService {
public:
    virtual ~FileDialogService() = default;
    // False when the user cancelled; files holds the chosen paths.
    virtual bool Open(const FileDialogRequest& request, std::vector<std::string>& files) = 0;
    virtual bool Save(const FileDialogRequest& request, std::string& file) = 0;
    virtual bool ChooseFolder(const FileDialogRequest& request, std::string& folder) = 0;
};

FileDialogService& FileDialogs();
FileDialogService* InstallService(FileDialogService* service);

// "Name (*.ryx)|*.ryx|All Files (*.*)|*.*||" as Qt's "Name (*.ryx);;All Files (*)".
std::string QtFilter(const std::string& resourceFilter);
// The name with ".ext" added when its last part has no extension.
std::string WithDefaultExtension(const std::string& path, const std::string& extension);

class QtFileDialogs : public FileDialogService {
public:
    explicit QtFileDialogs(QWidget* parent = nullptr) : m_parent(parent) {}
    bool Open(const FileDialogRequest& request, std::vector<std::string>& files) override;
    bool Save(const FileDialogRequest& request, std::string& file) override;
    bool ChooseFolder(const FileDialogRequest& request, std::string& folder) override;

private:
    QWidget* m_parent;
};

// A test double: answers from a script, records the requests.
class ScriptedFileDialogs : public FileDialogService {
public:
    // Each answer is the chosen paths; an empty answer is Cancel.
    void Answer(std::vector<std::string> paths) { m_script.push_back(std::move(paths)); }
    bool Open(const FileDialogRequest& request, std::vector<std::string>& files) override;
    bool Save(const FileDialogRequest& request, std::string& file) override;
    bool ChooseFolder(const FileDialogRequest& request, std::string& folder) override;
    const std::vector<FileDialogRequest>& Requests() const { return m_requests; }

private:
    bool Next(const FileDialogRequest& request, std::vector<std::string>& out);
    std::vector<std::vector<std::string>> m_script;
    std::vector<FileDialogRequest> m_requests;
};

}  // namespace fw
