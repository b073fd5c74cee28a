#include "support/QtPrinters.h"

#include "platform/linux/browsers/MozLz4.h"
#include "platform/linux/browsers/SessionFileBrowserTabSource.h"
#include "platform/linux/browsers/SessionFixtures.h"
#include "services/meetings/browser/BrowserMeetingTabMonitor.h"
#include "support/TempXdg.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <unistd.h>

namespace stirwell {
namespace {

using test::setModified;
using test::FirefoxTab;
using test::FirefoxWindow;
using test::SnssWriter;

const QString kMeet = QStringLiteral("https://meet.google.com/abc-defg-hij");

const Browser &browser(const char *id)
{
    const Browser *found = BrowserMeetingTabMonitor::browserForId(QString::fromUtf8(id));
    EXPECT_NE(found, nullptr) << id;
    return *found;
}

QByteArray firefoxStore(const QString &activeAddress, const QString &backgroundAddress = QStringLiteral("about:blank"))
{
    return MozLz4::compress(test::firefoxSessionJson(
        {{{{{backgroundAddress}, 0, 10}, {{activeAddress}, 0, 20}}, 2}}, 1));
}

QByteArray chromiumFile(const QString &activeAddress, const QString &backgroundAddress = QStringLiteral("about:blank"))
{
    SnssWriter w;
    w.setTabWindow(1, 1);
    w.setTabIndexInWindow(1, 0);
    w.navigation(1, 0, backgroundAddress.toUtf8());
    w.setTabWindow(1, 2);
    w.setTabIndexInWindow(2, 1);
    w.navigation(2, 0, activeAddress.toUtf8());
    w.selectedTabInWindow(1, 1);
    w.activeWindow(1);
    return w.bytes();
}

class SessionFileSourceTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString home = dir.path() + QStringLiteral("/home");
    QString config = dir.path() + QStringLiteral("/home/.config");
    SessionFileBrowserTabSource source{home, config};

    TabSearchResult ask(const char *id, TabScope scope = TabScope::ActiveTab)
    {
        return source.findTab(browser(id), scope,
                              [](QStringView address) { return BrowserMeetingTabMonitor::isMeetingURL(address); });
    }
    void writeFirefox(const QString &profile, const QByteArray &store, const char *name = "recovery.jsonlz4")
    {
        test::writeFile(profile + QStringLiteral("/sessionstore-backups/") + QString::fromUtf8(name), store);
    }
    void writeChromium(const QString &profile, const QByteArray &file,
                       const QString &name = QStringLiteral("Session_13350000000000000"))
    {
        test::writeFile(profile + QStringLiteral("/Sessions/") + name, file);
    }
};

TEST_F(SessionFileSourceTest, FindsSessionsInNativeFlatpakAndSnapLocations)
{
    const struct {
        const char *browser;
        const char *profile; // under home
    } cases[] = {
        {"firefox", ".mozilla/firefox/ab12cd.default-release"},
        {"firefox", ".config/mozilla/firefox/ab12cd.default-release"},
        {"firefox", ".var/app/org.mozilla.firefox/.mozilla/firefox/x1.default"},
        {"firefox", "snap/firefox/common/.mozilla/firefox/x2.default"},
        {"librewolf", ".librewolf/q.default-default"},
        {"librewolf", ".var/app/io.gitlab.librewolf-community/.librewolf/q.default"},
        {"floorp", ".floorp/f.default"},
        {"zen", ".var/app/app.zen_browser.zen/.zen/z.Default (release)"},
        {"google-chrome", ".config/google-chrome/Default"},
        {"google-chrome", ".config/google-chrome-beta/Profile 2"},
        {"google-chrome", ".var/app/com.google.Chrome/config/google-chrome/Default"},
        {"chromium", ".config/chromium/Default"},
        {"chromium", "snap/chromium/common/chromium/Default"},
        {"chromium", ".var/app/org.chromium.Chromium/config/chromium/Profile 1"},
        {"microsoft-edge", ".config/microsoft-edge/Default"},
        {"microsoft-edge", ".var/app/com.microsoft.Edge/config/microsoft-edge/Default"},
        {"brave", ".config/BraveSoftware/Brave-Browser/Default"},
        {"brave", ".var/app/com.brave.Browser/config/BraveSoftware/Brave-Browser/Default"},
        {"vivaldi", ".config/vivaldi/Default"},
        {"vivaldi", ".var/app/com.vivaldi.Vivaldi/config/vivaldi/Default"},
        {"opera", ".config/opera"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.browser) + " in " + c.profile);
        QDir(home).removeRecursively();
        const QString profile = home + u'/' + QString::fromUtf8(c.profile);
        if (browser(c.browser).family == BrowserFamily::Firefox)
            writeFirefox(profile, firefoxStore(kMeet));
        else
            writeChromium(profile, chromiumFile(kMeet));
        const TabSearchResult result = ask(c.browser);
        EXPECT_EQ(result.status, TabReadStatus::Read);
        EXPECT_TRUE(result.found);
    }
}

