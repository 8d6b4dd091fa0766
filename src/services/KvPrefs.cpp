#include <KvPrefs.h>

#include <KvVersion.h>

#include <QSettings>

#include <cmath>
#include <memory>

namespace {

const char* const kTopGroup = "Prefs_v16";
// Older layouts of the store, newest first.
const char* const kOlderGroups[] = {"Prefs_v15", "Prefs_v14", "Prefs_v13", "Prefs_v12", "Prefs_v11",
                                    "Prefs_v10", "Prefs_v9",  "Prefs_v8",  "Prefs_v7",  "Prefs_v6",
                                    "Prefs_v5",  "Prefs_v4",  "Prefs_v3",  "Prefs_v2",  "Prefs_v1"};
const char* const kOrganisation = "Meshwright";
const char* const kApplication = "Meshwright";
const char* const kQtVersion = "5.15.1";

bool isNumber(int type) {
    return type == QMetaType::Int || type == QMetaType::UInt || type == QMetaType::LongLong ||
           type == QMetaType::ULongLong || type == QMetaType::Double;
}

// A stored value as the entry's type. Text-based stores give back strings for
// everything scalar and a plain string for a one-item list, so those are
// parsed; anything that does not fit the type is refused.
bool toEntryType(const QVariant& stored, const QVariant& like, QVariant& out) {
    const int want = like.userType();
    const int have = stored.userType();
    switch (want) {
        case QMetaType::Bool: {
            if (have == QMetaType::Bool) break;
            if (have != QMetaType::QString) return false;
            const QString s = stored.toString().trimmed().toLower();
            if (s == QLatin1String("true") || s == QLatin1String("1"))
                out = true;
            else if (s == QLatin1String("false") || s == QLatin1String("0"))
                out = false;
            else
                return false;
            return true;
        }
        case QMetaType::Int: {
            if (have != QMetaType::QString && (!isNumber(have) || have == QMetaType::Double)) return false;
            bool ok = false;
            const int v = have == QMetaType::QString ? stored.toString().trimmed().toInt(&ok) : stored.toInt(&ok);
            if (!ok || (have != QMetaType::QString && stored.toLongLong() != v)) return false;
            out = v;
            return true;
        }
        case QMetaType::Double: {
            if (have != QMetaType::QString && !isNumber(have)) return false;
            bool ok = false;
            const double v =
                have == QMetaType::QString ? stored.toString().trimmed().toDouble(&ok) : stored.toDouble(&ok);
            if (!ok || !std::isfinite(v)) return false;
            out = v;
            return true;
        }
        case QMetaType::QStringList:
            if (have == QMetaType::QStringList) break;
            if (have == QMetaType::QString)
                out = QStringList{stored.toString()};
            else if (!stored.isValid())
                out = QStringList();  // how an empty list is written
            else
                return false;
            return true;
        default:
            // Strings, byte arrays and maps come back with their own type.
            if (have != want) return false;
            break;
    }
    out = stored;
    return true;
}

}  // namespace

const QString KvPrefs::Meshwright = QStringLiteral("Meshwright");
const QString KvPrefs::Plexon = QStringLiteral("Plexon");
const QString KvPrefs::Vizmora = QStringLiteral("Vizmora");

KvPrefs* KvPrefs::prefsInstance_ = nullptr;

KvPrefs::Pref::Pref(const QString& group, const QString& key, KvPrefsId id, const QVariant& defaultValue)
    : group(group), key(key), id(id), values{defaultValue, defaultValue, defaultValue, defaultValue} {}

KvPrefs::Pref::~Pref() = default;

KvPrefs* KvPrefs::get() {
    if (!prefsInstance_) prefsInstance_ = new KvPrefs;
    return prefsInstance_;
}

void KvPrefs::destroy() {
    delete prefsInstance_;
    prefsInstance_ = nullptr;
}

KvPrefs::KvPrefs() : settings_(new QSettings(QSettings::UserScope, kOrganisation, kApplication)) {
    buildTable();
    readStore();
}

KvPrefs::~KvPrefs() {
    qDeleteAll(entries_);
    delete settings_;
}

void KvPrefs::add(KvPrefsId id, const char* key, const QVariant& defaultValue) {
    entries_.insert(id, new Pref(settings_->group(), QString::fromLatin1(key), id, defaultValue));
}

