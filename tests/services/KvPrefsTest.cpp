#include <KvPrefs.h>
#include <KvVersion.h>

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include <unistd.h>

namespace {

void usePath(const QString& dir) {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir);
    QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope, dir + "/system");
}

// Nothing in this program may reach the user's own settings.
const bool kIsolated = [] {
    usePath(QStringLiteral(KV_TEST_TMPDIR "/prefs-default"));
    return true;
}();

QString storeFile(const QString& dir) { return dir + "/Meshwright/Meshwright.conf"; }

void writeText(const QString& path, const QByteArray& text) {
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text);
}

QByteArray readText(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class KvPrefsTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(kIsolated);
        dir_ = QStringLiteral(KV_TEST_TMPDIR "/prefs-%1-%2")
                   .arg(testing::UnitTest::GetInstance()->current_test_info()->name())
                   .arg(QCoreApplication::applicationPid());
        QDir(dir_).removeRecursively();
        QDir().mkpath(dir_);
        usePath(dir_);
        current_ = dir_;
    }
    void TearDown() override {
        KvPrefs::destroy();
        // A test that failed half-way may have left a folder read-only.
        QFile::setPermissions(dir_ + "/ro/Meshwright", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QDir(dir_).removeRecursively();
    }

    // The settings library caches what it has read or written per file; a
    // fresh copy under a new name makes the next instance parse the text.
    void reopenFromCopy() {
        KvPrefs::destroy();
        const QString copy = QStringLiteral("%1/copy%2").arg(dir_).arg(++copies_);
        QDir().mkpath(copy + "/Meshwright");
        ASSERT_TRUE(QFile::copy(storeFile(current_), storeFile(copy)));
        usePath(copy);
        current_ = copy;
    }

    QString dir_, current_;
    int copies_ = 0;
};

}  // namespace

TEST_F(KvPrefsTest, AFreshStoreHoldsTheDefaults) {
    KvPrefs* p = KvPrefs::get();
    EXPECT_EQ(KvPrefs::get(), p);
    int defined = 0;
    for (int i = 0; i < 140; ++i) {
        const auto id = static_cast<KvPrefsId>(i);
        EXPECT_FALSE(p->hasUserPref(id)) << i;
        const QVariant& def = p->variantPref(id, PrefsDefault);
        if (!def.isValid()) continue;
        ++defined;
        for (auto mode : {PrefsSecondDefault, PrefsSaved, PrefsCurrent})
            EXPECT_EQ(p->variantPref(id, mode), def) << i;
    }
    EXPECT_EQ(defined, 126);
    EXPECT_FALSE(p->variantPref(PrefFontPoint, static_cast<KvPrefsMode>(4)).isValid());

    EXPECT_EQ(p->stringPref(PrefMeshwrightVersion), KvVersion::getVersion().toQString());
    EXPECT_EQ(p->variantPref(PrefShortcutMap).userType(), QMetaType::QVariantMap);

    EXPECT_EQ(p->lookupId("Main Window/Text Out", "Show Debug"), PrefTextOutShowDebug);
    EXPECT_EQ(p->lookupId("Help Window/Dimensions", "Width"), PrefHelpWindowWidth);
    EXPECT_EQ(p->lookupId("Main Window", "Width"), PrefNoId);
    EXPECT_EQ(p->lookupId("main window/text out", "Show Debug"), PrefNoId);

    EXPECT_FALSE(QFile::exists(storeFile(dir_)));  // reading writes nothing
}

TEST_F(KvPrefsTest, ValuesSurviveARoundTripThroughTheFile) {
    KvPrefs* p = KvPrefs::get();
    const QByteArray bytes("\0\x01\xff@(x)", 7);
    const QVariantMap shortcuts{{"Ctrl+S", "save"}, {"count", 3}};
    p->setBoolPref(PrefTextOutShowDebug, true);
    p->setIntPref(PrefMaxUndoLevel, 12);
    p->setIntPref(PrefMainWindowX, -40);
    p->setDoublePref(PrefHiddenRed, 0.1234567890123);
    p->setStringPref(PrefDefaultFileDirectory, "/data/a, b");
    p->setStringPref(PrefHelpDir, "@Invalid()");  // looks like the store's own markup
    p->setStringListPref(PrefMruFileList, {"one.kv"});
    p->setStringListPref(PrefMreFileList, {"a, b", "c"});
    p->setArrayPref(PrefToolBarState, bytes);
    p->setMapPref(PrefShortcutMap, shortcuts);
    EXPECT_TRUE(p->hasUserPref(PrefMaxUndoLevel));
    EXPECT_EQ(p->intPref(PrefMaxUndoLevel, PrefsSaved), 5);  // writers do not save
    EXPECT_TRUE(p->saveAll());
    EXPECT_EQ(p->intPref(PrefMaxUndoLevel, PrefsSaved), 12);
    EXPECT_TRUE(readText(storeFile(dir_)).contains("Max%20Undo%20Level=12"));

    reopenFromCopy();
    p = KvPrefs::get();
    EXPECT_TRUE(p->boolPref(PrefTextOutShowDebug));
    EXPECT_EQ(p->intPref(PrefMaxUndoLevel), 12);
    EXPECT_EQ(p->intPref(PrefMainWindowX), -40);
    EXPECT_DOUBLE_EQ(p->doublePref(PrefHiddenRed), 0.1234567890123);
    EXPECT_EQ(p->stringPref(PrefDefaultFileDirectory), "/data/a, b");
    EXPECT_EQ(p->stringPref(PrefHelpDir), "@Invalid()");
    EXPECT_EQ(p->stringListPref(PrefMruFileList), QStringList{"one.kv"});
    EXPECT_EQ(p->stringListPref(PrefMreFileList), (QStringList{"a, b", "c"}));
    EXPECT_EQ(p->arrayPref(PrefToolBarState), bytes);
    EXPECT_EQ(p->mapPref(PrefShortcutMap), shortcuts);
    // Values read back equal to the defaults are no user preference.
    EXPECT_FALSE(p->hasUserPref(PrefMaxMruFiles) || p->hasUserPref(PrefHiddenGreen));
    EXPECT_TRUE(p->hasUserPref(PrefHiddenRed) && p->hasUserPref(PrefToolBarState));
}

