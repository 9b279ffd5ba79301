#pragma once
// The station's three file-choice dialogs and the preview list: RYXFileOpen
// (one test file, with Preview), RYXFileOpenDeltaTc (exactly two test files),
// RYXBatchExport (any test files and an export file type), FilePreview (the
// identification of each previewed file, one to choose). The choices they
// accept are decided in app/CommandRules.h.
#include <memory>
#include <string>
#include <vector>

#include "framework/ui/Dialogs.h"
#include "framework/ui/OpenFileDialog.h"
#include "platform/WinTypes.h"

namespace fw {
class ListCtrl;
}

class PreviewItem {
public:
    std::string m_strPath;  // full path
    std::string m_strDateTime;
    std::string m_strProject;
    std::string m_strOperator;
    std::string m_strSpecimen;
};

// Dialog 148, "RYX File Preview": list 1033, Open and Cancel.
class FilePreview : public fw::Dialog {
    Q_OBJECT
public:
    static constexpr int IDD = 148;
    static constexpr int IDC_LIST = 1033;

    explicit FilePreview(QWidget* parent = nullptr);
    ~FilePreview() override;

    // Appends a copy; an item that cannot be stored is left out.
    void AddItem(const PreviewItem& item);
    const std::vector<std::unique_ptr<PreviewItem>>& Items() const { return m_items; }
    fw::ListCtrl* List() const { return m_list; }

    std::string m_strSelected;  // the chosen file's full path after OK
    std::string m_strFolder;    // the folder of the first listed file, with its "/"

protected:
    bool OnInitDialog() override;
    void OnOK() override;
    void OnDblclkList();

private:
    fw::ListCtrl* m_list;
    std::vector<std::unique_ptr<PreviewItem>> m_items;
};

// Open a Saved Test: one file; Preview lists every selected file.
class RYXFileOpen : public fw::OpenFileDialog {
public:
    RYXFileOpen(const std::string& filter, QWidget* parent = nullptr);

    // The previewed file chosen in the list: the dialog's result.
    std::string m_strPreviewPath;
    BOOL m_bPreviewing = FALSE;

    // The identification of one test file for the preview; false when the
    // file is not a test the station can read (or its date is not one).
    static bool ReadPreviewItem(const std::string& path, PreviewItem& item);

protected:
    bool OnFileNameOK() override;
    void OnPreview() override;
};

// Calculate Delta Tc: exactly two test files.
class RYXFileOpenDeltaTc : public fw::OpenFileDialog {
public:
    explicit RYXFileOpenDeltaTc(QWidget* parent = nullptr);
    // Appends the accepted paths (in the reverse of the dialog's order).
    BOOL GetPathList(std::vector<std::string>* list) const;

protected:
    bool OnFileNameOK() override;

private:
    std::vector<std::string> m_files;
};

// Batch Export Data / Results: any test files and the export file type.
class RYXBatchExport : public fw::OpenFileDialog {
public:
    RYXBatchExport(const std::string& filter, QWidget* parent = nullptr);
    // Results mode: the LIMS export, one file type.
    void SetLimsMode(BOOL lims);
    BOOL GetPathList(std::vector<std::string>* list) const;

    BOOL m_bLims = FALSE;
    std::string m_strFormat;

protected:
    bool OnFileNameOK() override;

private:
    std::vector<std::string> m_files;
};
