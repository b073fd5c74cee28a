#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <map>
#include <optional>

namespace stirwell::test {

// Points HOME and the XDG base directories at a fresh temporary directory
// for the life of the object, and restores them afterwards.
class TempXdg {
public:
    TempXdg();
    ~TempXdg();
    TempXdg(const TempXdg &) = delete;
    TempXdg &operator=(const TempXdg &) = delete;

    [[nodiscard]] QString root() const { return m_dir.path(); }
    [[nodiscard]] QString configHome() const { return root() + QStringLiteral("/config"); }
    [[nodiscard]] QString dataHome() const { return root() + QStringLiteral("/data"); }

private:
    QTemporaryDir m_dir;
    std::map<QByteArray, std::optional<QByteArray>> m_saved;
};

// Writes `bytes` to `path`, creating its directory.
void writeFile(const QString &path, const QByteArray &bytes);
[[nodiscard]] QByteArray readFile(const QString &path);
// Moves the file's modification time `seconds` from now (a test failure when
// the file cannot be touched).
void setModified(const QString &path, int seconds);

} // namespace stirwell::test