void KvPrefs::buildTable() {
    QSettings& s = *settings_;
    const QVariant empty = QString();
    const QVariant emptyList = QStringList();
    const QVariant emptyArray = QByteArray();
    const QVariant emptyMap = QVariantMap();
    auto text = [](const char* t) { return QVariant(QString::fromLatin1(t)); };

    s.beginGroup(kTopGroup);
    add(PrefMeshwrightVersion, "Meshwright Version", KvVersion::getVersion().toQString());
    add(PrefQtVersion, "Qt Version", text(kQtVersion));

    s.beginGroup("Application");
    add(PrefMaxUndoLevel, "Max Undo Level", 5);
    add(PrefMaxMruFiles, "Max MRU Files", 9);
    add(PrefMaxMreFiles, "Max MRE Files", 9);
    add(PrefMruFileList, "MRU File List", emptyList);
    add(PrefMreFileList, "MRE File List", emptyList);
    add(PrefDefaultFileDirectory, "Default File Directory", empty);
    add(PrefDefaultScriptDirectory, "Default Script Directory", empty);
    add(PrefFileDialogStartsInCwd, "File Dialog Starts In CWD", false);
    add(PrefCompressProjectFiles, "Compress Project Files", false);
    add(PrefOversetCaseDirectory, "Overset Case Directory", empty);
    add(PrefOversetServerHostName, "Overset Server Host Name", empty);
    add(PrefOversetServerHostPort, "Overset Server Host Port", 8884);
    add(PrefOversetDefaultAssembler, "Overset Default Assembler", text("None"));
    add(PrefSelectAdjacentAngleLimit, "Select Adjacent Angle Limit", 180.0);
    add(PrefExternalScriptDetect, "External Script Detect", true);
    add(PrefExternalScriptConfig, "External Script Config", emptyList);
    add(PrefUseOnlineDocumentation, "Use Online Documentation", true);
    add(PrefStartSessionTranscript, "Start Session Transcript", false);
    add(PrefMaxSessionTranscripts, "Max Session Transcripts", 10);
    s.beginGroup("Saved Scripts");
    add(PrefSavedScriptDefinition, "Saved Script Definition", emptyList);
    s.endGroup();
    s.beginGroup("Recently Used Colors");
    add(PrefSavedColorList, "Saved Color list", emptyList);
    s.endGroup();
    s.beginGroup("Colors");
    add(PrefHiddenRed, "Hidden Red", 0.4);
    add(PrefHiddenGreen, "Hidden Green", 0.4);
    add(PrefHiddenBlue, "Hidden Blue", 0.4);
    s.endGroup();
    s.beginGroup("Language");
    add(PrefLanguageFile, "File", text("en-us"));
    s.endGroup();
    s.beginGroup("Font");
    add(PrefFontFamily, "Family", text("arial"));
    add(PrefFontPoint, "Point", 12);
    add(PrefFontWeight, "Weight", 50);
    add(PrefFontItalic, "Italic", false);
    s.endGroup();
    s.beginGroup("User Shortcuts");
    add(PrefShortcutMap, "Shortcut Map", emptyMap);
    s.endGroup();
    s.endGroup();  // Application

    s.beginGroup("Main Window");
    add(PrefShowSplashScreen, "Show Splash Screen", false);
    add(PrefPickGroupsFirst, "Pick Groups First", false);
    add(PrefSelectionOnBox, "Selection On Box", true);
    add(PrefSelectExclusive, "Select Exclusive", true);
    add(PrefMouseStyle, "Mouse Style", Meshwright);
    add(PrefMouseSwap, "Mouse Swap", false);
    add(PrefMouseGlide, "Mouse Glide", true);
    add(PrefMouseTurntable, "Mouse Turntable", false);
    add(PrefMouseReverseScroll, "Mouse Reverse Scroll", false);
    add(PrefDoublePrecisionGraphics, "Double Precision Graphics V18.3", true);
    add(PrefAutomaticPrecisionGraphics, "Automatic Precision Graphics", false);
    add(PrefAnimationDuration, "Animation Duration", 1.0);
    add(PrefTransparencyQuality, "Transparency Quality", 7);
    add(PrefShowDrawingGuide, "Show Drawing Guide", false);
    add(PrefShowViewManipulator, "Show View Manipulator", true);
    s.beginGroup("Drawing Guide");
    add(PrefDrawingGuideSpacing, "Drawing Guide Spacing", 50);
    add(PrefDrawingGuideRed, "Drawing Guide Red", 0.8);
    add(PrefDrawingGuideGreen, "Drawing Guide Green", 0.8);
    add(PrefDrawingGuideBlue, "Drawing Guide Blue", 0.8);
    add(PrefDrawingGuideAlpha, "Drawing Guide Alpha", 0.8);
    s.endGroup();
    s.beginGroup("List Panel");
    add(PrefListPanelColumn0, "Column 0", 150);
    add(PrefListPanelColumn1, "Column 1", 50);
    add(PrefListPanelColumn2, "Column 2", 70);
    add(PrefListPanelColumn3, "Column 3", 45);
    s.endGroup();
    s.beginGroup("Text Out");
    add(PrefTextOutScrollToBottom, "Scroll To Bottom", true);
    add(PrefTextOutShowScript, "Show Script", true);
    add(PrefTextOutShowInfo, "Show Info", true);
    add(PrefTextOutShowWarning, "Show Warning", true);
    add(PrefTextOutShowError, "Show Error", true);
    add(PrefTextOutShowJournal, "Show Journal", false);
    add(PrefTextOutTimeStamp, "Time Stamp", false);
    add(PrefMsgOutputMaxLength, "Msg Output Max Length", 1000);
    add(PrefTextOutShowDebug, "Show Debug", false);
    s.endGroup();
    s.beginGroup("Custom Toolbar");
    s.endGroup();
    s.beginGroup("Tool Bars");
    add(PrefToolBarTextLabelPosition, "Text Label Position", 0);
    add(PrefToolBarLargeIcons, "Large Icons", true);
    add(PrefToolBarState, "State", emptyArray);
    add(PrefToolBarIconVisibility, "Icon Visibility", emptyMap);
    add(PrefDrawCurvesReset, "Draw Curves Reset", false);
    add(PrefOversetRunRemote, "Overset Run Remote", false);
    add(PrefDefaultGridStructured, "Default Grid Structured", true);
    s.endGroup();
    s.beginGroup("Dimensions");
    add(PrefMainWindowX, "X", 0);
    add(PrefMainWindowY, "Y", 0);
    add(PrefMainWindowWidth, "Width", 1280);
    add(PrefMainWindowHeight, "Height", 1024);
    add(PrefMainWindowScreen, "Screen", -1);
    add(PrefMainWindowMaximized, "Maximized", true);
    add(PrefMainWindowForcedX, "ForcedX", 0);
    add(PrefMainWindowForcedY, "ForcedY", 0);
    add(PrefMainWindowForcedWidth, "ForcedWidth", 1280);
    add(PrefMainWindowForcedHeight, "ForcedHeight", 1024);
    add(PrefMainWindowForcedScreen, "ForcedScreen", -1);
    add(PrefMainWindowForcedMaximized, "ForcedMaximized", true);
    add(PrefMainWindowForced, "Forced", false);
    s.endGroup();
    s.beginGroup("Background");
    add(PrefBackgroundTopRed, "Top Red", 0.0);
    add(PrefBackgroundTopGreen, "Top Green", 0.0);
    add(PrefBackgroundTopBlue, "Top Blue", 1.0);
    add(PrefBackgroundBottomRed, "Bottom Red", 0.0);
    add(PrefBackgroundBottomGreen, "Bottom Green", 0.0);
    add(PrefBackgroundBottomBlue, "Bottom Blue", 0.0);
    add(PrefBackgroundUseBlending, "Use Blending", true);
    add(PrefBackgroundBlending, "Blending", 20);
    s.endGroup();
    s.beginGroup("Task Panels");
    add(PrefTaskCustomization, "Task Customization", emptyMap);
    s.endGroup();
    s.beginGroup("View Manip");
    add(PrefViewManipWidth, "Width", 50);
    add(PrefViewManipHeight, "Height", 50);
    add(PrefViewManipXRatio, "XRatio", 1.0);
    add(PrefViewManipYRatio, "YRatio", 0.0);
    add(PrefViewManipButtonRed, "Button Color Red", 0.9);
    add(PrefViewManipButtonGreen, "Button Color Green", 0.78);
    add(PrefViewManipButtonBlue, "Button Color Blue", 0.0);
    add(PrefViewManipAutoHideButtons, "Auto Hide Buttons", false);
    s.endGroup();
    s.beginGroup("Magnified View");
    add(PrefMagnifiedViewSize, "Size", 0.25);
    add(PrefMagnifiedViewXRatio, "XRatio", -1.0);
    add(PrefMagnifiedViewYRatio, "YRatio", -1.0);
    s.endGroup();
    s.endGroup();  // Main Window

    s.beginGroup("Examine");
    s.beginGroup("Color Bar");
    add(PrefColorBarXRatio, "XRatio", 0.0);
    add(PrefColorBarYRatio, "YRatio", 0.0);
    add(PrefColorBarWidth, "Width", 200);
    add(PrefColorBarHeight, "Height", 1000);
    add(PrefColorBarShowHistogram, "ShowHistogram", false);
    add(PrefColorBarHistogramLevels, "HistogramLevels", 10);
    s.endGroup();
    s.beginGroup("Interaction");
    add(PrefExamineProbeEnabled, "ExamineProbeEnabled", true);
    s.endGroup();
    s.beginGroup("Rules");
    add(PrefRulesViolationLimit, "Violation Limit", 1000);
    s.endGroup();
    s.endGroup();  // Examine

    s.beginGroup("CAE");
    s.beginGroup("Solver");
    add(PrefDefaultCaeSolver, "Default CAE Solver", text("CGNS"));
    add(PrefDefaultCaeDimension, "Default CAE Dimension", 3);
    s.endGroup();
    s.endGroup();  // CAE

    s.beginGroup("Help Window");
    add(PrefHelpDir, "Help Dir", empty);
    s.beginGroup("Dimensions");
    add(PrefHelpWindowX, "X", 0);
    add(PrefHelpWindowY, "Y", 0);
    add(PrefHelpWindowWidth, "Width", 800);
    add(PrefHelpWindowHeight, "Height", 600);
    add(PrefHelpWindowScreen, "Screen", -1);
    add(PrefHelpWindowForced, "Forced", true);
    add(PrefHelpWindowMaximized, "Maximized", false);
    add(PrefHelpSplitterLeft, "Splitter Left", 100);
    add(PrefHelpSplitterRight, "Splitter Right", 100);
    s.endGroup();
    s.beginGroup("Tool Bars");
    add(PrefHelpToolBarState, "State", emptyArray);
    s.endGroup();
    s.endGroup();  // Help Window

    s.endGroup();  // Prefs_v16

    find(PrefMeshwrightVersion)->values[PrefsCurrent] = KvVersion::getVersion().toQString();
    find(PrefQtVersion)->values[PrefsCurrent] = text(kQtVersion);
}

