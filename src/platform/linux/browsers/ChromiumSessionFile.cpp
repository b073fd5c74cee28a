#include "platform/linux/browsers/ChromiumSessionFile.h"

#include <QHash>
#include <QMap>
#include <QtEndian>

#include <cstring>
#include <optional>

namespace stirwell::ChromiumSessionFile {

namespace {

// Bounds-checked little-endian reads over one record's payload.
class Reader {
public:
    Reader(const char *data, qsizetype size) : m_data(data), m_size(size) {}

    template <typename T>
    bool read(T &value)
    {
        if (m_size - m_pos < static_cast<qsizetype>(sizeof(T)))
            return false;
        value = qFromLittleEndian<T>(m_data + m_pos);
        m_pos += sizeof(T);
        return true;
    }
    bool skip(qsizetype count)
    {
        if (count < 0 || m_size - m_pos < count)
            return false;
        m_pos += count;
        return true;
    }
    // A pickled string: int32 length, bytes, padding to 4.
    bool readString(QByteArray &value)
    {
        qint32 length = 0;
        if (!read(length) || length < 0 || m_size - m_pos < length)
            return false;
        value = QByteArray(m_data + m_pos, length);
        return skip(length) && skip(padding(length));
    }

private:
    static qsizetype padding(qsizetype length) { return (4 - length % 4) % 4; }

    const char *m_data;
    qsizetype m_size;
    qsizetype m_pos = 0;
};

struct Tab {
    qint32 window = -1;
    qint32 visualIndex = -1;
    qint32 selectedNavigation = -1;
    qint64 lastActive = 0;
    // Navigation index -> whether that page satisfies the predicate.
    QMap<qint32, bool> navigations;

    [[nodiscard]] std::optional<bool> currentMatches() const
    {
        if (navigations.isEmpty())
            return std::nullopt;
        const auto it = navigations.constFind(selectedNavigation);
        return it != navigations.cend() ? *it : navigations.last();
    }
};

struct Session {
    QHash<qint32, Tab> tabs;
    QHash<qint32, qint32> selectedTabIndex; // window -> visual index
    std::optional<qint32> activeWindow;

    void closeWindow(qint32 window)
    {
        selectedTabIndex.remove(window);
        for (auto it = tabs.begin(); it != tabs.end();) {
            if (it->window == window)
                it = tabs.erase(it);
            else
                ++it;
        }
        if (activeWindow == window)
            activeWindow.reset();
    }

    void prune(qint32 tabId, qint32 index, qint32 count)
    {
        const auto it = tabs.find(tabId);
        if (it == tabs.end() || index < 0 || count <= 0)
            return;
        QMap<qint32, bool> kept;
        for (auto nav = it->navigations.cbegin(); nav != it->navigations.cend(); ++nav) {
            if (nav.key() < index)
                kept.insert(nav.key(), nav.value());
            else if (nav.key() >= index + count)
                kept.insert(nav.key() - count, nav.value());
        }
        it->navigations = kept;
    }

    [[nodiscard]] const Tab *activeTab() const
    {
        // The browser's own record first: active window, its selected visual
        // index, the tab at that index. Failing any link, the tab the user
        // touched last.
        const Tab *latest = nullptr;
        for (const Tab &tab : tabs) {
            if (tab.window >= 0 && tab.currentMatches() && (!latest || tab.lastActive > latest->lastActive))
                latest = &tab;
        }
        std::optional<qint32> window = activeWindow;
        if (!window && latest)
            window = latest->window;
        if (window) {
            const auto selected = selectedTabIndex.constFind(*window);
            if (selected != selectedTabIndex.cend()) {
                for (const Tab &tab : tabs) {
                    if (tab.window == *window && tab.visualIndex == *selected && tab.currentMatches())
                        return &tab;
                }
            }
            const Tab *latestInWindow = nullptr;
            for (const Tab &tab : tabs) {
                if (tab.window == *window && tab.currentMatches() &&
                    (!latestInWindow || tab.lastActive > latestInWindow->lastActive))
                    latestInWindow = &tab;
            }
            if (latestInWindow)
                return latestInWindow;
        }
        return latest;
    }
};

void apply(Session &session, quint8 id, Reader payload, const SessionAddressPredicate &predicate)
{
    qint32 a = 0;
    qint32 b = 0;
    switch (id) {
    case SetTabWindow:
        if (payload.read(a) && payload.read(b))
            session.tabs[b].window = a;
        break;
    case SetTabIndexInWindow:
        if (payload.read(a) && payload.read(b))
            session.tabs[a].visualIndex = b;
        break;
    case UpdateTabNavigation: {
        quint32 pickleSize = 0;
        QByteArray address;
        if (payload.read(pickleSize) && payload.read(a) && payload.read(b) && payload.readString(address) && b >= 0) {
            const QString url = QString::fromUtf8(address);
            session.tabs[a].navigations.insert(b, !url.isEmpty() && predicate(url));
        }
        break;
    }
    case SetSelectedNavigationIndex:
        if (payload.read(a) && payload.read(b))
            session.tabs[a].selectedNavigation = b;
        break;
    case SetSelectedTabInIndex:
        if (payload.read(a) && payload.read(b))
            session.selectedTabIndex.insert(a, b);
        break;
    case TabClosed:
        if (payload.read(a))
            session.tabs.remove(a);
        break;
    case WindowClosed:
        if (payload.read(a))
            session.closeWindow(a);
        break;
    case SetActiveWindow:
        if (payload.read(a))
            session.activeWindow = a;
        break;
    case LastActiveTime: {
        qint64 time = 0;
        if (payload.read(a) && payload.skip(4) && payload.read(time)) {
            const auto it = session.tabs.find(a);
            if (it != session.tabs.end())
                it->lastActive = time;
        }
        break;
    }
    case TabNavigationPathPruned: {
        qint32 count = 0;
        if (payload.read(a) && payload.read(b) && payload.read(count))
            session.prune(a, b, count);
        break;
    }
    default:
        break;
    }
}

} // namespace

SessionSummary summarise(const QByteArray &file, const SessionAddressPredicate &predicate)
{
    Reader header(file.constData(), file.size());
    quint32 magic = 0;
    qint32 version = 0;
    if (!header.read(magic) || magic != 0x53534E53u || !header.read(version))
        return {};
    if (version == kEncryptedVersion)
        return {SessionSummary::Outcome::Encrypted};
    if (version != kPlainVersion && version != kLegacyVersion)
        return {};

    Session session;
    qsizetype pos = 8;
    while (file.size() - pos >= 3) {
        const quint16 size = qFromLittleEndian<quint16>(file.constData() + pos);
        if (size == 0 || file.size() - pos - 2 < size)
            break; // a torn tail: the browser was writing this record
        const auto id = static_cast<quint8>(file.at(pos + 2));
        apply(session, id, Reader(file.constData() + pos + 3, size - 1), predicate);
        pos += 2 + size;
    }

    SessionSummary summary;
    summary.outcome = SessionSummary::Outcome::Ok;
    for (const Tab &tab : std::as_const(session.tabs)) {
        if (tab.window >= 0 && tab.currentMatches().value_or(false)) {
            summary.anyTabMatches = true;
            break;
        }
    }
    if (const Tab *active = session.activeTab())
        summary.activeTabMatches = active->currentMatches().value_or(false);
    return summary;
}

} // namespace stirwell::ChromiumSessionFile
