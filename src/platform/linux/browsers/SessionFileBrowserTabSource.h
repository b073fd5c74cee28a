#pragma once

#include "platform/linux/browsers/SessionSummary.h"
#include "services/meetings/browser/BrowserTabSource.h"

#include <QHash>
#include <QString>

namespace stirwell {

// Answers tab questions from the browsers' own session files, without any
// browser extension: Firefox's compressed session store and the Chromium
// family's session command files, in the native, Flatpak and Snap profile
// locations.
//
// Of all profiles of the browser asked, the most recently written live
// session file is read: that is the profile in use. A file is read and
// parsed only when it changed (path, inode, modification time, size); in
// between, the remembered yes/no answers are given. Nothing else of a file
// is kept, logged or passed on.
//
// Firefox's sessionstore.jsonlz4 is not read: it is written at a clean exit,
// when no tab is open any more.
class SessionFileBrowserTabSource final : public BrowserTabSource {
public:
    SessionFileBrowserTabSource(QString home, QString configHome);
    // For the user's own session: $HOME and $XDG_CONFIG_HOME.
    [[nodiscard]] static SessionFileBrowserTabSource forCurrentUser();

    [[nodiscard]] TabSearchResult findTab(const Browser &browser, TabScope scope,
                                          const AddressPredicate &predicate) override;
    [[nodiscard]] QSet<QString> runningBrowserIds() override;

    // How many session files were read and parsed so far (to show that an
    // unchanged file is not read again).
    [[nodiscard]] int parseCount() const { return m_parseCount; }

private:
    struct FileSignature {
        QString path;
        quint64 inode = 0;
        qint64 modifiedNs = 0;
        qint64 size = -1;
        friend bool operator==(const FileSignature &, const FileSignature &) = default;
    };
    struct Remembered {
        FileSignature signature;
        SessionSummary summary;
    };

    [[nodiscard]] bool isRunning(const Browser &browser) const;
    using RememberedFiles = QHash<QString, Remembered>; // path -> last answer

    [[nodiscard]] SessionSummary summariseFile(BrowserFamily family, const FileSignature &file,
                                               const AddressPredicate &predicate, const RememberedFiles &before,
                                               RememberedFiles &after);

    QString m_home;
    QString m_configHome;
    QHash<QString, RememberedFiles> m_remembered; // browser id -> its files
    int m_parseCount = 0;
};

} // namespace stirwell
