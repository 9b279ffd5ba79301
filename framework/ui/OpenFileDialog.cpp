#include "framework/ui/OpenFileDialog.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMouseEvent>
#include <QPersistentModelIndex>
#include <QPushButton>
#include <QShortcut>
#include <atomic>

#include "framework/ui/FileDialogs.h"
#include "framework/ui/Help.h"
#include "framework/ui/Window.h"

namespace fw {

// ---- the dialog's logic ----------------------------------------------------

int OpenFileDialog::DoModal() {
    m_ended = false;
    m_error = 0;
    const int result = OpenDialogs().Run(*this);
    m_session = {};
    m_window = nullptr;
    return result;
}

void OpenFileDialog::Attach(Session session) {
    m_session = std::move(session);
    m_window = m_session.window;
}

void OpenFileDialog::Take() {
    m_error = m_session.error ? m_session.error() : 0;
    m_selection = m_error || !m_session.selection ? std::vector<std::string>() : m_session.selection();
    if (m_session.filterIndex) m_filterIndex = m_session.filterIndex();
    if (m_session.typeIndex) m_typeIndex = m_session.typeIndex();
}

bool OpenFileDialog::ReadSelection() {
    Take();
    return m_error == 0;
}

bool OpenFileDialog::PressOK() {
    if (m_ended) return true;
    Take();
    bool keepOpen = true;
    GuardHandler([&] { keepOpen = OnFileNameOK(); });
    if (!keepOpen) m_ended = true;
    return m_ended;
}

void OpenFileDialog::PressPreview() {
    if (m_ended) return;
    GuardHandler([&] { OnPreview(); });
}

void OpenFileDialog::EndWithPath(const std::string& path) {
    m_selection = {path};
    m_error = 0;
    m_ended = true;
    if (m_session.endOk) m_session.endOk();
}

// ---- the service -----------------------------------------------------------

namespace {

QtOpenDialogs g_qt;
std::atomic<OpenDialogService*> g_service{nullptr};
std::function<void(QWidget*)> g_shownHook;

// Qt's own file dialog with the caller's OK test in front of its accept.
class HookedFileDialog : public QFileDialog {
public:
    HookedFileDialog(OpenFileDialog& d, QWidget* parent) : QFileDialog(parent), m_d(d) {}
    void accept() override {
        const QStringList files = selectedFiles();
        // A folder typed or chosen is opened, and a name that does not exist
        // is Qt's to refuse: both as the dialog always does.
        for (const QString& f : files) {
            if (!QFileInfo(f).isFile()) {
                QFileDialog::accept();
                return;
            }
        }
        if (!files.isEmpty() && m_d.PressOK()) QDialog::accept();
    }

protected:
    bool event(QEvent* e) override {
        // The title bar's help button.
        if (e->type() == QEvent::EnterWhatsThisMode && !m_help.empty()) {
            ShowHelpTopic(m_help);
            return true;
        }
        return QFileDialog::event(e);
    }

public:
    std::string m_help;

private:
    OpenFileDialog& m_d;
};

// A double-click on a file of a selection of several confirms the whole
// selection, as the highlighted rows and the file name field say. The item
// views see the double-click's first click as a click on that row alone,
// which leaves it alone selected by the time the double-click accepts the
// dialog: the files chosen before it would silently not be part of the
// choice. The selection at that first press comes back before the
// double-click is handled.
class SelectionKeptOnDoubleClick : public QObject {
public:
    SelectionKeptOnDoubleClick(QAbstractItemView* view, QObject* parent) : QObject(parent), m_view(view) {}

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() != QEvent::MouseButtonPress && e->type() != QEvent::MouseButtonDblClick)
            return QObject::eventFilter(watched, e);
        auto* mouse = static_cast<QMouseEvent*>(e);
        QItemSelectionModel* selection = m_view->selectionModel();
        const QModelIndex at = m_view->indexAt(mouse->position().toPoint());
        const QModelIndex row = at.isValid() ? at.siblingAtColumn(0) : QModelIndex();
        const bool plainLeft = mouse->button() == Qt::LeftButton &&
                               !(mouse->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier));
        if (e->type() == QEvent::MouseButtonPress) {
            m_rows.clear();
            m_pressed = QPersistentModelIndex();
            if (plainLeft && selection && row.isValid() &&
                selection->isRowSelected(row.row(), row.parent())) {
                const QModelIndexList rows = selection->selectedRows();
                if (rows.size() > 1) {
                    for (const QModelIndex& r : rows) m_rows.append(QPersistentModelIndex(r));
                    m_pressed = QPersistentModelIndex(row);
                }
            }
            return QObject::eventFilter(watched, e);
        }
        // The double-click that follows that press, on the same row.
        if (plainLeft && selection && m_pressed.isValid() && QModelIndex(m_pressed) == row) {
            selection->clearSelection();
            for (const QPersistentModelIndex& r : m_rows)
                if (r.isValid())
                    selection->select(r, QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
        m_rows.clear();
        m_pressed = QPersistentModelIndex();
        return QObject::eventFilter(watched, e);
    }

private:
    QAbstractItemView* m_view;
    QList<QPersistentModelIndex> m_rows;  // in the order they were selected
    QPersistentModelIndex m_pressed;
};

}  // namespace

OpenDialogService& OpenDialogs() {
    OpenDialogService* s = g_service.load();
    return s ? *s : g_qt;
}

OpenDialogService* InstallService(OpenDialogService* service) {
    if (service == &g_qt) service = nullptr;
    OpenDialogService* prev = g_service.exchange(service);
    return prev ? prev : &g_qt;
}

