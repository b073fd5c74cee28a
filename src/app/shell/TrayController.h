#pragma once

#include "features/menubar/MenuBarVM.h"

#include <QObject>
#include <QPointer>

#include <memory>

class QAction;
class QDBusServiceWatcher;
class QMenu;
class QSystemTrayIcon;

namespace stirwell {

class AppDelegate;
class BreakScheduler;
class MeetingDetector;

// The tray item: its icon (with the label's short text drawn into it, since
// tray hosts do not show text beside an icon) and tooltip follow the label
// rules; its menu offers "Take Break Now" while a break is due and "Quit
// Stirwell". Created once a tray host exists; hosts that start after
// Stirwell (at login) are waited for on the session bus.
class TrayController : public QObject {
    Q_OBJECT
public:
    TrayController(MenuBarVM &menuBar, BreakScheduler &scheduler, MeetingDetector &meetings, AppDelegate &delegate,
                   QObject *parent = nullptr);
    ~TrayController() override;

    // Creates the item now if a host is there, otherwise when one appears.
    void start();
    [[nodiscard]] bool isShown() const { return m_tray != nullptr; }
    [[nodiscard]] const MenuBarLabelContent &content() const { return m_content; }

    // The icon for a label: the symbol, or the short text when there is one.
    [[nodiscard]] static QImage renderLabel(const MenuBarLabelContent &content, int pixels);

signals:
    void labelChanged(const QString &icon, const QString &text);
    // The tray item has just been shown (once).
    void trayShown();

private:
    void createTray();
    void update();

    MenuBarVM &m_menuBar;
    BreakScheduler &m_scheduler;
    MeetingDetector &m_meetings;
    AppDelegate &m_delegate;
    std::unique_ptr<QSystemTrayIcon> m_tray;
    std::unique_ptr<QMenu> m_menu;
    QPointer<QAction> m_takeBreak;
    QDBusServiceWatcher *m_watcher = nullptr;
    MenuBarLabelContent m_content;
    bool m_hasContent = false;
};

} // namespace stirwell
