#include "app/CSplashWnd.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

bool CSplashWnd::c_bShowSplashWnd = false;
CSplashWnd* CSplashWnd::c_pSplashWnd = nullptr;

namespace {
constexpr uintptr_t kSplashTimer = 1;
constexpr UINT kSplashMs = 3000;
}  // namespace

void CSplashWnd::EnableSplashScreen(bool enable) {
    c_bShowSplashWnd = enable;
}

// The pictures are compiled into the station's library, whose resources a
// static link does not register by itself.
static void InitAppResources() {
    Q_INIT_RESOURCE(ryxw);
}

QPixmap CSplashWnd::LoadPicture() {
    static const bool registered = (InitAppResources(), true);
    (void)registered;
    return QPixmap(":/ryxw/splash.png");
}

CSplashWnd::CSplashWnd(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setAttribute(Qt::WA_ShowWithoutActivating);
}

CSplashWnd::~CSplashWnd() {
    if (c_pSplashWnd == this) c_pSplashWnd = nullptr;
}

void CSplashWnd::ShowSplashScreen(QWidget* parent) {
    if (!c_bShowSplashWnd || c_pSplashWnd) return;
    c_pSplashWnd = new CSplashWnd(parent);
    if (!c_pSplashWnd->Create()) {
        delete c_pSplashWnd;  // clears c_pSplashWnd
        return;
    }
    c_pSplashWnd->repaint();
}

bool CSplashWnd::Create() {
    m_bitmap = LoadPicture();
    if (m_bitmap.isNull()) return false;
    setFixedSize(m_bitmap.size());
    // Centred on the screen the parent is on (the primary one without).
    QScreen* screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
    if (screen) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
    show();
    SetTimer(kSplashTimer, kSplashMs);
    return true;
}

bool CSplashWnd::PreTranslateAppMessage(QEvent* event) {
    if (!c_pSplashWnd) return false;
    switch (event->type()) {
        case QEvent::ShortcutOverride:
            // Accepting the override keeps an accelerator from acting on the
            // key that only dismisses the picture; the key press follows.
            event->accept();
            return true;
        case QEvent::KeyPress:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::NonClientAreaMouseButtonPress:
            HideSplashScreen();
            return true;
        default:
            return false;
    }
}

void CSplashWnd::HideSplashScreen() {
    CSplashWnd* splash = c_pSplashWnd;
    if (!splash) return;
    c_pSplashWnd = nullptr;
    splash->KillTimer(kSplashTimer);
    splash->hide();
    // A box opened while the picture showed may have taken it as its parent
    // (it was the active window); deleting the picture would take the open
    // box with it. Such a splash stays, hidden, until its parent goes.
    bool ownsWindows = false;
    for (const QWidget* w : splash->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        ownsWindows = ownsWindows || w->isWindow();
    // Otherwise deleted from the loop: this may run inside one of its own events.
    if (!ownsWindows) splash->deleteLater();
    if (QWidget* main = splash->parentWidget()) main->update();
}

void CSplashWnd::OnTimer(uintptr_t) {
    HideSplashScreen();
}

void CSplashWnd::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawPixmap(0, 0, m_bitmap);
}
