#include "framework/ui/FileDialogs.h"

#include <QFileDialog>
#include <QStringList>
#include <atomic>

#include "platform/Paths.h"

namespace fw {

namespace {

QtFileDialogs g_default;
std::atomic<FileDialogService*> g_service{nullptr};

void Setup(QFileDialog& d, const FileDialogRequest& r) {
    // Qt's own dialog: the same on every desktop and under the offscreen platform.
    d.setOption(QFileDialog::DontUseNativeDialog, true);
    d.setWindowTitle(QString::fromStdString(r.title));
    if (!r.directory.empty()) d.setDirectory(QString::fromStdString(r.directory));
    if (!r.fileName.empty()) d.selectFile(QString::fromStdString(r.fileName));
    if (!r.filter.empty()) d.setNameFilter(QString::fromStdString(QtFilter(r.filter)));
    // Test files are ".RYX" in either case.
    d.setFilter(d.filter() & ~QDir::CaseSensitive);
    if (!r.defaultExtension.empty()) d.setDefaultSuffix(QString::fromStdString(r.defaultExtension));
}

}  // namespace

FileDialogService& FileDialogs() {
    FileDialogService* s = g_service.load();
    return s ? *s : g_default;
}

FileDialogService* InstallService(FileDialogService* service) {
    if (service == &g_default) service = nullptr;
    FileDialogService* prev = g_service.exchange(service);
    // The same dialogs answer core's save requests; without one installed
    // they are cancelled there, so that nothing below the windows blocks.
    InstallService(static_cast<SaveDialogService*>(service));
    return prev ? prev : &g_default;
}

std::string QtFilter(const std::string& resourceFilter) {
    // Pairs of display name and pattern; the display name already shows the
    // pattern, and Qt reads the pattern out of the parentheses.
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        const size_t bar = resourceFilter.find('|', start);
        parts.push_back(
            resourceFilter.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
        if (bar == std::string::npos) break;
        start = bar + 1;
    }
    std::string out;
    for (size_t i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].empty()) break;
        std::string pattern = parts[i + 1];
        for (size_t p; (p = pattern.find(';')) != std::string::npos;) pattern[p] = ' ';
        // A new string rather than assigning the literal: g++ 12 warns falsely
        // (-Wrestrict) on the in-place replace in optimised sanitizer builds.
        if (pattern == "*.*") pattern = std::string(1, '*');
        std::string name = parts[i];
        const size_t paren = name.find(" (");
        if (!out.empty()) out += ";;";
        // A name that shows its pattern already stays as it is; the dialogs
        // match names without regard to case, so "(*.ryx)" shows "*.RYX" too.
        if (paren != std::string::npos && name.back() == ')' &&
            platform::EqualsNoCase(name.substr(paren + 2, name.size() - paren - 3), pattern)) {
            out += name;
            continue;
        }
        if (paren != std::string::npos) name.resize(paren);
        out += name + " (" + pattern + ")";
    }
    return out;
}

std::string WithDefaultExtension(const std::string& path, const std::string& extension) {
    if (extension.empty()) return path;
    const size_t slash = path.rfind('/');
    const size_t dot = path.rfind('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) return path;
    return path + "." + extension;
}

std::string WithTrailingSeparator(const std::string& folder) {
    if (!folder.empty() && folder.back() == '/') return folder;
    return folder + '/';
}

bool QtFileDialogs::Open(const FileDialogRequest& request, std::vector<std::string>& files) {
    QFileDialog d(m_parent);
    Setup(d, request);
    d.setAcceptMode(QFileDialog::AcceptOpen);
    d.setFileMode(request.multiple ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    if (d.exec() != QDialog::Accepted) return false;
    files.clear();
    for (const QString& f : d.selectedFiles()) files.push_back(f.toStdString());
    return !files.empty();
}

bool QtFileDialogs::ShowSave(const SaveDialogRequest& request, SaveDialogResult& result) {
    QFileDialog d(m_parent);
    Setup(d, FileDialogRequest{{}, {}, request.fileName, request.filter, request.defaultExtension, false});
    d.setAcceptMode(QFileDialog::AcceptSave);
    d.setFileMode(QFileDialog::AnyFile);
    d.setOption(QFileDialog::DontConfirmOverwrite, (request.flags & OFN_OVERWRITEPROMPT) == 0);
    if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty()) return false;
    result.path = WithDefaultExtension(d.selectedFiles().front().toStdString(), request.defaultExtension);
    result.filterIndex = static_cast<int>(d.nameFilters().indexOf(d.selectedNameFilter())) + 1;
    if (result.filterIndex < 1) result.filterIndex = 1;
    return true;
}

bool QtFileDialogs::ChooseFolder(const FileDialogRequest& request, std::string& folder) {
    QFileDialog d(m_parent);
    Setup(d, request);
    d.setFileMode(QFileDialog::Directory);
    d.setOption(QFileDialog::ShowDirsOnly, true);
    if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty()) return false;
    folder = d.selectedFiles().front().toStdString();
    return true;
}

bool ScriptedFileDialogs::Next(Scripted& out) {
    if (m_script.empty()) return false;
    out = std::move(m_script.front());
    m_script.erase(m_script.begin());
    return !out.paths.empty();
}

bool ScriptedFileDialogs::Open(const FileDialogRequest& request, std::vector<std::string>& files) {
    m_requests.push_back(request);
    Scripted answer;
    if (!Next(answer)) return false;
    files = std::move(answer.paths);
    return true;
}

bool ScriptedFileDialogs::ShowSave(const SaveDialogRequest& request, SaveDialogResult& result) {
    m_saveRequests.push_back(request);
    Scripted answer;
    if (!Next(answer)) return false;
    result.path = WithDefaultExtension(answer.paths.front(), request.defaultExtension);
    result.filterIndex = answer.filterIndex;
    return true;
}

bool ScriptedFileDialogs::ChooseFolder(const FileDialogRequest& request, std::string& folder) {
    m_requests.push_back(request);
    Scripted answer;
    if (!Next(answer)) return false;
    folder = answer.paths.front();
    return true;
}

}  // namespace fw
