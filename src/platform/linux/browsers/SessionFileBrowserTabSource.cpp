#include "platform/linux/browsers/SessionFileBrowserTabSource.h"

#include "platform/linux/browsers/BrowserProfileLocations.h"
#include "platform/linux/browsers/ChromiumSessionFile.h"
#include "platform/linux/browsers/FirefoxSessionStore.h"
#include "services/meetings/browser/BrowserMeetingTabMonitor.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace stirwell {

namespace {

// A file session files may reasonably reach; anything larger is not read.
constexpr qint64 kMaxSessionFileSize = 128 * 1024 * 1024;

enum class Access { Missing, Readable, Denied };

struct Probe {
    Access access = Access::Missing;
    struct stat info {};
};

Probe probe(const QString &path)
{
    Probe result;
    const QByteArray native = QFile::encodeName(path);
    if (::stat(native.constData(), &result.info) != 0) {
        result.access = errno == EACCES ? Access::Denied : Access::Missing;
        return result;
    }
    result.access = ::access(native.constData(), R_OK) == 0 ? Access::Readable : Access::Denied;
    return result;
}

std::optional<QString> readLink(const QString &path)
{
    char buffer[512];
    const ssize_t length = ::readlink(QFile::encodeName(path).constData(), buffer, sizeof buffer);
    if (length <= 0)
        return std::nullopt;
    return QString::fromLocal8Bit(buffer, length);
}

// A profile lock naming a process: Firefox "address:+pid", Chromium
// "host-pid". The lock is stale when the process is gone; inside a sandbox
// the pid belongs to another namespace, so there its presence must do.
bool lockIsLive(const QString &lockPath, bool sandboxed)
{
    const std::optional<QString> target = readLink(lockPath);
    if (!target)
        return false;
    if (sandboxed)
        return true;
    const qsizetype separator = std::max(target->lastIndexOf(u'+'), target->lastIndexOf(u'-'));
    bool ok = false;
    const qint64 pid = target->mid(separator + 1).toLongLong(&ok);
    if (!ok || pid <= 0)
        return true;
    return QFileInfo::exists(QStringLiteral("/proc/%1").arg(pid));
}

// Profile folders of a Firefox root: those profiles.ini names (relative or
// absolute) and, for profiles it does not list, every folder of the root.
QStringList firefoxProfiles(const QString &root)
{
    QStringList profiles;
    QFile ini(root + QStringLiteral("/profiles.ini"));
    if (ini.size() < 1024 * 1024 && ini.open(QIODevice::ReadOnly)) {
        QString path;
        bool relative = true;
        const auto flush = [&] {
            if (!path.isEmpty())
                profiles.append(relative ? root + u'/' + path : path);
            path.clear();
            relative = true;
        };
        const QList<QByteArray> lines = ini.readAll().split('\n');
        for (const QByteArray &raw : lines) {
            const QString line = QString::fromUtf8(raw).trimmed();
            if (line.startsWith(u'['))
                flush();
            else if (line.startsWith(QLatin1String("Path=")))
                path = line.mid(5);
            else if (line.startsWith(QLatin1String("IsRelative=")))
                relative = line.mid(11) != QLatin1String("0");
        }
        flush();
    }
    const QStringList folders = QDir(root).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &folder : folders)
        profiles.append(root + u'/' + folder);
    for (QString &profile : profiles)
        profile = QDir::cleanPath(profile);
    profiles.removeDuplicates();
    return profiles;
}

// Profile folders of a Chromium user-data root; Opera keeps its one profile
// in the root itself.
QStringList chromiumProfiles(const QString &root)
{
    QStringList profiles{root};
    const QStringList folders = QDir(root).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &folder : folders) {
        if (folder == QLatin1String("Default") || folder.startsWith(QLatin1String("Profile ")) ||
            folder == QLatin1String("Guest Profile"))
            profiles.append(root + u'/' + folder);
    }
    return profiles;
}

// The live session files of one profile, newest format first.
QStringList sessionFiles(BrowserFamily family, const QString &profile, bool &sealedOnly)
{
    if (family == BrowserFamily::Firefox) {
        return {profile + QStringLiteral("/sessionstore-backups/recovery.jsonlz4"),
                profile + QStringLiteral("/sessionstore-backups/recovery.baklz4")};
    }
    QStringList files;
    const QDir sessions(profile + QStringLiteral("/Sessions"));
    const QStringList names =
        sessions.entryList({QStringLiteral("Session_*")}, QDir::Files | QDir::Readable, QDir::Name);
    // Session_<microseconds since 1601>: the largest number is the newest.
    QString newest;
    qulonglong newestStamp = 0;
    for (const QString &name : names) {
        bool ok = false;
        const qulonglong stamp = name.mid(8).toULongLong(&ok);
        if (ok && (newest.isEmpty() || stamp > newestStamp)) {
            newest = name;
            newestStamp = stamp;
        }
    }
    if (!newest.isEmpty())
        files.append(sessions.filePath(newest));
    files.append(profile + QStringLiteral("/Current Session"));
    if (newest.isEmpty() && QDir(profile + QStringLiteral("/Sessions_Encrypted")).exists() &&
        !QFileInfo::exists(profile + QStringLiteral("/Current Session")))
        sealedOnly = true;
    return files;
}

} // namespace