void KvPrefs::readStore() {
    std::unique_ptr<QSettings> older;  // opened on the first missing key
    for (Pref* pref : qAsConst(entries_)) {
        if (pref->key.isEmpty()) continue;
        QVariant& current = pref->values[PrefsCurrent];
        const QVariant& def = pref->values[PrefsDefault];
        settings_->beginGroup(pref->group);
        if (settings_->contains(pref->key)) {
            // A value of the wrong type is as good as none.
            if (!toEntryType(settings_->value(pref->key), def, current)) current = def;
        } else {
            if (!older) older.reset(new QSettings(QSettings::UserScope, kOrganisation, kApplication));
            bool found = false;
            for (const char* name : kOlderGroups) {
                QString group = pref->group;
                const int at = group.indexOf(QLatin1String(kTopGroup));
                if (at >= 0) group.replace(at, int(qstrlen(kTopGroup)), QLatin1String(name));
                older->beginGroup(group);
                found = older->contains(pref->key);
                if (found && !toEntryType(older->value(pref->key), def, current)) current = def;
                older->endGroup();
                if (found) break;
            }
            if (!found) current = def;
        }
        settings_->endGroup();
    }
}

KvPrefs::Pref* KvPrefs::find(int id) const { return entries_.value(id, nullptr); }