TEST_F(SessionFileSourceTest, FirefoxProfilesIniMayPointElsewhere)
{
    const QString elsewhere = dir.path() + QStringLiteral("/profiles/work");
    test::writeFile(home + QStringLiteral("/.mozilla/firefox/profiles.ini"),
                    QStringLiteral("[Profile0]\nName=work\nIsRelative=0\nPath=%1\nDefault=1\n").arg(elsewhere).toUtf8());
    writeFirefox(elsewhere, firefoxStore(kMeet));
    EXPECT_TRUE(ask("firefox").found);
}

TEST_F(SessionFileSourceTest, NothingInstalledIsNotFound)
{
    EXPECT_EQ(ask("firefox").status, TabReadStatus::NotFound);
    EXPECT_EQ(ask("google-chrome").status, TabReadStatus::NotFound);
    // A clean-exit store alone describes no open window.
    test::writeFile(home + QStringLiteral("/.mozilla/firefox/p.default/sessionstore.jsonlz4"), firefoxStore(kMeet));
    EXPECT_FALSE(ask("firefox").found);
}

TEST_F(SessionFileSourceTest, ActiveTabAndAllTabs)
{
    writeChromium(config + QStringLiteral("/chromium/Default"), chromiumFile(QStringLiteral("https://example.com/"), kMeet));
    EXPECT_EQ(ask("chromium", TabScope::ActiveTab).found, false);
    EXPECT_EQ(ask("chromium", TabScope::AllTabs).found, true);
    writeFirefox(home + QStringLiteral("/.mozilla/firefox/p.default"), firefoxStore(QStringLiteral("https://example.com/"), kMeet));
    EXPECT_EQ(ask("firefox", TabScope::ActiveTab).found, false);
    EXPECT_EQ(ask("firefox", TabScope::AllTabs).found, true);
}

TEST_F(SessionFileSourceTest, NewestSessionOfTheNewestProfileWins)
{
    const QString defaultProfile = config + QStringLiteral("/google-chrome/Default");
    writeChromium(defaultProfile, chromiumFile(kMeet), QStringLiteral("Session_13350000000000000"));
    writeChromium(defaultProfile, chromiumFile(QStringLiteral("https://example.com/")),
                  QStringLiteral("Session_13350000000000001"));
    EXPECT_FALSE(ask("google-chrome").found);

    // Another profile written later is the one in use.
    const QString second = config + QStringLiteral("/google-chrome/Profile 1");
    writeChromium(second, chromiumFile(kMeet));
    setModified(second + QStringLiteral("/Sessions/Session_13350000000000000"), 60);
    EXPECT_TRUE(ask("google-chrome").found);
}

TEST_F(SessionFileSourceTest, FirefoxFallsBackToThePreviousStoreWhenTheLiveOneIsBroken)
{
    const QString profile = home + QStringLiteral("/.mozilla/firefox/p.default");
    writeFirefox(profile, firefoxStore(kMeet).left(40), "recovery.jsonlz4");
    writeFirefox(profile, firefoxStore(kMeet), "recovery.baklz4");
    const TabSearchResult result = ask("firefox");
    EXPECT_EQ(result.status, TabReadStatus::Read);
    EXPECT_TRUE(result.found);
}

TEST_F(SessionFileSourceTest, FilesAreReadOnlyWhenTheyChanged)
{
    const QString profile = config + QStringLiteral("/BraveSoftware/Brave-Browser/Default");
    const QString path = profile + QStringLiteral("/Sessions/Session_13350000000000000");
    writeChromium(profile, chromiumFile(kMeet));
    EXPECT_TRUE(ask("brave").found);
    EXPECT_TRUE(ask("brave", TabScope::AllTabs).found);
    EXPECT_TRUE(ask("brave").found);
    EXPECT_EQ(source.parseCount(), 1);

    // Same size, new content and time: read again.
    QByteArray changed = chromiumFile(kMeet);
    changed.replace("meet.google.com", "meet.example.com");
    test::writeFile(path, changed);
    setModified(path, 5);
    EXPECT_FALSE(ask("brave").found);
    EXPECT_EQ(source.parseCount(), 2);
}

