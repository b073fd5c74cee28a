#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>
#include <QtEndian>

#include <initializer_list>

namespace stirwell::test {

// Builds Firefox session JSON the way the browser writes it (the parts that
// matter here: windows, tabs, history entries, selections, access times).
struct FirefoxTab {
    QStringList entries; // history of the tab, oldest first
    int index = 0;       // 1-based current entry; 0 = the last one
    double lastAccessed = 0;
    bool hidden = false;
};
struct FirefoxWindow {
    QList<FirefoxTab> tabs;
    int selected = 1; // 1-based
};

inline QByteArray firefoxSessionJson(const QList<FirefoxWindow> &windows, int selectedWindow)
{
    QJsonArray windowArray;
    for (const FirefoxWindow &window : windows) {
        QJsonArray tabs;
        for (const FirefoxTab &tab : window.tabs) {
            QJsonArray entries;
            for (const QString &url : tab.entries)
                entries.append(QJsonObject{{QStringLiteral("url"), url},
                                           {QStringLiteral("title"), QStringLiteral("Title of ") + url},
                                           {QStringLiteral("charset"), QStringLiteral("UTF-8")},
                                           {QStringLiteral("ID"), 7},
                                           {QStringLiteral("persist"), true}});
            tabs.append(QJsonObject{{QStringLiteral("entries"), entries},
                                    {QStringLiteral("index"), tab.index ? tab.index : int(tab.entries.size())},
                                    {QStringLiteral("lastAccessed"), tab.lastAccessed},
                                    {QStringLiteral("hidden"), tab.hidden},
                                    {QStringLiteral("pinned"), false},
                                    {QStringLiteral("userContextId"), 0},
                                    {QStringLiteral("attributes"), QJsonObject{}}});
        }
        windowArray.append(QJsonObject{{QStringLiteral("tabs"), tabs},
                                       {QStringLiteral("selected"), window.selected},
                                       {QStringLiteral("_closedTabs"), QJsonArray{}},
                                       {QStringLiteral("width"), 1280},
                                       {QStringLiteral("height"), 800}});
    }
    const QJsonObject root{
        {QStringLiteral("version"), QJsonArray{QStringLiteral("sessionrestore"), 1}},
        {QStringLiteral("windows"), windowArray},
        {QStringLiteral("selectedWindow"), selectedWindow},
        {QStringLiteral("_closedWindows"), QJsonArray{}},
        {QStringLiteral("session"), QJsonObject{{QStringLiteral("lastUpdate"), 1718000000000.0}}},
    };
    return QJsonDocument(root).toJson(QJsonDocument::Compact);
}

// Writes Chromium session command files (SNSS).
class SnssWriter {
public:
    explicit SnssWriter(qint32 version = 3)
    {
        append<quint32>(0x53534E53u);
        append<qint32>(version);
    }

    [[nodiscard]] const QByteArray &bytes() const { return m_bytes; }

    void command(quint8 id, const QByteArray &payload)
    {
        append<quint16>(static_cast<quint16>(payload.size() + 1));
        m_bytes.append(static_cast<char>(id));
        m_bytes.append(payload);
    }

    void setTabWindow(qint32 window, qint32 tab) { command(0, ints({window, tab})); }
    void setTabIndexInWindow(qint32 tab, qint32 index) { command(2, ints({tab, index})); }
    void navigation(qint32 tab, qint32 index, const QByteArray &url, const QString &title = QStringLiteral("A page"))
    {
        QByteArray pickle = ints({tab, index});
        appendString(pickle, url);
        pickle.append(ints({qint32(title.size())}));
        for (const QChar c : title) {
            const quint16 unit = c.unicode();
            pickle.append(reinterpret_cast<const char *>(&unit), 2);
        }
        pad(pickle);
        appendString(pickle, QByteArrayLiteral("encoded page state"));
        pickle.append(ints({1 /* transition */, 0, 0}));
        QByteArray payload = ints({qint32(pickle.size())});
        payload.append(pickle);
        command(6, payload);
    }
    void selectedNavigation(qint32 tab, qint32 index) { command(7, ints({tab, index})); }
    void selectedTabInWindow(qint32 window, qint32 index) { command(8, ints({window, index})); }
    void tabClosed(qint32 tab) { command(16, idAndTime(tab, 13350000000000000)); }
    void windowClosed(qint32 window) { command(17, idAndTime(window, 13350000000000000)); }
    void activeWindow(qint32 window) { command(20, ints({window})); }
    void lastActiveTime(qint32 tab, qint64 time) { command(21, idAndTime(tab, time)); }
    void pruned(qint32 tab, qint32 index, qint32 count) { command(24, ints({tab, index, count})); }
    void initialStateMarker() { command(255, {}); }

    static QByteArray ints(std::initializer_list<qint32> values)
    {
        QByteArray out;
        for (const qint32 v : values) {
            char raw[4];
            qToLittleEndian(v, raw);
            out.append(raw, 4);
        }
        return out;
    }

private:
    template <typename T>
    void append(T value)
    {
        char raw[sizeof(T)];
        qToLittleEndian(value, raw);
        m_bytes.append(raw, sizeof(T));
    }
    static void pad(QByteArray &out)
    {
        while (out.size() % 4)
            out.append('\0');
    }
    static void appendString(QByteArray &out, const QByteArray &value)
    {
        out.append(ints({qint32(value.size())}));
        out.append(value);
        pad(out);
    }
    static QByteArray idAndTime(qint32 id, qint64 time)
    {
        QByteArray out = ints({id, 0});
        char raw[8];
        qToLittleEndian(time, raw);
        out.append(raw, 8);
        return out;
    }

    QByteArray m_bytes;
};

} // namespace stirwell::test
