#include "framework/ui/ListCtrl.h"

#include <QHeaderView>

#include "framework/ui/Window.h"

namespace fw {

ListCtrl::ListCtrl(QWidget* parent) : QTreeWidget(parent) {
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setAllColumnsShowFocus(true);
    setColumnCount(0);
    header()->setStretchLastSection(false);
    connect(this, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item, int) {
        const int row = indexOfTopLevelItem(item);
        if (row >= 0 && m_onDoubleClick) GuardHandler([&] { m_onDoubleClick(row); });
    });
}

void ListCtrl::InsertColumn(int column, const std::string& caption, int width) {
    if (column >= columnCount()) setColumnCount(column + 1);
    headerItem()->setText(column, QString::fromStdString(caption));
    headerItem()->setTextAlignment(column, Qt::AlignLeft | Qt::AlignVCenter);
    setColumnWidth(column, width);
}

int ListCtrl::InsertItem(const std::string& text) {
    auto* item = new QTreeWidgetItem(this);
    item->setText(0, QString::fromStdString(text));
    return indexOfTopLevelItem(item);
}

void ListCtrl::SetItemText(int row, int column, const std::string& text) {
    if (QTreeWidgetItem* item = topLevelItem(row)) item->setText(column, QString::fromStdString(text));
}

std::string ListCtrl::GetItemText(int row, int column) const {
    const QTreeWidgetItem* item = topLevelItem(row);
    return item ? item->text(column).toStdString() : std::string();
}

void ListCtrl::SetSelectedRow(int row) {
    QTreeWidgetItem* item = topLevelItem(row);
    if (!item) return;
    clearSelection();
    item->setSelected(true);
    setCurrentItem(item);
}

int ListCtrl::GetSelectedRow() const {
    const QList<QTreeWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? -1 : indexOfTopLevelItem(selected.front());
}

}  // namespace fw
