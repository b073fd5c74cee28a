#include "services/storage/FilePreferencesStore.h"

#include "services/storage/JsonDocument.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QStandardPaths>

namespace stirwell {

FilePreferencesStore::FilePreferencesStore(QString filePath, QObject *parent)
    : PreferencesStore(parent)
    , m_filePath(std::move(filePath))
{
    load();
}

QString FilePreferencesStore::defaultFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/stirwell/preferences.json");
}

void FilePreferencesStore::load()
{
    QFile file(m_filePath);
    if (!file.exists())
        return;
    if (!file.open(QIODevice::ReadOnly)) {
        m_loadProblem = QStringLiteral("preferences file cannot be read: %1").arg(file.errorString());
        return;
    }
    const QByteArray bytes = file.readAll();
    file.close();

    QString reason;
    if (const std::optional<QJsonObject> parsed = parseJsonObject(bytes, &reason)) {
        const QStringList unreadable = loadJson(*parsed);
        if (!unreadable.isEmpty())
            m_loadProblem = QStringLiteral("preferences of unknown shape kept as they are: %1")
                                .arg(unreadable.join(QStringLiteral(", ")));
        return;
    }

    const QString stamp = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
    QString aside = m_filePath + QStringLiteral(".corrupt-") + stamp;
    for (int n = 2; QFile::exists(aside); ++n)
        aside = m_filePath + QStringLiteral(".corrupt-") + stamp + QLatin1Char('-') + QString::number(n);
    if (QFile::rename(m_filePath, aside)) {
        m_setAsidePath = aside;
        m_loadProblem = QStringLiteral("preferences file unreadable: %1; moved to %2, defaults apply")
                            .arg(reason, aside);
    } else {
        m_loadProblem = QStringLiteral("preferences file unreadable: %1; it could not be moved aside, so "
                                       "defaults apply and it will be replaced on the next change")
                            .arg(reason);
    }
}

void FilePreferencesStore::persist()
{
    m_lastWriteSucceeded = false;
    if (!QDir().mkpath(QFileInfo(m_filePath).absolutePath()))
        return;
    QSaveFile file(m_filePath);
    if (!file.open(QIODevice::WriteOnly))
        return;
    file.write(QJsonDocument(toJson()).toJson(QJsonDocument::Indented));
    m_lastWriteSucceeded = file.commit();
}

} // namespace stirwell
