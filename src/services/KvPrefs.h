#pragma once

#include <KvBaseExport.h>

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVariant>

class QSettings;

// Identifies one preference. Only the numbers are stored anywhere; numbers
// the table leaves out (36, 116, 125, 126) are not preferences.
enum KvPrefsId : int {
    PrefMainWindowX = 0,
    PrefMainWindowY = 1,
    PrefMainWindowWidth = 2,
    PrefMainWindowHeight = 3,
    PrefMainWindowScreen = 4,
    PrefHelpWindowX = 5,
    PrefHelpWindowY = 6,
    PrefHelpWindowWidth = 7,
    PrefHelpWindowHeight = 8,
    PrefHelpWindowScreen = 9,
    PrefHelpSplitterLeft = 10,
    PrefHelpSplitterRight = 11,
    PrefMainWindowForcedX = 12,
    PrefMainWindowForcedY = 13,
    PrefMainWindowForcedWidth = 14,
    PrefMainWindowForcedHeight = 15,
    PrefMainWindowForcedScreen = 16,
    PrefFontPoint = 17,
    PrefFontWeight = 18,
    PrefBackgroundBlending = 19,
    PrefMaxUndoLevel = 20,
    PrefMaxMruFiles = 21,
    PrefMaxMreFiles = 22,
    PrefToolBarTextLabelPosition = 23,
    PrefListPanelColumn0 = 24,
    PrefListPanelColumn1 = 25,
    PrefListPanelColumn2 = 26,
    PrefListPanelColumn3 = 27,
    PrefColorBarWidth = 28,
    PrefColorBarHeight = 29,
    PrefColorBarHistogramLevels = 30,
    PrefRulesViolationLimit = 31,
    PrefMsgOutputMaxLength = 32,
    PrefTransparencyQuality = 33,
    PrefDrawingGuideSpacing = 34,
    PrefOversetServerHostPort = 35,
    PrefViewManipWidth = 37,
    PrefViewManipHeight = 38,
    PrefMaxSessionTranscripts = 39,
    PrefDefaultCaeDimension = 40,
    PrefBackgroundTopRed = 41,
    PrefBackgroundTopGreen = 42,
    PrefBackgroundTopBlue = 43,
    PrefBackgroundBottomRed = 44,
    PrefBackgroundBottomGreen = 45,
    PrefBackgroundBottomBlue = 46,
    PrefHiddenRed = 47,
    PrefHiddenGreen = 48,
    PrefHiddenBlue = 49,
    PrefDrawingGuideRed = 50,
    PrefDrawingGuideGreen = 51,
    PrefDrawingGuideBlue = 52,
    PrefDrawingGuideAlpha = 53,
    PrefAnimationDuration = 54,
    PrefSelectAdjacentAngleLimit = 55,
    PrefColorBarXRatio = 56,
    PrefColorBarYRatio = 57,
    PrefViewManipXRatio = 58,
    PrefViewManipYRatio = 59,
    PrefViewManipButtonRed = 60,
    PrefViewManipButtonGreen = 61,
    PrefViewManipButtonBlue = 62,
    PrefMagnifiedViewXRatio = 63,
    PrefMagnifiedViewYRatio = 64,
    PrefMagnifiedViewSize = 65,
    PrefFontItalic = 66,
    PrefMainWindowMaximized = 67,
    PrefHelpWindowMaximized = 68,
    PrefMainWindowForcedMaximized = 69,
    PrefMainWindowForced = 70,
    PrefHelpWindowForced = 71,
    PrefToolBarLargeIcons = 72,
    PrefTextOutScrollToBottom = 73,
    PrefBackgroundUseBlending = 74,
    PrefTextOutShowScript = 75,
    PrefTextOutShowInfo = 76,
    PrefTextOutShowWarning = 77,
    PrefTextOutShowError = 78,
    PrefTextOutShowDebug = 79,
    PrefTextOutShowJournal = 80,
    PrefTextOutTimeStamp = 81,
    PrefShowSplashScreen = 82,
    PrefPickGroupsFirst = 83,
    PrefSelectionOnBox = 84,
    PrefSelectExclusive = 85,
    PrefMouseSwap = 86,
    PrefFileDialogStartsInCwd = 87,
    PrefShowDrawingGuide = 88,
    PrefDoublePrecisionGraphics = 89,
    PrefAutomaticPrecisionGraphics = 90,
    PrefCompressProjectFiles = 91,
    PrefMouseGlide = 92,
    PrefMouseTurntable = 93,
    PrefMouseReverseScroll = 94,
    PrefDrawCurvesReset = 95,
    PrefOversetRunRemote = 96,
    PrefExternalScriptDetect = 97,
    PrefUseOnlineDocumentation = 98,
    PrefStartSessionTranscript = 99,
    PrefShowViewManipulator = 100,
    PrefViewManipAutoHideButtons = 101,
    PrefDefaultGridStructured = 102,
    PrefColorBarShowHistogram = 103,
    PrefExamineProbeEnabled = 104,
    PrefToolBarState = 105,
    PrefHelpToolBarState = 106,
    PrefToolBarIconVisibility = 107,
    PrefTaskCustomization = 108,
    PrefShortcutMap = 109,
    PrefFontFamily = 110,
    PrefLanguageFile = 111,
    PrefHelpDir = 112,
    PrefDefaultFileDirectory = 113,
    PrefDefaultScriptDirectory = 114,
    PrefMeshwrightVersion = 115,
    PrefQtVersion = 117,
    PrefOversetCaseDirectory = 118,
    PrefOversetServerHostName = 119,
    PrefDefaultCaeSolver = 120,
    PrefOversetDefaultAssembler = 121,
    PrefMouseStyle = 122,
    PrefMruFileList = 123,
    PrefMreFileList = 124,
    PrefExternalScriptConfig = 127,
    PrefSavedScriptDefinition = 128,
    PrefSavedColorList = 129,
    PrefNoId = 130  // what lookupId() answers when nothing matches
};

