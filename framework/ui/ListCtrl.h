#pragma once
// A list with columns, in the manner of a report-style list control: columns
// with captions and widths, rows of texts, one selected row, and a handler
// for a double-click on a row.
#include <QTreeWidget>
#include <functional>
#include <string>

namespace fw {

class ListCtrl : public QTreeWidget {
    Q_OBJECT
public:
    explicit ListCtrl(QWidget* parent = nullptr);

    void InsertColumn(int column, const std::string& caption, int width);
    // Appends a row whose first column is text; returns its index.
    int InsertItem(const std::string& text);
    void SetItemText(int row, int column, const std::string& text);
    std::string GetItemText(int row, int column) const;
    int GetItemCount() const { return topLevelItemCount(); }
    // Selects and focuses row (the only selected row).
    void SetSelectedRow(int row);
    // The selected row, or -1.
    int GetSelectedRow() const;
    // A double-click on a row (after it became the selected row).
    void SetDoubleClickHandler(std::function<void(int row)> handler) { m_onDoubleClick = std::move(handler); }

private:
    std::function<void(int)> m_onDoubleClick;
};

}  // namespace fw
