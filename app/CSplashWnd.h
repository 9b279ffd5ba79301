#pragma once
// The start-up picture: a borderless window, centred, that goes after
// 3000 ms on the station's clock or at the first key or mouse button, which
// it keeps from the window underneath.
#include <QPixmap>
#include <QWidget>

#include "framework/ui/Window.h"

class QEvent;

class CSplashWnd : public QWidget, public fw::Window {
    Q_OBJECT
public:
    static void EnableSplashScreen(bool enable = true);
    // Shows the picture unless showing is not allowed or one already shows.
    static void ShowSplashScreen(QWidget* parent);
    // The application's filter: true when the event was a key or button
    // that closed the splash (the event goes no further).
    static bool PreTranslateAppMessage(QEvent* event);
    static void HideSplashScreen();
    static CSplashWnd* Current() { return c_pSplashWnd; }

    ~CSplashWnd() override;
    void OnTimer(uintptr_t id) override;

    // The picture, from the program's resources.
    static QPixmap LoadPicture();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    explicit CSplashWnd(QWidget* parent);
    bool Create();

    QPixmap m_bitmap;
    static bool c_bShowSplashWnd;
    static CSplashWnd* c_pSplashWnd;
};
