#include "platform/linux/browsers/BrowserProfileLocations.h"

#include <QHash>

namespace stirwell::BrowserProfileLocations {

namespace {

struct Layout {
    QStringList native;      // relative to home ("~/...") or config home ("@/...")
    QStringList flatpakApps; // app ids
    QString flatpakSuffix;   // inside ~/.var/app/<id>/
    QStringList snapPaths;   // relative to ~/snap/
};

const QHash<QString, Layout> &layouts()
{
    static const QHash<QString, Layout> table = {
        {QStringLiteral("firefox"),
         {{QStringLiteral("~/.mozilla/firefox"), QStringLiteral("@/mozilla/firefox")},
          {QStringLiteral("org.mozilla.firefox")},
          QStringLiteral(".mozilla/firefox"),
          {QStringLiteral("firefox/common/.mozilla/firefox")}}},
        {QStringLiteral("librewolf"),
         {{QStringLiteral("~/.librewolf")}, {QStringLiteral("io.gitlab.librewolf-community")}, QStringLiteral(".librewolf"), {}}},
        {QStringLiteral("floorp"),
         {{QStringLiteral("~/.floorp")}, {QStringLiteral("one.ablaze.floorp")}, QStringLiteral(".floorp"), {}}},
        {QStringLiteral("zen"),
         {{QStringLiteral("~/.zen")}, {QStringLiteral("app.zen_browser.zen")}, QStringLiteral(".zen"), {}}},
        {QStringLiteral("google-chrome"),
         {{QStringLiteral("@/google-chrome"), QStringLiteral("@/google-chrome-beta"),
           QStringLiteral("@/google-chrome-unstable")},
          {QStringLiteral("com.google.Chrome")},
          QStringLiteral("config/google-chrome"),
          {}}},
        {QStringLiteral("chromium"),
         {{QStringLiteral("@/chromium")},
          {QStringLiteral("org.chromium.Chromium")},
          QStringLiteral("config/chromium"),
          {QStringLiteral("chromium/common/chromium")}}},
        {QStringLiteral("microsoft-edge"),
         {{QStringLiteral("@/microsoft-edge"), QStringLiteral("@/microsoft-edge-beta"),
           QStringLiteral("@/microsoft-edge-dev")},
          {QStringLiteral("com.microsoft.Edge")},
          QStringLiteral("config/microsoft-edge"),
          {}}},
        {QStringLiteral("brave"),
         {{QStringLiteral("@/BraveSoftware/Brave-Browser")},
          {QStringLiteral("com.brave.Browser")},
          QStringLiteral("config/BraveSoftware/Brave-Browser"),
          {QStringLiteral("brave/current/.config/BraveSoftware/Brave-Browser")}}},
        {QStringLiteral("vivaldi"),
         {{QStringLiteral("@/vivaldi")}, {QStringLiteral("com.vivaldi.Vivaldi")}, QStringLiteral("config/vivaldi"), {}}},
        {QStringLiteral("opera"),
         {{QStringLiteral("@/opera")}, {}, {}, {QStringLiteral("opera/current/.config/opera")}}},
    };
    return table;
}

} // namespace

QStringList roots(const Browser &browser, const QString &home, const QString &configHome)
{
    const auto it = layouts().constFind(browser.id);
    if (it == layouts().cend())
        return {};
    QStringList result;
    for (const QString &path : it->native) {
        if (path.startsWith(u'~'))
            result.append(home + path.mid(1));
        else
            result.append(configHome + path.mid(1));
    }
    for (const QString &app : it->flatpakApps)
        result.append(home + QStringLiteral("/.var/app/") + app + u'/' + it->flatpakSuffix);
    for (const QString &path : it->snapPaths)
        result.append(home + QStringLiteral("/snap/") + path);
    result.removeDuplicates();
    return result;
}

bool isSandboxedRoot(const QString &root, const QString &home)
{
    return root.startsWith(home + QStringLiteral("/.var/app/")) || root.startsWith(home + QStringLiteral("/snap/"));
}

} // namespace stirwell::BrowserProfileLocations
