#include "support/TempXdg.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace stirwell::test {

TempXdg::TempXdg()
{
    const std::map<QByteArray, QString> vars = {
        {"HOME", root() + QStringLiteral("/home")},
        {"XDG_CONFIG_HOME", configHome()},
        {"XDG_DATA_HOME", dataHome()},
        {"XDG_CACHE_HOME", root() + QStringLiteral("/cache")},
        {"XDG_STATE_HOME", root() + QStringLiteral("/state")},
    };
    for (const auto &[name, value] : vars) {
        m_saved[name] = qEnvironmentVariableIsSet(name.constData())
            ? std::optional<QByteArray>(qgetenv(name.constData()))
            : std::nullopt;
        QDir().mkpath(value);
        qputenv(name.constData(), value.toUtf8());
    }
}

TempXdg::~TempXdg()
{
    for (const auto &[name, value] : m_saved) {
        if (value)
            qputenv(name.constData(), *value);
        else
            qunsetenv(name.constData());
    }
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

void setModified(const QString &path, int seconds)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite)) << path.toStdString();
    ASSERT_TRUE(file.setFileTime(QDateTime::currentDateTimeUtc().addSecs(seconds), QFileDevice::FileModificationTime))
        << path.toStdString();
}

} // namespace stirwell::test