TEST_F(SessionFileSourceTest, SealedOrUnreadableProfilesAreUnreadable)
{
    // Sessions sealed with the keyring secret only.
    const QString chrome = config + QStringLiteral("/google-chrome/Default");
    test::writeFile(chrome + QStringLiteral("/Sessions_Encrypted/Session_13350000000000000"),
                    SnssWriter(5).bytes() + QByteArray(100, '\x42'));
    EXPECT_EQ(ask("google-chrome").status, TabReadStatus::Unreadable);

    // A session file in the encrypted format under the usual name.
    writeChromium(config + QStringLiteral("/microsoft-edge/Default"), SnssWriter(5).bytes() + QByteArray(100, '\x42'));
    EXPECT_EQ(ask("microsoft-edge").status, TabReadStatus::Unreadable);

    if (::geteuid() == 0)
        GTEST_SKIP() << "running as root: file permissions do not deny reading";
    const QString firefoxRoot = home + QStringLiteral("/.mozilla/firefox");
    writeFirefox(firefoxRoot + QStringLiteral("/p.default"), firefoxStore(kMeet));
    QFile::setPermissions(firefoxRoot + QStringLiteral("/p.default/sessionstore-backups/recovery.jsonlz4"),
                          QFileDevice::Permissions());
    EXPECT_EQ(ask("firefox").status, TabReadStatus::Unreadable);
    QFile::setPermissions(firefoxRoot, QFileDevice::Permissions());
    EXPECT_EQ(ask("firefox").status, TabReadStatus::Unreadable);
    QFile::setPermissions(firefoxRoot, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

TEST_F(SessionFileSourceTest, RunningBrowsersAreThoseWithALiveProfileLock)
{
    const QString ownPid = QString::number(::getpid());
    QDir().mkpath(home + QStringLiteral("/.mozilla/firefox/p.default"));
    QDir().mkpath(config + QStringLiteral("/chromium"));
    QDir().mkpath(config + QStringLiteral("/vivaldi"));
    QDir().mkpath(home + QStringLiteral("/.var/app/com.brave.Browser/config/BraveSoftware/Brave-Browser"));
    EXPECT_TRUE(source.runningBrowserIds().isEmpty());

    QFile::link(QStringLiteral("127.0.1.1:+") + ownPid, home + QStringLiteral("/.mozilla/firefox/p.default/lock"));
    QFile::link(QStringLiteral("myhost-") + ownPid, config + QStringLiteral("/chromium/SingletonLock"));
    // A stale lock left by a crash: the process is gone.
    QFile::link(QStringLiteral("myhost-2147483000"), config + QStringLiteral("/vivaldi/SingletonLock"));
    // Inside a sandbox the pid is of another namespace; the lock is enough.
    QFile::link(QStringLiteral("myhost-2"),
                home + QStringLiteral("/.var/app/com.brave.Browser/config/BraveSoftware/Brave-Browser/SingletonLock"));
    EXPECT_EQ(source.runningBrowserIds(),
              (QSet<QString>{QStringLiteral("firefox"), QStringLiteral("chromium"), QStringLiteral("brave")}));
}

// The monitor and the file source together: a meeting in Firefox while the
// user is in another application keeps counting while Firefox runs.
TEST_F(SessionFileSourceTest, MonitorOverSessionFiles)
{
    const QString profile = home + QStringLiteral("/.mozilla/firefox/p.default");
    writeFirefox(profile, firefoxStore(QStringLiteral("https://example.com/"), kMeet));
    std::optional<QString> frontmost = QStringLiteral("firefox");
    BrowserMeetingTabMonitor monitor(source, [&] { return frontmost; });
    EXPECT_EQ(monitor.detectActiveMeetingURL(false, std::nullopt), BrowserMeetingResult{});
    EXPECT_EQ(monitor.detectActiveMeetingURL(true, std::nullopt),
              (BrowserMeetingResult{true, QStringLiteral("firefox")}));

    frontmost = QStringLiteral("org.gnome.Terminal");
    EXPECT_EQ(monitor.detectActiveMeetingURL(true, QStringLiteral("firefox")), BrowserMeetingResult{});
    QFile::link(QStringLiteral("127.0.1.1:+") + QString::number(::getpid()), profile + QStringLiteral("/lock"));
    EXPECT_EQ(monitor.detectActiveMeetingURL(true, QStringLiteral("firefox")),
              (BrowserMeetingResult{true, QStringLiteral("firefox")}));
}

} // namespace
} // namespace stirwell
