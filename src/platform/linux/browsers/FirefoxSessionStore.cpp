#include "platform/linux/browsers/FirefoxSessionStore.h"

#include "platform/linux/browsers/MozLz4.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <limits>

namespace stirwell::FirefoxSessionStore {

namespace {

// The page a tab shows: entries[index - 1], the index clamped into range
// (it is 1-based; stores written mid-navigation may be off by one).
QString currentAddress(const QJsonObject &tab)
{
    const QJsonArray entries = tab.value(QLatin1String("entries")).toArray();
    if (entries.isEmpty())
        return {};
    const qint64 index = tab.value(QLatin1String("index")).toInteger(entries.size());
    const qsizetype position = std::clamp<qint64>(index, 1, entries.size()) - 1;
    return entries.at(position).toObject().value(QLatin1String("url")).toString();
}

// A 1-based selection into `array`, or -1 when absent or out of range.
qsizetype selectedPosition(const QJsonObject &object, QLatin1String key, qsizetype count)
{
    const qint64 selected = object.value(key).toInteger(0);
    return selected >= 1 && selected <= count ? static_cast<qsizetype>(selected - 1) : -1;
}

} // namespace

SessionSummary summariseJson(const QByteArray &json, const SessionAddressPredicate &predicate)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return {};
    const QJsonObject root = document.object();
    const QJsonValue windowsValue = root.value(QLatin1String("windows"));
    if (!windowsValue.isArray())
        return {};
    const QJsonArray windows = windowsValue.toArray();

    SessionSummary summary;
    summary.outcome = SessionSummary::Outcome::Ok;

    // The active tab: the selected tab of the selected window. When the store
    // names no (valid) selection, the most recently accessed visible tab.
    QJsonObject activeTab;
    double latestAccess = -std::numeric_limits<double>::infinity();
    QJsonObject latestTab;
    const qsizetype selectedWindow = selectedPosition(root, QLatin1String("selectedWindow"), windows.size());
    for (qsizetype w = 0; w < windows.size(); ++w) {
        const QJsonObject window = windows.at(w).toObject();
        const QJsonArray tabs = window.value(QLatin1String("tabs")).toArray();
        const qsizetype selectedTab = selectedPosition(window, QLatin1String("selected"), tabs.size());
        for (qsizetype t = 0; t < tabs.size(); ++t) {
            const QJsonObject tab = tabs.at(t).toObject();
            if (!summary.anyTabMatches) {
                const QString address = currentAddress(tab);
                summary.anyTabMatches = !address.isEmpty() && predicate(address);
            }
            if (w == selectedWindow && t == selectedTab)
                activeTab = tab;
            const double accessed = tab.value(QLatin1String("lastAccessed")).toDouble(-1);
            if (!tab.value(QLatin1String("hidden")).toBool(false) && accessed > latestAccess) {
                latestAccess = accessed;
                latestTab = tab;
            }
        }
    }
    if (activeTab.isEmpty())
        activeTab = latestTab;
    const QString activeAddress = currentAddress(activeTab);
    summary.activeTabMatches = !activeAddress.isEmpty() && predicate(activeAddress);
    return summary;
}

SessionSummary summarise(const QByteArray &file, const SessionAddressPredicate &predicate)
{
    const std::optional<QByteArray> json = MozLz4::decompress(file);
    if (!json)
        return {};
    return summariseJson(*json, predicate);
}

} // namespace stirwell::FirefoxSessionStore
