#include <KvPlatform.h>

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

#include <strings.h>
#include <cstdlib>
#include <cstring>

KvString KvPlatform::getenvString(const char* name) {
    if (!name) return KvString();
    const char* v = std::getenv(name);
    return v ? KvString(v) : KvString();
}

bool KvPlatform::getenv(const char* name, bool defaultValue) {
    KvString v = getenvString(name);
    if (v.isNull()) return defaultValue;
    const char* s = v.getString();
    for (const char* t : {"1", "true", "yes", "on"})
        if (strcasecmp(s, t) == 0) return true;
    for (const char* f : {"0", "false", "no", "off", ""})
        if (strcasecmp(s, f) == 0) return false;
    char* end = nullptr;
    long n = std::strtol(s, &end, 10);
    if (end && *end == '\0') return n != 0;
    return defaultValue;
}

static KvString firstLocation(QStandardPaths::StandardLocation loc) {
    QStringList dirs = QStandardPaths::standardLocations(loc);
    return dirs.isEmpty() ? KvString("") : KvString::fromQString(dirs.first());
}

KvString KvPlatform::getDir(FolderId folder) {
    switch (folder) {
        case UserHomeFolder:
            return KvString::fromQString(QDir::homePath());
        case UserPrivateFolder:
            return firstLocation(QStandardPaths::AppDataLocation);
        case UserPublicFolder:
            return firstLocation(QStandardPaths::DocumentsLocation);
        case AppPublicFolder:
        case AppPluginsFolder: {
            QString app = QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QDir::currentPath();
            return KvString::fromQString(folder == AppPluginsFolder ? app + "/plugins" : app);
        }
        case PublicPluginsFolder:
            return firstLocation(QStandardPaths::GenericDataLocation) + "/plugins";
        case SystemTempFolder:
            return KvString::fromQString(QDir::tempPath());
        case SystemAppPublicFolder:
            return firstLocation(QStandardPaths::AppConfigLocation);
        default:
            return KvString();
    }
}

KvString KvPlatform::folderIdToName(FolderId folder) {
    static const char* const names[NumFolderIds] = {"UserHome",   "UserPrivate",   "UserPublic", "AppPublic",
                                                    "AppPlugins", "PublicPlugins", "SystemTemp", "SystemAppPublic"};
    if (folder < 0 || folder >= NumFolderIds) return KvString();
    return KvString(names[folder]);
}
