#include "services/observability/ObservabilityDefaultParameters.h"

#include "services/observability/AnalyticsProperty.h"
#include "services/observability/ObservabilityFormat.h"

#include <QFile>
#include <QSysInfo>

namespace stirwell {

namespace {

const QString kUnknown = QStringLiteral("unknown");

// One value of an os-release assignment: shell-like, optionally in single or
// double quotes, with backslash escapes inside double quotes.
QString unquoted(QStringView raw)
{
    raw = raw.trimmed();
    if (raw.size() >= 2 && raw.front() == QLatin1Char('\'') && raw.back() == QLatin1Char('\''))
        return raw.mid(1, raw.size() - 2).toString();
    if (raw.size() >= 2 && raw.front() == QLatin1Char('"') && raw.back() == QLatin1Char('"')) {
        QString value;
        const QStringView inner = raw.mid(1, raw.size() - 2);
        for (qsizetype i = 0; i < inner.size(); ++i) {
            if (inner[i] == QLatin1Char('\\') && i + 1 < inner.size())
                ++i;
            value += inner[i];
        }
        return value;
    }
    return raw.toString();
}

QString orZero(const QString &value)
{
    const QString trimmed = value.trimmed();
    return trimmed.isEmpty() ? QStringLiteral("0") : trimmed;
}

} // namespace

QStringList ObservabilityDefaultParameters::systemOsReleasePaths()
{
    return {QStringLiteral("/etc/os-release"), QStringLiteral("/usr/lib/os-release")};
}

QString ObservabilityDefaultParameters::osVersion(const QStringList &paths)
{
    for (const QString &path : paths) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
            continue;
        // The file is small; a runaway one is read no further than this.
        const QString text = QString::fromUtf8(file.read(64 * 1024));
        QString version;
        for (QStringView line : QStringView(text).split(QLatin1Char('\n'))) {
            line = line.trimmed();
            if (line.startsWith(QLatin1String("VERSION_ID=")))
                version = sanitizedAnalyticsValue(unquoted(line.mid(11)));
        }
        return version.isEmpty() ? kUnknown : version;
    }
    return kUnknown;
}

QMap<QString, QString> ObservabilityDefaultParameters::make(const QString &appVersion, const QString &buildNumber,
    const QStringList &osReleasePaths)
{
    return {
        {analyticsPropertyKey(AnalyticsProperty::appVersion), orZero(appVersion)},
        {analyticsPropertyKey(AnalyticsProperty::buildNumber), orZero(buildNumber)},
        {QStringLiteral("os_version"), osVersion(osReleasePaths)},
        {analyticsPropertyKey(AnalyticsProperty::architecture), QSysInfo::currentCpuArchitecture()},
    };
}

} // namespace stirwell