const QVariant& KvPrefs::variantPref(KvPrefsId id, KvPrefsMode mode) const {
    static const QVariant invalid;
    const Pref* pref = find(id);
    if (!pref || mode < PrefsDefault || mode > PrefsCurrent) return invalid;
    return pref->values[mode];
}

bool KvPrefs::boolPref(KvPrefsId id, KvPrefsMode mode) const { return variantPref(id, mode).toBool(); }
int KvPrefs::intPref(KvPrefsId id, KvPrefsMode mode) const { return variantPref(id, mode).toInt(); }
double KvPrefs::doublePref(KvPrefsId id, KvPrefsMode mode) const { return variantPref(id, mode).toDouble(); }
QString KvPrefs::stringPref(KvPrefsId id, KvPrefsMode mode) const { return variantPref(id, mode).toString(); }
QStringList KvPrefs::stringListPref(KvPrefsId id, KvPrefsMode mode) const {
    return variantPref(id, mode).toStringList();
}
QByteArray KvPrefs::arrayPref(KvPrefsId id, KvPrefsMode mode) const { return variantPref(id, mode).toByteArray(); }
QMap<QString, QVariant> KvPrefs::mapPref(KvPrefsId id, KvPrefsMode mode) const { return variantPref(id, mode).toMap(); }

