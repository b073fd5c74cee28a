#include "services/storage/DataDirectory.h"
#include "services/storage/FilePreferencesStore.h"
#include "support/TempXdg.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace stirwell;
using stirwell::test::readFile;
using stirwell::test::TempXdg;
using stirwell::test::writeFile;

TEST(FilePreferencesStore, EveryTypeRoundTripsThroughTheFile)
{
    TempXdg xdg;
    const QByteArray bytes("\x00\x01\xffpayload", 10);
    {
        FilePreferencesStore store;
        EXPECT_EQ(store.filePath(), xdg.configHome() + QStringLiteral("/stirwell/preferences.json"));
        store.setBool(QStringLiteral("flag"), true);
        store.setInt(QStringLiteral("count"), -42);
        store.setDouble(QStringLiteral("ratio"), 0.85);
        store.setString(QStringLiteral("name"), QStringLiteral("Grüße \"quoted\"\n"));
        store.setBytes(QStringLiteral("blob"), bytes);
        EXPECT_TRUE(store.lastWriteSucceeded());
    }
    FilePreferencesStore reloaded;
    EXPECT_TRUE(reloaded.loadProblem().isEmpty());
    EXPECT_EQ(reloaded.boolValue(QStringLiteral("flag")), true);
    EXPECT_EQ(reloaded.intValue(QStringLiteral("count")), -42);
    EXPECT_EQ(reloaded.doubleValue(QStringLiteral("ratio")), 0.85);
    EXPECT_EQ(reloaded.stringValue(QStringLiteral("name")), QStringLiteral("Grüße \"quoted\"\n"));
    EXPECT_EQ(reloaded.bytesValue(QStringLiteral("blob")), bytes);
    // The file is for people too: indented JSON.
    EXPECT_TRUE(readFile(reloaded.filePath()).contains("\n    \"count\": -42"));
}

TEST(PreferencesStore, WrongTypeReadsAsAbsentButIsToldApartFromMissing)
{
    PreferencesStore store;
    store.setString(QStringLiteral("breakIntervalMinutes"), QStringLiteral("forty-five"));
    EXPECT_EQ(store.intValue(QStringLiteral("breakIntervalMinutes")), std::nullopt);
    EXPECT_EQ(store.boolValue(QStringLiteral("breakIntervalMinutes")), std::nullopt);
    EXPECT_EQ(store.type(QStringLiteral("breakIntervalMinutes")), PreferenceType::String);
    EXPECT_EQ(store.type(QStringLiteral("nothing")), PreferenceType::Missing);

    // Numbers: integers read as doubles, whole doubles as integers, not
    // fractional ones; and no number reads as a Boolean.
    store.setInt(QStringLiteral("i"), 45);
    store.setDouble(QStringLiteral("whole"), 45.0);
    store.setDouble(QStringLiteral("half"), 2.5);
    EXPECT_EQ(store.doubleValue(QStringLiteral("i")), 45.0);
    EXPECT_EQ(store.intValue(QStringLiteral("whole")), 45);
    EXPECT_EQ(store.intValue(QStringLiteral("half")), std::nullopt);
    EXPECT_EQ(store.boolValue(QStringLiteral("i")), std::nullopt);
}

TEST(PreferencesStore, ChangesAreSignalledOnce)
{
    PreferencesStore store;
    QSignalSpy spy(&store, &PreferencesStore::changed);
    store.setBool(QStringLiteral("enableSounds"), false);
    store.setBool(QStringLiteral("enableSounds"), false); // unchanged: no signal
    store.remove(QStringLiteral("enableSounds"));
    store.remove(QStringLiteral("enableSounds"));
    ASSERT_EQ(spy.count(), 2);
    EXPECT_EQ(spy.at(0).at(0).toString(), QStringLiteral("enableSounds"));
}

TEST(FilePreferencesStore, ACorruptFileIsKeptAsideAndDefaultsApply)
{
    TempXdg xdg;
    const QString path = FilePreferencesStore::defaultFilePath();
    writeFile(path, "{\"breakIntervalMinutes\": 50, oops");
    FilePreferencesStore store;
    EXPECT_FALSE(store.loadProblem().isEmpty());
    EXPECT_TRUE(store.keys().isEmpty());
    ASSERT_FALSE(store.setAsidePath().isEmpty());
    EXPECT_EQ(readFile(store.setAsidePath()), QByteArray("{\"breakIntervalMinutes\": 50, oops"));

    // The next write starts a fresh file and never touches the one set aside.
    store.setInt(QStringLiteral("breakIntervalMinutes"), 40);
    EXPECT_EQ(FilePreferencesStore().intValue(QStringLiteral("breakIntervalMinutes")), 40);
    EXPECT_EQ(readFile(store.setAsidePath()), QByteArray("{\"breakIntervalMinutes\": 50, oops"));
}

TEST(FilePreferencesStore, HandEditedValuesOfUnknownShapeSurviveAWrite)
{
    TempXdg xdg;
    const QString path = FilePreferencesStore::defaultFilePath();
    writeFile(path, R"({"list": [1, 2], "nothing": null, "enableSounds": "yes", "bad": {"base64": "@@"}})");
    FilePreferencesStore store;
    EXPECT_EQ(store.type(QStringLiteral("list")), PreferenceType::Unreadable);
    EXPECT_EQ(store.boolValue(QStringLiteral("enableSounds")), std::nullopt);
    EXPECT_EQ(store.bytesValue(QStringLiteral("bad")), std::nullopt);
    EXPECT_TRUE(store.loadProblem().contains(QStringLiteral("list")));

    store.setBool(QStringLiteral("other"), true);
    const QJsonObject written = QJsonDocument::fromJson(readFile(path)).object();
    EXPECT_EQ(written.value(QStringLiteral("list")).toArray().size(), 2);
    EXPECT_TRUE(written.contains(QStringLiteral("nothing")));
    EXPECT_EQ(written.value(QStringLiteral("enableSounds")).toString(), QStringLiteral("yes"));
}

TEST(FilePreferencesStore, WritesAreAtomicReplacements)
{
    TempXdg xdg;
    FilePreferencesStore store;
    store.setInt(QStringLiteral("a"), 1);
    const QString dir = QFileInfo(store.filePath()).absolutePath();
    store.setInt(QStringLiteral("a"), 2);
    // No temporary or partial file is left beside the real one, and the file
    // always holds a complete document.
    EXPECT_EQ(QDir(dir).entryList(QDir::Files), QStringList{QStringLiteral("preferences.json")});
    EXPECT_EQ(QJsonDocument::fromJson(readFile(store.filePath())).object().value(QStringLiteral("a")).toInt(), 2);
}

TEST(FilePreferencesStore, AnUnwritableLocationKeepsValuesInMemory)
{
    TempXdg xdg;
    writeFile(xdg.root() + QStringLiteral("/blocker"), "a file where a directory should be");
    FilePreferencesStore store(xdg.root() + QStringLiteral("/blocker/stirwell/preferences.json"));
    store.setBool(QStringLiteral("flag"), true);
    EXPECT_FALSE(store.lastWriteSucceeded());
    EXPECT_EQ(store.boolValue(QStringLiteral("flag")), true);
}

TEST(DataDirectory, IsStirwellUnderXdgDataHome)
{
    TempXdg xdg;
    EXPECT_EQ(defaultDataDirectory(), xdg.dataHome() + QStringLiteral("/Stirwell"));
}
