#pragma once

#include "services/storage/PreferencesStore.h"

namespace stirwell {

// Preferences persisted as one human-readable JSON file, by default
// "$XDG_CONFIG_HOME/stirwell/preferences.json". The file is written whole
// and atomically after every change.
//
// Bytes are stored as {"base64": "..."}; every other value as plain JSON.
// A file that is not a JSON object is moved aside (the same name with
// ".corrupt-<UTC time>" appended), the defaults apply and `loadProblem()`
// says what happened, so the caller can report it once its log exists.
// Values of unknown shape are kept and written back untouched.
class FilePreferencesStore final : public PreferencesStore {
    Q_OBJECT
public:
    explicit FilePreferencesStore(QString filePath = defaultFilePath(), QObject *parent = nullptr);

    [[nodiscard]] static QString defaultFilePath();
    [[nodiscard]] const QString &filePath() const { return m_filePath; }

    // Empty when the file loaded cleanly or did not exist.
    [[nodiscard]] const QString &loadProblem() const { return m_loadProblem; }
    // Where an unreadable file was moved to; empty when none was.
    [[nodiscard]] const QString &setAsidePath() const { return m_setAsidePath; }
    // False when the last write failed (the values stay in memory).
    [[nodiscard]] bool lastWriteSucceeded() const { return m_lastWriteSucceeded; }

protected:
    void persist() override;

private:
    void load();

    QString m_filePath;
    QString m_loadProblem;
    QString m_setAsidePath;
    bool m_lastWriteSucceeded = true;
};

} // namespace stirwell