TEST_F(KvPrefsTest, RevertAndPartialSaves) {
    KvPrefs* p = KvPrefs::get();
    p->setIntPref(PrefFontPoint, 20);
    p->revertCurrentTo(PrefFontPoint, PrefsSaved);  // nothing saved yet: the default
    EXPECT_EQ(p->intPref(PrefFontPoint), 12);

    p->setIntPref(PrefFontPoint, 20);
    EXPECT_TRUE(p->save(PrefFontPoint, true));
    p->setIntPref(PrefFontPoint, 30);
    p->revertCurrentTo(PrefFontPoint, PrefsSaved);
    EXPECT_EQ(p->intPref(PrefFontPoint), 20);
    p->revertCurrentTo(PrefFontPoint, PrefsSecondDefault);
    EXPECT_EQ(p->intPref(PrefFontPoint), 12);

    p->setIntPref(PrefFontWeight, 75);
    p->setStringPref(PrefFontFamily, "courier");
    EXPECT_TRUE(p->save(PrefFontWeight, false));
    EXPECT_FALSE(p->save(QList<int>{}));  // nothing to save, but the pending write is synced
    EXPECT_TRUE(readText(storeFile(dir_)).contains("Weight=75"));
    EXPECT_TRUE(p->save(QList<int>{PrefFontFamily, PrefFontItalic}));

    p->revertCurrentTo(PrefsDefault);
    EXPECT_EQ(p->intPref(PrefFontWeight), 50);
    EXPECT_EQ(p->stringPref(PrefFontFamily), "arial");
    EXPECT_EQ(p->stringPref(PrefFontFamily, PrefsSaved), "courier");
}

TEST_F(KvPrefsTest, OlderLayoutsFillMissingKeysAndAreSavedForward) {
    writeText(storeFile(dir_),
              "[Prefs_v16]\n"
              "Application\\Max%20MRU%20Files=4\n"
              "[Prefs_v15]\n"
              "Application\\Max%20MRU%20Files=5\n"
              "Application\\Max%20Undo%20Level=8\n"
              "[Prefs_v14]\n"
              "Application\\Max%20Undo%20Level=7\n"
              "Main%20Window\\Text%20Out\\Show%20Debug=true\n"
              "Qt%20Version=5.9.1\n"
              "[Prefs_v2]\n"
              "Main%20Window\\Mouse%20Style=Plexon\n"
              "Help%20Window\\Dimensions\\Width=640\n"
              "[prefs_v13]\n"
              "Application\\Font\\Point=30\n");
    KvPrefs* p = KvPrefs::get();
    EXPECT_EQ(p->intPref(PrefMaxMruFiles), 4);   // the current layout wins
    EXPECT_EQ(p->intPref(PrefMaxUndoLevel), 8);  // then the newest older one
    EXPECT_TRUE(p->boolPref(PrefTextOutShowDebug));
    EXPECT_EQ(p->stringPref(PrefMouseStyle), KvPrefs::Plexon);
    EXPECT_EQ(p->intPref(PrefHelpWindowWidth), 640);
    EXPECT_EQ(p->intPref(PrefFontPoint), 12);  // group names are case-sensitive
    // The version that last saved, beside the running one: an upgrade.
    EXPECT_EQ(p->stringPref(PrefQtVersion), "5.9.1");
    EXPECT_EQ(p->stringPref(PrefQtVersion, PrefsDefault), "5.15.1");
    EXPECT_EQ(p->intPref(PrefMaxUndoLevel, PrefsSaved), 5);

    ASSERT_TRUE(p->saveAll());
    reopenFromCopy();
    QSettings raw(storeFile(current_), QSettings::IniFormat);
    EXPECT_EQ(raw.value("Prefs_v16/Application/Max Undo Level").toString(), "8");
    EXPECT_EQ(raw.value("Prefs_v15/Application/Max Undo Level").toString(), "8");  // old groups stay
    EXPECT_EQ(KvPrefs::get()->intPref(PrefMaxUndoLevel), 8);
}

