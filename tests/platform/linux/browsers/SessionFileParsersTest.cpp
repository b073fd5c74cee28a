#include "support/QtPrinters.h"

#include "platform/linux/browsers/ChromiumSessionFile.h"
#include "platform/linux/browsers/FirefoxSessionStore.h"
#include "platform/linux/browsers/MozLz4.h"
#include "platform/linux/browsers/SessionFixtures.h"
#include "services/meetings/browser/BrowserMeetingTabMonitor.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>

namespace stirwell {
namespace {

using test::FirefoxTab;
using test::FirefoxWindow;
using test::SnssWriter;
using Outcome = SessionSummary::Outcome;

const SessionAddressPredicate kIsMeeting = [](QStringView address) {
    return BrowserMeetingTabMonitor::isMeetingURL(address);
};
const QString kMeet = QStringLiteral("https://meet.google.com/abc-defg-hij");
const QString kWhereby = QStringLiteral("https://whereby.com/standup");

// Three windows; the second is selected and shows the Meet call in its
// second tab; the first holds a Whereby room in a background tab.
QList<FirefoxWindow> threeWindows()
{
    return {
        {{{{QStringLiteral("https://example.com/a")}, 0, 100},
          {{QStringLiteral("https://example.com/b"), kWhereby}, 0, 200}},
         1},
        {{{{QStringLiteral("https://example.org/")}, 0, 300},
          {{QStringLiteral("https://calendar.example.com/"), kMeet}, 0, 900},
          {{QStringLiteral("https://docs.example.com/")}, 0, 400}},
         2},
        {{{{QStringLiteral("about:blank")}, 0, 50}}, 1},
    };
}

TEST(FirefoxSessionStoreTest, CompressedStoreWithSeveralWindows)
{
    const QByteArray file = MozLz4::compress(test::firefoxSessionJson(threeWindows(), 2));
    const SessionSummary summary = FirefoxSessionStore::summarise(file, kIsMeeting);
    EXPECT_EQ(summary.outcome, Outcome::Ok);
    EXPECT_TRUE(summary.activeTabMatches);
    EXPECT_TRUE(summary.anyTabMatches);
}

TEST(FirefoxSessionStoreTest, SelectionsDecideTheActiveTab)
{
    struct Case {
        const char *name;
        int selectedWindow;
        int selectedTabOfSecondWindow;
        int currentEntryOfMeetTab; // 1-based, 0 = last
        bool active;
        bool any;
    };
    const Case cases[] = {
        {"meeting tab selected", 2, 2, 0, true, true},
        {"other tab of the same window", 2, 3, 0, false, true},
        {"other window selected", 1, 2, 0, false, true},
        {"no window selected: latest access wins", 0, 2, 0, true, true},
        {"selected window out of range: latest access", 9, 3, 0, true, true},
        {"meeting tab navigated back", 2, 2, 1, false, true /* Whereby in window 1 */},
        {"entry index beyond the history is clamped", 2, 2, 7, true, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QList<FirefoxWindow> windows = threeWindows();
        windows[1].selected = c.selectedTabOfSecondWindow;
        windows[1].tabs[1].index = c.currentEntryOfMeetTab;
        const SessionSummary summary =
            FirefoxSessionStore::summarise(MozLz4::compress(test::firefoxSessionJson(windows, c.selectedWindow)), kIsMeeting);
        EXPECT_EQ(summary.outcome, Outcome::Ok);
        EXPECT_EQ(summary.activeTabMatches, c.active);
        EXPECT_EQ(summary.anyTabMatches, c.any);
    }
}

TEST(FirefoxSessionStoreTest, EveryTruncationGivesNoMeeting)
{
    const QByteArray file = MozLz4::compress(test::firefoxSessionJson(threeWindows(), 2));
    for (qsizetype length = 0; length < file.size(); ++length) {
        const SessionSummary summary = FirefoxSessionStore::summarise(file.left(length), kIsMeeting);
        ASSERT_EQ(summary.outcome, Outcome::Malformed) << "length " << length;
        ASSERT_FALSE(summary.activeTabMatches || summary.anyTabMatches) << "length " << length;
    }
    // A JSON document cut anywhere is no session either.
    const QByteArray json = test::firefoxSessionJson(threeWindows(), 2);
    for (qsizetype length = 0; length < json.size(); length += 7) {
        const SessionSummary summary = FirefoxSessionStore::summariseJson(json.left(length), kIsMeeting);
        ASSERT_FALSE(summary.activeTabMatches || summary.anyTabMatches) << "length " << length;
    }
}

TEST(FirefoxSessionStoreTest, HostileInputsGiveNoMeeting)
{
    const QByteArray json = test::firefoxSessionJson(threeWindows(), 2);
    QByteArray hugeSize = MozLz4::compress(json);
    qToLittleEndian<quint32>(0xFFFFFFF0u, hugeSize.data() + 8);
    QByteArray sizeTooLarge = MozLz4::compress(json);
    qToLittleEndian<quint32>(quint32(json.size() + 100), sizeTooLarge.data() + 8);
    QByteArray sizeTooSmall = MozLz4::compress(json);
    qToLittleEndian<quint32>(quint32(json.size() / 2), sizeTooSmall.data() + 8);
    QByteArray garbageBlock = MozLz4::compress(json).left(12);
    garbageBlock.append(QByteArray(4096, '\xff'));
    QByteArray wrongMagic = MozLz4::compress(json);
    wrongMagic[3] = 'X';

    const struct {
        const char *name;
        QByteArray file;
    } files[] = {
        {"announced size far beyond the cap", hugeSize},
        {"announced size larger than the block", sizeTooLarge},
        {"announced size smaller than the block", sizeTooSmall},
        {"garbage block", garbageBlock},
        {"wrong magic", wrongMagic},
        {"empty", QByteArray()},
    };
    for (const auto &f : files) {
        SCOPED_TRACE(f.name);
        const SessionSummary summary = FirefoxSessionStore::summarise(f.file, kIsMeeting);
        EXPECT_EQ(summary.outcome, Outcome::Malformed);
        EXPECT_FALSE(summary.activeTabMatches || summary.anyTabMatches);
    }

    const char *const documents[] = {
        R"([1,2,3])",
        R"({"windows":{"0":1}})",
        R"({"windows":[1,"x",null],"selectedWindow":1})",
        R"({"windows":[{"tabs":7,"selected":1}],"selectedWindow":1})",
        R"({"windows":[{"tabs":[{"entries":["https://meet.google.com/abc-defg-hij"],"index":1}],"selected":1}],"selectedWindow":1})",
        R"({"windows":[{"tabs":[{"entries":[{"url":42}],"index":"1"}],"selected":-5}],"selectedWindow":-1})",
        R"({"windows":[{"tabs":[{"entries":[],"index":1}],"selected":1}],"selectedWindow":1})",
        R"({"windows":[{"tabs":[{"entries":[{"url":"https://meet.google.com/abc-defg-hij"}],"index":-2147483648}],"selected":9223372036854775807}],"selectedWindow":1e308})",
    };
    for (const char *document : documents) {
        SCOPED_TRACE(document);
        const SessionSummary summary =
            FirefoxSessionStore::summarise(MozLz4::compress(QByteArray(document)), kIsMeeting);
        // The last document is odd but readable: its one tab is a meeting
        // (index clamped), and no selection is valid, so it is also the
        // most recent tab.
        const bool readable = QByteArray(document).contains("-2147483648");
        EXPECT_EQ(summary.activeTabMatches, readable);
        EXPECT_EQ(summary.anyTabMatches, readable);
    }
}

// Chromium: two windows. Window 1 (tabs 11, 12), window 2 (tabs 21, 22);
// window 2 is active and its second tab (22) is selected and shows Meet.
SnssWriter chromiumSession()
{
    SnssWriter w;
    w.initialStateMarker();
    w.setTabWindow(1, 11);
    w.setTabIndexInWindow(11, 0);
    w.navigation(11, 0, "https://example.com/");
    w.setTabWindow(1, 12);
    w.setTabIndexInWindow(12, 1);
    w.navigation(12, 0, "https://example.org/");
    w.selectedTabInWindow(1, 1);
    w.setTabWindow(2, 21);
    w.setTabIndexInWindow(21, 0);
    w.navigation(21, 0, "https://mail.example.com/");
    w.setTabWindow(2, 22);
    w.setTabIndexInWindow(22, 1);
    w.navigation(22, 0, "https://calendar.example.com/");
    w.navigation(22, 1, kMeet.toUtf8(), QStringLiteral("Weekly sync – Google Meet"));
    w.selectedNavigation(22, 1);
    w.selectedTabInWindow(2, 1);
    w.activeWindow(2);
    w.lastActiveTime(11, 13350000000000001);
    w.lastActiveTime(22, 13350000000000009);
    return w;
}

TEST(ChromiumSessionFileTest, ReplaysNavigationsAndSelections)
{
    const SessionSummary summary = ChromiumSessionFile::summarise(chromiumSession().bytes(), kIsMeeting);
    EXPECT_EQ(summary.outcome, Outcome::Ok);
    EXPECT_TRUE(summary.activeTabMatches);
    EXPECT_TRUE(summary.anyTabMatches);
}

TEST(ChromiumSessionFileTest, LaterCommandsChangeTheAnswer)
{
    struct Case {
        const char *name;
        std::function<void(SnssWriter &)> more;
        bool active;
        bool any;
    };
    const Case cases[] = {
        {"nothing more", [](SnssWriter &) {}, true, true},
        {"other window made active", [](SnssWriter &w) { w.activeWindow(1); }, false, true},
        {"other tab selected", [](SnssWriter &w) { w.selectedTabInWindow(2, 0); }, false, true},
        {"meeting tab went back in history", [](SnssWriter &w) { w.selectedNavigation(22, 0); }, false, false},
        {"meeting tab closed", [](SnssWriter &w) { w.tabClosed(22); }, false, false},
        {"meeting window closed", [](SnssWriter &w) { w.windowClosed(2); }, false, false},
        {"forward history pruned away",
         [](SnssWriter &w) {
             w.selectedNavigation(22, 0);
             w.pruned(22, 1, 1);
         },
         false, false},
        {"earlier history pruned: the meeting moves down",
         [](SnssWriter &w) {
             w.pruned(22, 0, 1);
             w.selectedNavigation(22, 0);
         },
         true, true},
        {"meeting in a background tab of the inactive window",
         [](SnssWriter &w) {
             w.navigation(11, 1, "https://whereby.com/standup");
             w.selectedNavigation(11, 1);
             w.selectedNavigation(22, 0);
         },
         false, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        SnssWriter w = chromiumSession();
        c.more(w);
        const SessionSummary summary = ChromiumSessionFile::summarise(w.bytes(), kIsMeeting);
        EXPECT_EQ(summary.outcome, Outcome::Ok);
        EXPECT_EQ(summary.activeTabMatches, c.active);
        EXPECT_EQ(summary.anyTabMatches, c.any);
    }
}

TEST(ChromiumSessionFileTest, ActiveTabFallsBackToLastActiveTime)
{
    // No active-window or selected-tab commands at all (an older writer).
    SnssWriter w;
    w.setTabWindow(1, 5);
    w.navigation(5, 0, "https://example.com/");
    w.setTabWindow(1, 6);
    w.navigation(6, 0, kMeet.toUtf8());
    w.lastActiveTime(5, 100);
    w.lastActiveTime(6, 200);
    EXPECT_TRUE(ChromiumSessionFile::summarise(w.bytes(), kIsMeeting).activeTabMatches);
    w.lastActiveTime(5, 300);
    EXPECT_FALSE(ChromiumSessionFile::summarise(w.bytes(), kIsMeeting).activeTabMatches);
}

TEST(ChromiumSessionFileTest, TornTailKeepsWhatCameBefore)
{
    QByteArray file = chromiumSession().bytes();
    SnssWriter tail;
    tail.activeWindow(1); // would move the focus away, but never finished
    file.append(tail.bytes().mid(8, 4));
    const SessionSummary summary = ChromiumSessionFile::summarise(file, kIsMeeting);
    EXPECT_EQ(summary.outcome, Outcome::Ok);
    EXPECT_TRUE(summary.activeTabMatches);
}

TEST(ChromiumSessionFileTest, EveryTruncationIsSafeAndNoMeetingBeforeItsNavigation)
{
    const QByteArray file = chromiumSession().bytes();
    const qsizetype meetingAt = file.indexOf(kMeet.toUtf8());
    ASSERT_GT(meetingAt, 0);
    for (qsizetype length = 0; length <= file.size(); ++length) {
        const SessionSummary summary = ChromiumSessionFile::summarise(file.left(length), kIsMeeting);
        if (length < meetingAt + kMeet.size()) {
            ASSERT_FALSE(summary.activeTabMatches || summary.anyTabMatches) << "length " << length;
        }
    }
}

TEST(ChromiumSessionFileTest, HostileInputsGiveNoMeeting)
{
    const auto withCommand = [](quint8 id, const QByteArray &payload) {
        SnssWriter w;
        w.setTabWindow(1, 1);
        w.command(id, payload);
        return w.bytes();
    };
    QByteArray hugeString = SnssWriter::ints({1000, 1, 0, 0x7fffffff});
    hugeString.append(kMeet.toUtf8());
    QByteArray negativeString = SnssWriter::ints({1000, 1, 0, -8});
    negativeString.append(kMeet.toUtf8());
    QByteArray negativeIndex = SnssWriter::ints({1000, 1, -1, qint32(kMeet.size())});
    negativeIndex.append(kMeet.toUtf8());
    QByteArray zeroSizeRecord = chromiumSession().bytes().left(8);
    zeroSizeRecord.append(QByteArray(2, '\0'));
    zeroSizeRecord.append(chromiumSession().bytes().mid(8));

    const struct {
        const char *name;
        QByteArray file;
        Outcome outcome;
    } files[] = {
        {"string length beyond the record", withCommand(6, hugeString), Outcome::Ok},
        {"negative string length", withCommand(6, negativeString), Outcome::Ok},
        {"negative navigation index", withCommand(6, negativeIndex), Outcome::Ok},
        {"short selection payload", withCommand(8, QByteArray(3, '\1')), Outcome::Ok},
        {"record of size zero", zeroSizeRecord, Outcome::Ok},
        {"wrong magic", QByteArray("SNSX\3\0\0\0"), Outcome::Malformed},
        {"unknown version", SnssWriter(42).bytes(), Outcome::Malformed},
        {"encrypted", SnssWriter(5).bytes() + QByteArray(64, '\x7f'), Outcome::Encrypted},
        {"header only", QByteArray("SNSS"), Outcome::Malformed},
        {"empty", QByteArray(), Outcome::Malformed},
    };
    for (const auto &f : files) {
        SCOPED_TRACE(f.name);
        const SessionSummary summary = ChromiumSessionFile::summarise(f.file, kIsMeeting);
        EXPECT_EQ(summary.outcome, f.outcome);
        EXPECT_FALSE(summary.activeTabMatches || summary.anyTabMatches);
    }
}

TEST(SessionParsersTest, RandomDamageNeverCrashes)
{
    QRandomGenerator random(20240611);
    const QByteArray chromium = chromiumSession().bytes();
    const QByteArray firefox = MozLz4::compress(test::firefoxSessionJson(threeWindows(), 2));
    const QByteArray firefoxJson = test::firefoxSessionJson(threeWindows(), 2);
    for (int round = 0; round < 2000; ++round) {
        QByteArray a = chromium;
        QByteArray b = firefox;
        QByteArray c = firefoxJson;
        for (int flips = 0; flips < 1 + round % 8; ++flips) {
            a[random.bounded(int(a.size()))] = char(random.bounded(256));
            b[12 + random.bounded(int(b.size() - 12))] = char(random.bounded(256));
            c[random.bounded(int(c.size()))] = char(random.bounded(256));
        }
        (void)ChromiumSessionFile::summarise(a, kIsMeeting);
        (void)FirefoxSessionStore::summarise(b, kIsMeeting);
        (void)FirefoxSessionStore::summariseJson(c, kIsMeeting);
    }
    SUCCEED();
}

} // namespace
} // namespace stirwell