SessionFileBrowserTabSource::SessionFileBrowserTabSource(QString home, QString configHome)
    : m_home(std::move(home))
    , m_configHome(std::move(configHome))
{
}

SessionFileBrowserTabSource SessionFileBrowserTabSource::forCurrentUser()
{
    return SessionFileBrowserTabSource(QDir::homePath(),
                                       QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
}

TabSearchResult SessionFileBrowserTabSource::findTab(const Browser &browser, TabScope scope,
                                                     const AddressPredicate &predicate)
{
    // Every candidate file of every profile; the newest readable one wins,
    // the others of its profile stand in when it cannot be parsed.
    struct Candidate {
        FileSignature signature;
        int profileIndex = 0;
    };
    QList<Candidate> candidates;
    bool denied = false;
    bool sealed = false;
    int profileIndex = 0;
    for (const QString &root : BrowserProfileLocations::roots(browser, m_home, m_configHome)) {
        const Probe rootProbe = probe(root);
        if (rootProbe.access == Access::Denied)
            denied = true;
        if (rootProbe.access != Access::Readable)
            continue;
        const QStringList profiles =
            browser.family == BrowserFamily::Firefox ? firefoxProfiles(root) : chromiumProfiles(root);
        for (const QString &profile : profiles) {
            ++profileIndex;
            bool sealedOnly = false;
            for (const QString &file : sessionFiles(browser.family, profile, sealedOnly)) {
                const Probe fileProbe = probe(file);
                if (fileProbe.access == Access::Denied)
                    denied = true;
                if (fileProbe.access != Access::Readable || !S_ISREG(fileProbe.info.st_mode))
                    continue;
                candidates.append({{file, static_cast<quint64>(fileProbe.info.st_ino),
                                    qint64(fileProbe.info.st_mtim.tv_sec) * 1000000000 + fileProbe.info.st_mtim.tv_nsec,
                                    qint64(fileProbe.info.st_size)},
                                   profileIndex});
            }
            sealed = sealed || sealedOnly;
        }
    }

    // Newest profile first, then that profile's files in their given order.
    std::optional<int> newestProfile;
    qint64 newestTime = 0;
    for (const Candidate &candidate : std::as_const(candidates)) {
        if (!newestProfile || candidate.signature.modifiedNs > newestTime) {
            newestProfile = candidate.profileIndex;
            newestTime = candidate.signature.modifiedNs;
        }
    }

    // Only the files looked at in this call stay remembered, so renamed
    // Chromium session files do not pile up.
    const RememberedFiles before = m_remembered.take(browser.id);
    RememberedFiles &after = m_remembered[browser.id];
    for (const Candidate &candidate : std::as_const(candidates)) {
        if (candidate.profileIndex != newestProfile)
            continue;
        const SessionSummary summary = summariseFile(browser.family, candidate.signature, predicate, before, after);
        if (summary.outcome == SessionSummary::Outcome::Encrypted) {
            sealed = true;
            continue;
        }
        if (summary.outcome != SessionSummary::Outcome::Ok)
            continue;
        return {TabReadStatus::Read,
                scope == TabScope::AllTabs ? summary.anyTabMatches : summary.activeTabMatches};
    }
    if (denied || sealed)
        return {TabReadStatus::Unreadable, false};
    return {candidates.isEmpty() ? TabReadStatus::NotFound : TabReadStatus::Read, false};
}

SessionSummary SessionFileBrowserTabSource::summariseFile(BrowserFamily family, const FileSignature &file,
                                                          const AddressPredicate &predicate,
                                                          const RememberedFiles &before, RememberedFiles &after)
{
    const auto remembered = before.constFind(file.path);
    if (remembered != before.cend() && remembered->signature == file) {
        after.insert(file.path, *remembered);
        return remembered->summary;
    }
    SessionSummary summary;
    if (file.size > kMaxSessionFileSize)
        return summary;
    QFile in(file.path);
    if (!in.open(QIODevice::ReadOnly))
        return summary; // replaced or removed since it was looked at: next time
    const QByteArray bytes = in.readAll();
    ++m_parseCount;
    summary = family == BrowserFamily::Firefox ? FirefoxSessionStore::summarise(bytes, predicate)
                                               : ChromiumSessionFile::summarise(bytes, predicate);
    after.insert(file.path, {file, summary});
    return summary;
}

bool SessionFileBrowserTabSource::isRunning(const Browser &browser) const
{
    for (const QString &root : BrowserProfileLocations::roots(browser, m_home, m_configHome)) {
        const bool sandboxed = BrowserProfileLocations::isSandboxedRoot(root, m_home);
        if (browser.family == BrowserFamily::Chromium) {
            if (lockIsLive(root + QStringLiteral("/SingletonLock"), sandboxed))
                return true;
            continue;
        }
        if (!QFileInfo::exists(root))
            continue;
        for (const QString &profile : firefoxProfiles(root)) {
            if (lockIsLive(profile + QStringLiteral("/lock"), sandboxed))
                return true;
        }
    }
    return false;
}

QSet<QString> SessionFileBrowserTabSource::runningBrowserIds()
{
    QSet<QString> running;
    for (const Browser &browser : BrowserMeetingTabMonitor::browsers()) {
        if (isRunning(browser))
            running.insert(browser.id);
    }
    return running;
}

} // namespace stirwell
