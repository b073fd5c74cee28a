#include "app/shell/TrayController.h"

#include "app/shell/AppDelegate.h"
#include "app/shell/SymbolIcons.h"
#include "services/engine/BreakScheduler.h"
#include "services/meetings/MeetingDetector.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusServiceWatcher>
#include <QFont>
#include <QMenu>
#include <QPainter>
#include <QSystemTrayIcon>

namespace stirwell {

namespace {
const QString kWatcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
} // namespace

TrayController::TrayController(MenuBarVM &menuBar, BreakScheduler &scheduler, MeetingDetector &meetings,
                               AppDelegate &delegate, QObject *parent)
    : QObject(parent)
    , m_menuBar(menuBar)
    , m_scheduler(scheduler)
    , m_meetings(meetings)
    , m_delegate(delegate)
{
    // The label follows the engine; the icon is redrawn only when the label
    // actually changes.
    connect(&scheduler, &BreakScheduler::stateChanged, this, &TrayController::update);
    connect(&scheduler, &BreakScheduler::timeRemainingChanged, this, &TrayController::update);
    connect(&scheduler, &BreakScheduler::breakTimeRemainingChanged, this, &TrayController::update);
    connect(&scheduler, &BreakScheduler::isActiveChanged, this, &TrayController::update);
    connect(&meetings, &MeetingDetector::confirmedInMeetingChanged, this, &TrayController::update);
    connect(&menuBar, &MenuBarVM::changed, this, &TrayController::update);
}

TrayController::~TrayController() = default;

void TrayController::start()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    const bool watcherPresent = bus.isConnected() && bus.interface()
        && bus.interface()->isServiceRegistered(kWatcherService).value();
    if (watcherPresent || (!bus.isConnected() && QSystemTrayIcon::isSystemTrayAvailable())) {
        createTray();
        return;
    }
    if (!bus.isConnected())
        return;
    m_watcher = new QDBusServiceWatcher(kWatcherService, bus, QDBusServiceWatcher::WatchForRegistration, this);
    connect(m_watcher, &QDBusServiceWatcher::serviceRegistered, this, [this] {
        m_watcher->deleteLater();
        m_watcher = nullptr;
        createTray();
    });
    update();
}

void TrayController::createTray()
{
    if (m_tray)
        return;
    m_menu = std::make_unique<QMenu>();
    m_takeBreak = m_menu->addAction(QStringLiteral("Take Break Now"));
    connect(m_takeBreak, &QAction::triggered, this, [this] { m_scheduler.startBreakTimer(); });
    m_menu->addSeparator();
    QAction *quit = m_menu->addAction(QStringLiteral("Quit Stirwell"));
    connect(quit, &QAction::triggered, this, [this] { m_delegate.requestUserQuit(); });
    m_tray = std::make_unique<QSystemTrayIcon>();
    m_tray->setContextMenu(m_menu.get());
    m_hasContent = false;
    update();
    m_tray->show();
    emit trayShown();
}

void TrayController::update()
{
    const MenuBarLabelContent content = m_menuBar.labelContent(
        m_scheduler.state(), m_scheduler.isActive(), m_scheduler.timeRemaining(), m_scheduler.breakTimeRemaining(),
        m_scheduler.intervalSeconds(), m_scheduler.currentBreakType(), m_meetings.confirmedInMeeting());
    if (m_takeBreak)
        m_takeBreak->setVisible(m_scheduler.state() == BreakState::due);
    if (m_hasContent && content == m_content)
        return;
    m_content = content;
    m_hasContent = true;
    emit labelChanged(content.icon, content.text.value_or(QString()));
    if (!m_tray)
        return;
    QIcon icon;
    for (int pixels : {22, 32, 48, 64})
        icon.addPixmap(QPixmap::fromImage(renderLabel(content, pixels)));
    m_tray->setIcon(icon);
    const QString text = content.text.value_or(QString());
    m_tray->setToolTip(text.isEmpty() ? QStringLiteral("Stirwell") : QStringLiteral("Stirwell — %1").arg(text));
}

QImage TrayController::renderLabel(const MenuBarLabelContent &content, int pixels)
{
    const QString text = content.text.value_or(QString());
    if (text.isEmpty())
        return renderSymbol(content.icon, QColor(0xf2, 0xf2, 0xf7), pixels);
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x1c, 0x1c, 0x1e, 230));
    painter.drawRoundedRect(QRectF(0, 0, pixels, pixels), pixels * 0.22, pixels * 0.22);
    QFont font;
    font.setBold(true);
    font.setPixelSize(static_cast<int>(pixels * (text.size() <= 2 ? 0.56 : text.size() <= 3 ? 0.44 : 0.34)));
    painter.setFont(font);
    painter.setPen(QColor(0x30, 0xd1, 0x58));
    painter.drawText(QRectF(0, 0, pixels, pixels), Qt::AlignCenter, text);
    return image;
}

} // namespace stirwell
