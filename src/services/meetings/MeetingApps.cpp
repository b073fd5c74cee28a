#include "services/meetings/MeetingApps.h"

namespace stirwell {

namespace {
// The kernel keeps only the first 15 bytes of a process name.
constexpr int kShortNameLength = 15;
} // namespace

const QSet<QString> &MeetingApps::processNames()
{
    // Zoom; Teams for Linux; Webex; Slack; Skype; Discord and its builds and
    // the Vesktop client; Jitsi Meet.
    static const QSet<QString> names = {
        QStringLiteral("zoom"),          QStringLiteral("ZoomLauncher"),
        QStringLiteral("teams-for-linux"), QStringLiteral("CiscoCollabHost"),
        QStringLiteral("webex"),         QStringLiteral("slack"),
        QStringLiteral("skypeforlinux"), QStringLiteral("Discord"),
        QStringLiteral("DiscordPTB"),    QStringLiteral("DiscordCanary"),
        QStringLiteral("vesktop"),       QStringLiteral("jitsi-meet"),
    };
    return names;
}

const QSet<QString> &MeetingApps::flatpakIds()
{
    static const QSet<QString> ids = {
        QStringLiteral("us.zoom.Zoom"),
        QStringLiteral("com.github.IsmaelMartinez.teams_for_linux"),
        QStringLiteral("com.slack.Slack"),
        QStringLiteral("com.skype.Client"),
        QStringLiteral("com.discordapp.Discord"),
        QStringLiteral("dev.vencord.Vesktop"),
        QStringLiteral("org.jitsi.jitsi-meet"),
    };
    return ids;
}

const QSet<QString> &MeetingApps::snapNames()
{
    static const QSet<QString> names = {
        QStringLiteral("zoom-client"), QStringLiteral("teams-for-linux"), QStringLiteral("slack"),
        QStringLiteral("skype"),       QStringLiteral("discord"),
    };
    return names;
}

bool MeetingApps::isMeetingApp(const ProcessInfo &process)
{
    if (!process.flatpakId.isEmpty() && flatpakIds().contains(process.flatpakId))
        return true;
    if (!process.snapName.isEmpty() && snapNames().contains(process.snapName))
        return true;
    if (!process.executableName.isEmpty() && processNames().contains(process.executableName))
        return true;
    if (process.name.isEmpty())
        return false;
    if (processNames().contains(process.name))
        return true;
    // A truncated short name matches a longer listed name by its first 15 bytes.
    if (process.name.size() == kShortNameLength) {
        for (const QString &listed : processNames())
            if (listed.size() > kShortNameLength && listed.startsWith(process.name))
                return true;
    }
    return false;
}

} // namespace stirwell
