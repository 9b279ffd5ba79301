#include "app/FileDialogsWithPreview.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <ctime>
#include <new>

#include "app/CommandRules.h"
#include "app/Help.h"
#include "data/CQXRYXTestDoc.h"
#include "framework/core/MessageBox.h"
#include "framework/core/Strings.h"
#include "framework/ui/ListCtrl.h"
#include "platform/Paths.h"

namespace {

constexpr const char* kDeltaTcFilter = "RYXw Test Report (*.ryx)|*.ryx||";
constexpr const char* kDeltaTcHint = "Use the keyboard Ctrl button and mouse to select two *.ryx files.";
constexpr const char* kFileTypeLabel = "Export File Type : ";

void Show(const std::vector<appcmd::Message>& messages) {
    for (const auto& m : messages) fw::ShowMessage(m.text, MB_OK | MB_ICONEXCLAMATION);
}

BOOL CopyPaths(const std::vector<std::string>& from, std::vector<std::string>* to) {
    if (!to) return FALSE;
    try {
        to->insert(to->end(), from.begin(), from.end());
    } catch (const std::bad_alloc&) {
        return FALSE;
    }
    return TRUE;
}

}  // namespace

// ---- FilePreview -----------------------------------------------------------

FilePreview::FilePreview(QWidget* parent) : fw::Dialog(parent) {
    setWindowTitle(QStringLiteral("RYX File Preview"));
    auto* layout = new QVBoxLayout(this);
    m_list = new fw::ListCtrl(this);
    m_list->setObjectName(QStringLiteral("previewList"));
    m_list->setMinimumSize(5 * 96 + 24, 180);
    layout->addWidget(m_list);
    AddControl(IDC_LIST, m_list);
    QDialogButtonBox* buttons = AddOkCancel(layout);
    if (QPushButton* ok = buttons->button(QDialogButtonBox::Ok)) ok->setText(QStringLiteral("Open"));
    m_list->SetDoubleClickHandler([this](int) { OnDblclkList(); });
}

FilePreview::~FilePreview() = default;

void FilePreview::AddItem(const PreviewItem& item) {
    try {
        m_items.push_back(std::make_unique<PreviewItem>(item));
    } catch (const std::bad_alloc&) {
        // Left out: the list shows the others.
    }
}

bool FilePreview::OnInitDialog() {
    const char* captions[] = {"File Path", "Date & Time", "Project", "Specimen", "Operator"};
    for (int c = 0; c < 5; ++c) m_list->InsertColumn(c, captions[c], 96);
    for (const auto& item : m_items) {
        const size_t slash = item->m_strPath.rfind('/');
        const std::string name =
            slash == std::string::npos ? item->m_strPath : item->m_strPath.substr(slash + 1);
        if (m_strFolder.empty() && slash != std::string::npos)
            m_strFolder = item->m_strPath.substr(0, slash + 1);
        const int row = m_list->InsertItem(name);
        m_list->SetItemText(row, 1, item->m_strDateTime);
        m_list->SetItemText(row, 2, item->m_strProject);
        m_list->SetItemText(row, 3, item->m_strSpecimen);
        m_list->SetItemText(row, 4, item->m_strOperator);
    }
    m_list->SetSelectedRow(0);
    m_list->setFocus();
    return false;
}

void FilePreview::OnOK() {
    // Row i shows item i. The chosen files may come from several folders (the
    // dialog takes names typed with their folders): each row opens its own path.
    const int row = m_list->GetSelectedRow();
    if (row >= 0 && static_cast<size_t>(row) < m_items.size() && !m_list->GetItemText(row, 0).empty())
        m_strSelected = m_items[static_cast<size_t>(row)]->m_strPath;
    fw::Dialog::OnOK();
}

void FilePreview::OnDblclkList() {
    if (m_list->GetSelectedRow() >= 0) OnOK();
}

// ---- RYXFileOpen -----------------------------------------------------------

RYXFileOpen::RYXFileOpen(const std::string& filter, QWidget* parent) : fw::OpenFileDialog(parent) {
    m_filter = filter;
    m_previewButton = true;
    m_helpTopic = kHelpTesting;
}

bool RYXFileOpen::OnFileNameOK() {
    const appcmd::Decision d = appcmd::DecideOpen(GetSelection(), m_bPreviewing != FALSE);
    Show(d.messages);
    return d.stayOpen;
}