TEST_F(KvPrefsTest, GarbageAndWrongTypesFallBackToDefaults) {
    writeText(storeFile(dir_),
              "[Prefs_v16]\n"
              "Application\\Max%20Undo%20Level=banana\n"
              "Application\\Max%20MRU%20Files=12.5\n"
              "Application\\Overset%20Server%20Host%20Port=\n"
              "Application\\Select%20Adjacent%20Angle%20Limit=nan\n"
              "Application\\Colors\\Hidden%20Red=0.5x\n"
              "Application\\Colors\\Hidden%20Blue= 0.25 \n"
              "Application\\Font\\Family=courier\n"
              "Application\\Font\\Point=14\n"
              "Application\\MRU%20File%20List=@ByteArray(abc)\n"
              "Application\\User%20Shortcuts\\Shortcut%20Map=hello\n"
              "Main%20Window\\Text%20Out\\Show%20Debug=maybe\n"
              "Main%20Window\\Text%20Out\\Show%20Info=false\n"
              "Main%20Window\\Tool%20Bars\\State=plain text\n"
              "Main%20Window\\Mouse%20Style=a, b\n"
              "Main%20Window\\Dimensions\\Width=99999999999\n"
              "[Prefs_v15]\n"
              "Application\\Max%20Undo%20Level=3\n");
    KvPrefs* p = KvPrefs::get();
    EXPECT_EQ(p->intPref(PrefMaxUndoLevel), 5);
    EXPECT_EQ(p->intPref(PrefMaxMruFiles), 9);
    EXPECT_EQ(p->intPref(PrefOversetServerHostPort), 8884);
    EXPECT_DOUBLE_EQ(p->doublePref(PrefSelectAdjacentAngleLimit), 180.0);
    EXPECT_DOUBLE_EQ(p->doublePref(PrefHiddenRed), 0.4);
    EXPECT_EQ(p->intPref(PrefMainWindowWidth), 1280);
    for (auto id : {PrefMruFileList, PrefShortcutMap, PrefTextOutShowDebug, PrefToolBarState, PrefMouseStyle})
        EXPECT_FALSE(p->hasUserPref(id)) << id;
    // Good values beside them are taken.
    EXPECT_DOUBLE_EQ(p->doublePref(PrefHiddenBlue), 0.25);
    EXPECT_EQ(p->stringPref(PrefFontFamily), "courier");
    EXPECT_EQ(p->intPref(PrefFontPoint), 14);
    EXPECT_TRUE(p->hasUserPref(PrefTextOutShowInfo));
    KvPrefs::destroy();

    writeText(storeFile(dir_ + "/junk"), QByteArray("\x00\xff[[[=\n\\\\=\x01", 12));
    usePath(dir_ + "/junk");
    EXPECT_EQ(KvPrefs::get()->intPref(PrefMaxUndoLevel), 5);
}

TEST_F(KvPrefsTest, AnUnwritableStoreIsReadAndReportsFailedSaves) {
    // A folder that cannot be made, whoever runs the test.
    writeText(dir_ + "/blocker", "not a folder");
    usePath(dir_ + "/blocker/settings");
    KvPrefs* p = KvPrefs::get();
    EXPECT_EQ(p->intPref(PrefMaxUndoLevel), 5);
    p->setIntPref(PrefMaxUndoLevel, 6);
    EXPECT_FALSE(p->save(PrefMaxUndoLevel, true));
    EXPECT_FALSE(p->saveAll());
    EXPECT_FALSE(p->save(QList<int>{PrefMaxUndoLevel}));
    KvPrefs::destroy();

    // A read-only file is still read.
    const QString file = storeFile(dir_ + "/ro");
    writeText(file, "[Prefs_v16]\nApplication\\Max%20Undo%20Level=7\n");
    QFile::setPermissions(file, QFile::ReadOwner);
    QFile::setPermissions(QFileInfo(file).path(), QFile::ReadOwner | QFile::ExeOwner);
    usePath(dir_ + "/ro");
    p = KvPrefs::get();
    EXPECT_EQ(p->intPref(PrefMaxUndoLevel), 7);
    p->setIntPref(PrefMaxUndoLevel, 9);
    const bool saved = p->saveAll();
    if (geteuid() != 0) {
        EXPECT_FALSE(saved);  // permissions do not bind root
    }
    QFile::setPermissions(QFileInfo(file).path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}
