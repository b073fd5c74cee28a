#include "platform/linux/browsers/ChromiumSessionFile.h"
#include "platform/linux/browsers/FirefoxSessionStore.h"
#include "platform/linux/browsers/MozLz4.h"
#include "platform/linux/browsers/SessionFileBrowserTabSource.h"
#include "platform/linux/browsers/SessionFixtures.h"
#include "platform/linux/calendar/ICalendarFileStore.h"
#include "services/meetings/browser/BrowserMeetingTabMonitor.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace stirwell {
namespace {

const SessionAddressPredicate kIsMeeting = [](QStringView a) { return BrowserMeetingTabMonitor::isMeetingURL(a); };

// A heavy but ordinary session: 4 windows x 40 tabs, 15 history entries each,
// with long addresses. Firefox writes roughly 3-5 MB of JSON for this.
QList<test::FirefoxWindow> manyTabs()
{
    QList<test::FirefoxWindow> windows;
    for (int w = 0; w < 4; ++w) {
        test::FirefoxWindow window;
        for (int t = 0; t < 40; ++t) {
            test::FirefoxTab tab;
            for (int e = 0; e < 15; ++e)
                tab.entries.append(QStringLiteral("https://docs.example.com/document/d/%1/edit?usp=sharing&tab=t.%2#heading=h.%3")
                                       .arg(w * 1000 + t).arg(e).arg(QString(40, u'x')));
            tab.lastAccessed = w * 100 + t;
            window.tabs.append(tab);
        }
        window.selected = 40;
        windows.append(window);
    }
    windows[3].tabs[39].entries.append(QStringLiteral("https://meet.google.com/abc-defg-hij"));
    return windows;
}

QByteArray manyTabsSnss()
{
    test::SnssWriter w;
    for (int win = 1; win <= 4; ++win) {
        for (int t = 0; t < 40; ++t) {
            const int tab = win * 100 + t;
            w.setTabWindow(win, tab);
            w.setTabIndexInWindow(tab, t);
            for (int e = 0; e < 15; ++e)
                w.navigation(tab, e, QStringLiteral("https://docs.example.com/document/d/%1/edit?tab=t.%2#h.%3")
                                         .arg(tab).arg(e).arg(QString(40, u'x')).toUtf8());
            w.selectedNavigation(tab, 14);
            w.lastActiveTime(tab, tab);
        }
        w.selectedTabInWindow(win, 39);
    }
    w.navigation(439, 15, "https://meet.google.com/abc-defg-hij");
    w.selectedNavigation(439, 15);
    w.activeWindow(4);
    return w.bytes();
}

void BM_FirefoxParse(benchmark::State &state)
{
    const QByteArray file = MozLz4::compress(test::firefoxSessionJson(manyTabs(), 4));
    state.counters["file_bytes"] = double(file.size());
    for (auto _ : state)
        benchmark::DoNotOptimize(FirefoxSessionStore::summarise(file, kIsMeeting));
}
BENCHMARK(BM_FirefoxParse)->Unit(benchmark::kMillisecond);

void BM_ChromiumParse(benchmark::State &state)
{
    const QByteArray file = manyTabsSnss();
    state.counters["file_bytes"] = double(file.size());
    for (auto _ : state)
        benchmark::DoNotOptimize(ChromiumSessionFile::summarise(file, kIsMeeting));
}
BENCHMARK(BM_ChromiumParse)->Unit(benchmark::kMillisecond);

// One check of the detector while nothing changed: profile lookup and stats.
void BM_BrowserCheckUnchanged(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString profile = dir.path() + QStringLiteral("/.mozilla/firefox/p.default/sessionstore-backups");
    QDir().mkpath(profile);
    QFile out(profile + QStringLiteral("/recovery.jsonlz4"));
    (void)out.open(QIODevice::WriteOnly);
    out.write(MozLz4::compress(test::firefoxSessionJson(manyTabs(), 4)));
    out.close();
    SessionFileBrowserTabSource source(dir.path(), dir.path() + QStringLiteral("/.config"));
    BrowserMeetingTabMonitor monitor(source, [] { return std::optional<QString>(QStringLiteral("firefox")); });
    for (auto _ : state)
        benchmark::DoNotOptimize(monitor.detectActiveMeetingURL(false, std::nullopt));
    state.counters["parses"] = source.parseCount();
}
BENCHMARK(BM_BrowserCheckUnchanged)->Unit(benchmark::kMicrosecond);

// One calendar read: a year of a daily meeting and a weekly one, expanded
// for the detector's window.
void BM_CalendarQuery(benchmark::State &state)
{
    QByteArray ics = "BEGIN:VCALENDAR\nVERSION:2.0\n";
    for (int i = 0; i < 200; ++i)
        ics += QStringLiteral("BEGIN:VEVENT\nUID:e%1\nDTSTART;TZID=Europe/Berlin:20230101T%2\nDTEND;TZID=Europe/Berlin:"
                              "20230101T%3\nRRULE:FREQ=%4\nSUMMARY:Event %1\nEND:VEVENT\n")
                   .arg(i).arg(QStringLiteral("%1").arg(8 + i % 10, 2, 10, QLatin1Char('0')) + QStringLiteral("0000"))
                   .arg(QStringLiteral("%1").arg(8 + i % 10, 2, 10, QLatin1Char('0')) + QStringLiteral("3000"))
                   .arg(i % 3 ? QStringLiteral("WEEKLY") : QStringLiteral("DAILY"))
                   .toUtf8();
    ics += "END:VCALENDAR\n";
    QTemporaryDir dir;
    QFile out(dir.path() + QStringLiteral("/cal.ics"));
    (void)out.open(QIODevice::WriteOnly);
    out.write(ics);
    out.close();
    ICalendarFileStore store(out.fileName());
    const double now = 1718100000; // 2024-06-11
    for (auto _ : state)
        benchmark::DoNotOptimize(store.eventsBetween(now - 120, now + 7200, QTimeZone("Europe/Berlin")));
}
BENCHMARK(BM_CalendarQuery)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace stirwell
