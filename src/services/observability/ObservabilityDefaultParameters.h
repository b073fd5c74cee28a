#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

namespace stirwell {

// The parameters every usage signal and breadcrumb carries, under which the
// caller's own properties are merged:
//   "app_version"   the short version ("0" when empty)
//   "build_number"  the build number ("0" when empty)
//   "os_version"    VERSION_ID of os-release(5), such as "12" or "22.04";
//                   "unknown" when no file names one
//   "architecture"  the processor architecture, such as "x86_64"
struct ObservabilityDefaultParameters {
    // The places os-release(5) is looked for, first existing file wins.
    [[nodiscard]] static QStringList systemOsReleasePaths();

    [[nodiscard]] static QMap<QString, QString> make(const QString &appVersion, const QString &buildNumber,
        const QStringList &osReleasePaths = systemOsReleasePaths());

    // VERSION_ID from the first of `paths` that can be read; "unknown" when
    // that file has none (or an empty one) or no file can be read.
    [[nodiscard]] static QString osVersion(const QStringList &paths);
};

} // namespace stirwell
