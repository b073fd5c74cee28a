#include "services/storage/PreferencesStore.h"
#include "services/system/SoundPlayer.h"
#include "services/system/SoundService.h"

#include "support/QtPrinters.h"
#include "support/TempXdg.h"

#include <gtest/gtest.h>

#include <QStringList>
#include <QTemporaryDir>

using namespace stirwell;

namespace {
class FakePlayer final : public SoundPlayer {
public:
    QStringList played;
    bool filesPlay = true;
    bool playFile(const QString &path) override
    {
        played << "file:" + path.section('/', -1);
        return filesPlay;
    }
    bool playThemeSound(const QString &eventId) override
    {
        played << "theme:" + eventId;
        return true;
    }
};

struct Fixture {
    QTemporaryDir dir;
    PreferencesStore prefs;
    FakePlayer player;
    SoundService sounds{player, prefs, dir.path()};

    Fixture()
    {
        for (const char *name : {"nudge", "break-start", "break-complete", "streak-lost"})
            test::writeFile(dir.filePath(QString::fromLatin1(name) + ".wav"), "RIFF");
    }
};
} // namespace

TEST(SoundService, EachCuePlaysItsOwnFile)
{
    Fixture f;
    f.sounds.playNudge();
    f.sounds.playBreakStart();
    f.sounds.playBreakComplete();
    f.sounds.playStreakLost();
    EXPECT_EQ(f.player.played, (QStringList{"file:nudge.wav", "file:break-start.wav", "file:break-complete.wav",
                                            "file:streak-lost.wav"}));
}

TEST(SoundService, FallsBackToTheThemeWhenTheFileIsMissingOrWillNotPlay)
{
    Fixture f;
    QFile::remove(f.dir.filePath("nudge.wav"));
    f.sounds.playNudge();
    f.player.filesPlay = false;
    f.sounds.playBreakComplete();
    f.sounds.playStreakLost();
    EXPECT_EQ(f.player.played, (QStringList{"theme:message", "file:break-complete.wav", "theme:complete",
                                            "file:streak-lost.wav", "theme:dialog-warning"}));
}

TEST(SoundService, MuteFollowsTheEnableSoundsPreferenceLive)
{
    Fixture f;
    EXPECT_FALSE(f.sounds.isMuted()); // default: sounds on
    f.prefs.setBool("enableSounds", false);
    EXPECT_TRUE(f.sounds.isMuted());
    f.sounds.playNudge();
    EXPECT_TRUE(f.player.played.isEmpty());
    f.prefs.setString("enableSounds", "garbage"); // unreadable: back to the default
    EXPECT_FALSE(f.sounds.isMuted());
    f.prefs.setBool("enableSounds", false);
    f.prefs.remove("enableSounds");
    EXPECT_FALSE(f.sounds.isMuted());
    f.sounds.playNudge();
    EXPECT_EQ(f.player.played, QStringList{"file:nudge.wav"});

    PreferencesStore off;
    off.setBool("enableSounds", false);
    FakePlayer player;
    SoundService startsMuted(player, off, f.dir.path());
    EXPECT_TRUE(startsMuted.isMuted());
}