void KvPrefs::setVariantPref(KvPrefsId id, const QVariant& value) {
    if (Pref* pref = find(id)) pref->values[PrefsCurrent] = value;
}
void KvPrefs::setBoolPref(KvPrefsId id, const bool& value) { setVariantPref(id, value); }
void KvPrefs::setIntPref(KvPrefsId id, const int& value) { setVariantPref(id, value); }
void KvPrefs::setDoublePref(KvPrefsId id, const double& value) { setVariantPref(id, value); }
void KvPrefs::setStringPref(KvPrefsId id, const QString& value) { setVariantPref(id, value); }
void KvPrefs::setStringListPref(KvPrefsId id, const QStringList& value) { setVariantPref(id, value); }
void KvPrefs::setArrayPref(KvPrefsId id, const QByteArray& value) { setVariantPref(id, value); }
void KvPrefs::setMapPref(KvPrefsId id, const QMap<QString, QVariant>& value) { setVariantPref(id, value); }

void KvPrefs::revertCurrentTo(KvPrefsId id, KvPrefsMode mode) {
    Pref* pref = find(id);
    if (!pref || mode < PrefsDefault || mode >= PrefsCurrent) return;
    pref->values[PrefsCurrent] = pref->values[mode];
}

void KvPrefs::revertCurrentTo(KvPrefsMode mode) {
    if (mode < PrefsDefault || mode >= PrefsCurrent) return;
    for (Pref* pref : qAsConst(entries_))
        pref->values[PrefsCurrent] = pref->values[mode];
}

bool KvPrefs::hasUserPref(KvPrefsId id) const {
    const Pref* pref = id > PrefSavedColorList ? nullptr : find(id);
    return pref && pref->values[PrefsCurrent] != pref->values[PrefsDefault];
}

KvPrefsId KvPrefs::lookupId(const QString& group, const QString& key) const {
    const QString path = QStringLiteral("%1/%2").arg(QLatin1String(kTopGroup), group);
    KvPrefsId found = PrefNoId;
    int matches = 0;
    for (const Pref* pref : entries_) {
        if (pref->key == key && pref->group == path) {
            found = pref->id;
            ++matches;
        }
    }
    return matches == 1 ? found : PrefNoId;
}

bool KvPrefs::save(KvPrefsId id, bool sync) {
    Pref* pref = find(id);
    if (!pref) return false;
    pref->values[PrefsSaved] = pref->values[PrefsCurrent];
    settings_->beginGroup(pref->group);
    settings_->setValue(pref->key, pref->values[PrefsCurrent]);
    settings_->endGroup();
    if (settings_->status() != QSettings::NoError) return false;
    if (!sync) return true;
    settings_->sync();
    return settings_->status() == QSettings::NoError;
}

bool KvPrefs::save(const QList<int>& ids) {
    bool result = false;
    for (int id : ids)
        if (!(result = save(static_cast<KvPrefsId>(id), false))) break;
    settings_->sync();
    return result && settings_->status() == QSettings::NoError;
}

bool KvPrefs::saveAll() {
    bool result = false;
    for (Pref* pref : qAsConst(entries_))
        if (!(result = save(pref->id, false))) break;
    settings_->sync();
    return result && settings_->status() == QSettings::NoError;
}