void QtOpenDialogs::SetShownHook(std::function<void(QWidget*)> hook) {
    g_shownHook = std::move(hook);
}

int QtOpenDialogs::Run(OpenFileDialog& d) {
    HookedFileDialog q(d, d.Parent());
    q.setOption(QFileDialog::DontUseNativeDialog, true);
    q.setAcceptMode(QFileDialog::AcceptOpen);
    q.setFileMode(d.m_multiple ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    q.setWindowTitle(QString::fromStdString(d.m_caption.empty() ? std::string("Open") : d.m_caption));
    if (!d.m_directory.empty()) q.setDirectory(QString::fromStdString(d.m_directory));
    const QStringList filters = QString::fromStdString(QtFilter(d.m_filter)).split(QStringLiteral(";;"));
    if (!d.m_filter.empty()) q.setNameFilters(filters);
    // A pattern matches the names in either case: "*.ryx" lists "T1.RYX".
    q.setFilter(q.filter() & ~QDir::CaseSensitive);
    if (!d.m_okText.empty()) q.setLabelText(QFileDialog::Accept, QString::fromStdString(d.m_okText));

    // The caller's controls go in rows under the dialog's own.
    auto* grid = qobject_cast<QGridLayout*>(q.layout());
    QComboBox* types = nullptr;
    if (grid) {
        int row = grid->rowCount();
        if (!d.m_types.empty()) {
            auto* label = new QLabel(QString::fromStdString(d.m_typeLabel), &q);
            label->setObjectName(QStringLiteral("typeLabel"));
            types = new QComboBox(&q);
            types->setObjectName(QStringLiteral("fileType"));
            for (const auto& t : d.m_types) types->addItem(QString::fromStdString(t));
            types->setCurrentIndex(d.m_typeIndex);
            label->setBuddy(types);
            grid->addWidget(label, row, 0);
            grid->addWidget(types, row, 1);
            ++row;
        }
        if (!d.m_hint.empty()) {
            auto* hint = new QLabel(QString::fromStdString(d.m_hint), &q);
            hint->setObjectName(QStringLiteral("hint"));
            grid->addWidget(hint, row, 0, 1, grid->columnCount());
            ++row;
        }
        if (d.m_previewButton) {
            auto* preview = new QPushButton(QStringLiteral("&Preview"), &q);
            preview->setObjectName(QStringLiteral("preview"));
            preview->setAutoDefault(false);
            QObject::connect(preview, &QPushButton::clicked, &q, [&d] { d.PressPreview(); });
            grid->addWidget(preview, row, grid->columnCount() - 1);
        }
    }
    if (!d.m_helpTopic.empty()) {
        q.m_help = d.m_helpTopic;
        q.setWindowFlag(Qt::WindowContextHelpButtonHint, true);
        auto* f1 = new QShortcut(QKeySequence::HelpContents, &q);
        const std::string topic = d.m_helpTopic;
        QObject::connect(f1, &QShortcut::activated, &q, [topic] { ShowHelpTopic(topic); });
    }

    // The dialog's list and detail views (not its side bar of places).
    for (const char* name : {"listView", "treeView"}) {
        if (auto* view = q.findChild<QAbstractItemView*>(QString::fromLatin1(name)))
            view->viewport()->installEventFilter(new SelectionKeptOnDoubleClick(view, view));
    }

    OpenFileDialog::Session s;
    s.window = &q;
    s.selection = [&q] {
        std::vector<std::string> out;
        for (const QString& f : q.selectedFiles()) out.push_back(f.toStdString());
        return out;
    };
    s.filterIndex = [&q, filters] {
        const auto i = filters.indexOf(q.selectedNameFilter());
        return i < 0 ? 1 : static_cast<int>(i) + 1;
    };
    s.typeIndex = [types, &d] { return types ? types->currentIndex() : d.m_typeIndex; };
    s.error = [] { return DWORD{0}; };
    s.endOk = [&q] { q.QDialog::accept(); };
    d.Attach(std::move(s));
    if (g_shownHook) g_shownHook(&q);
    const int r = q.exec();
    return r == QDialog::Accepted && d.Ended() ? IDOK : IDCANCEL;
}

int ScriptedOpenDialogs::Run(OpenFileDialog& d) {
    m_shown.push_back({d.m_caption, d.m_filter, d.m_okText, d.m_hint, d.m_typeLabel, d.m_helpTopic, d.m_types,
                       d.m_typeIndex, d.m_previewButton, IDCANCEL});
    if (m_scripts.empty()) return IDCANCEL;
    const std::vector<Step> steps = std::move(m_scripts.front());
    m_scripts.erase(m_scripts.begin());

    const Step* current = nullptr;
    bool failNext = false;
    OpenFileDialog::Session s;
    s.selection = [&current] { return current ? current->paths : std::vector<std::string>(); };
    s.filterIndex = [&current] { return current ? current->filterIndex : 1; };
    s.typeIndex = [&current, &d] {
        return current && current->typeIndex >= 0 ? current->typeIndex : d.m_typeIndex;
    };
    s.error = [&failNext] { return failNext ? DWORD{0x3003} : DWORD{0}; };  // FNERR_BUFFERTOOSMALL
    s.endOk = [] {};
    d.Attach(std::move(s));
    int result = IDCANCEL;
    for (const Step& step : steps) {
        current = &step;
        if (step.kind == Step::Cancel) break;
        if (step.kind == Step::Fail) {
            failNext = true;
            continue;
        }
        if (step.kind == Step::Ok)
            d.PressOK();
        else
            d.PressPreview();
        failNext = false;
        if (d.Ended()) {
            result = IDOK;
            break;
        }
    }
    m_shown.back().result = result;
    return result;
}

}  // namespace fw