bool RYXFileOpen::ReadPreviewItem(const std::string& path, PreviewItem& item) {
    // A document outside every template: no window, no message of its own.
    CQXRYXTestDoc doc;
    if (!doc.OnOpenDocument(path)) return false;
    const time_t t = static_cast<time_t>(doc.m_testTime);
    if (static_cast<Time64>(t) != doc.m_testTime) return false;
    struct tm local {};
    // A time the calendar cannot hold makes this one file unreadable, not the preview.
    if (!localtime_r(&t, &local)) return false;
    char text[128];
    const size_t n = std::strftime(text, sizeof text, "%c", &local);
    item.m_strPath = path;
    item.m_strDateTime.assign(text, n);
    item.m_strProject = doc.m_project.m_data;
    item.m_strOperator = doc.m_operator.m_data;
    item.m_strSpecimen = doc.m_specimen.m_data;
    return true;
}

void RYXFileOpen::OnPreview() {
    m_bPreviewing = TRUE;
    const bool read = ReadSelection();
    m_bPreviewing = FALSE;
    if (!read) {
        fw::ShowMessage(appcmd::IDS_PREVIEW_ERROR, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    FilePreview preview(Window());
    bool invalid = false;
    for (const std::string& path : GetSelection()) {
        PreviewItem item;
        if (ReadPreviewItem(path, item))
            preview.AddItem(item);
        else
            invalid = true;
    }
    if (invalid) fw::ShowMessage(appcmd::IDS_NOT_PREVIEWABLE, MB_OK | MB_ICONEXCLAMATION);
    if (preview.Items().empty()) return;
    if (preview.DoModal() == IDOK && !preview.m_strSelected.empty()) {
        m_strPreviewPath = preview.m_strSelected;
        EndWithPath(m_strPreviewPath);
    }
}

// ---- RYXFileOpenDeltaTc ----------------------------------------------------

RYXFileOpenDeltaTc::RYXFileOpenDeltaTc(QWidget* parent) : fw::OpenFileDialog(parent) {
    m_filter = kDeltaTcFilter;
    m_hint = kDeltaTcHint;
    m_helpTopic = kHelpTesting;
}

bool RYXFileOpenDeltaTc::OnFileNameOK() {
    m_files.clear();
    // The command says that the selection failed (659): the dialog ends
    // without a message of its own, so the user sees one.
    if (CommDlgExtendedError()) return false;
    appcmd::Decision d = appcmd::DecideDeltaTc(GetSelection());
    Show(d.messages);
    m_files = std::move(d.files);
    return d.stayOpen;
}

BOOL RYXFileOpenDeltaTc::GetPathList(std::vector<std::string>* list) const {
    return CopyPaths(m_files, list);
}

// ---- RYXBatchExport --------------------------------------------------------

RYXBatchExport::RYXBatchExport(const std::string& filter, QWidget* parent) : fw::OpenFileDialog(parent) {
    m_filter = filter;
    m_caption = fw::LoadString(appcmd::IDS_BATCH_DATA);
    m_okText = fw::LoadString(appcmd::IDS_EXPORT_BUTTON);
    m_typeLabel = kFileTypeLabel;
    m_types = {fw::LoadString(appcmd::IDS_TYPE_CSV), fw::LoadString(appcmd::IDS_TYPE_DAT)};
    m_typeIndex = 0;
    m_helpTopic = kHelpTestMenu;
}

void RYXBatchExport::SetLimsMode(BOOL lims) {
    m_bLims = lims;
    if (lims) {
        m_caption = fw::LoadString(appcmd::IDS_BATCH_RESULTS);
        m_types = {fw::LoadString(appcmd::IDS_TYPE_CSV)};
    } else {
        m_caption = fw::LoadString(appcmd::IDS_BATCH_DATA);
        m_types = {fw::LoadString(appcmd::IDS_TYPE_CSV), fw::LoadString(appcmd::IDS_TYPE_DAT)};
    }
    m_typeIndex = 0;
}

bool RYXBatchExport::OnFileNameOK() {
    m_files.clear();
    if (CommDlgExtendedError()) {
        // The command's 656 follows, as no path is handed over.
        fw::ShowMessage(appcmd::IDS_EXPORT_DIALOG_ERROR, MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    m_strFormat = appcmd::FormatText(m_bLims != FALSE, m_typeIndex);
    appcmd::Decision d = appcmd::DecideBatchExport(GetSelection());
    Show(d.messages);
    m_files = std::move(d.files);
    return d.stayOpen;
}

BOOL RYXBatchExport::GetPathList(std::vector<std::string>* list) const {
    return CopyPaths(m_files, list);
}