// Which of an entry's four values to read or revert to.
enum KvPrefsMode : int { PrefsDefault = 0, PrefsSecondDefault = 1, PrefsSaved = 2, PrefsCurrent = 3 };

// The user's preferences, kept in the per-user settings store of the
// application. Main thread only.
class KV_BASE_EXPORT KvPrefs {
public:
    // Mouse styles; "Mouse Style" defaults to Meshwright.
    static const QString Meshwright;
    static const QString Plexon;
    static const QString Vizmora;

    // Created, and read from the store, on the first call.
    static KvPrefs* get();
    // Deletes the instance without saving.
    static void destroy();

    KvPrefs(const KvPrefs&) = delete;
    KvPrefs& operator=(const KvPrefs&) = delete;

    bool boolPref(KvPrefsId id, KvPrefsMode mode = PrefsCurrent) const;
    int intPref(KvPrefsId id, KvPrefsMode mode = PrefsCurrent) const;
    double doublePref(KvPrefsId id, KvPrefsMode mode = PrefsCurrent) const;
    QString stringPref(KvPrefsId id, KvPrefsMode mode = PrefsCurrent) const;
    QStringList stringListPref(KvPrefsId id, KvPrefsMode mode = PrefsCurrent) const;
    QByteArray arrayPref(KvPrefsId id, KvPrefsMode mode = PrefsCurrent) const;
    QMap<QString, QVariant> mapPref(KvPrefsId id, KvPrefsMode mode = PrefsCurrent) const;
    // An invalid value for a mode or id outside the table.
    const QVariant& variantPref(KvPrefsId id, KvPrefsMode mode = PrefsCurrent) const;

    // Writers change the current value only; nothing is saved.
    void setBoolPref(KvPrefsId id, const bool& value);
    void setIntPref(KvPrefsId id, const int& value);
    void setDoublePref(KvPrefsId id, const double& value);
    void setStringPref(KvPrefsId id, const QString& value);
    void setStringListPref(KvPrefsId id, const QStringList& value);
    void setArrayPref(KvPrefsId id, const QByteArray& value);
    void setMapPref(KvPrefsId id, const QMap<QString, QVariant>& value);
    void setVariantPref(KvPrefsId id, const QVariant& value);

    // Current value := the value of `mode`; PrefsCurrent changes nothing.
    void revertCurrentTo(KvPrefsId id, KvPrefsMode mode);
    void revertCurrentTo(KvPrefsMode mode);

    // True when the current value differs from the default.
    bool hasUserPref(KvPrefsId id) const;
    // The entry with `key` in "Prefs_v16/<group>", or PrefNoId.
    KvPrefsId lookupId(const QString& group, const QString& key) const;

    // Writes the current value and makes it the saved one; false when the
    // store reports an error.
    bool save(KvPrefsId id, bool sync);
    // Stops at the first failure, then syncs; false for an empty list.
    bool save(const QList<int>& ids);
    bool saveAll();

private:
    class Pref {
    public:
        Pref(const QString& group, const QString& key, KvPrefsId id, const QVariant& defaultValue);
        virtual ~Pref();

        QString group;
        QString key;
        KvPrefsId id;
        QVariant values[4];
    };

    KvPrefs();
    ~KvPrefs();

    void buildTable();
    void add(KvPrefsId id, const char* key, const QVariant& defaultValue);
    void readStore();
    Pref* find(int id) const;

    QMap<int, Pref*> entries_;
    QSettings* settings_;

    static KvPrefs* prefsInstance_;
};
