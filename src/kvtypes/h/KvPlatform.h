#pragma once

#include <KvString.h>
#include <KvTypesExport.h>

// Environment and standard folders.
class KV_TYPES_EXPORT KvPlatform {
public:
    enum FolderId {
        UserHomeFolder,
        UserPrivateFolder,
        UserPublicFolder,
        AppPublicFolder,
        AppPluginsFolder,
        PublicPluginsFolder,
        SystemTempFolder,
        SystemAppPublicFolder,
        NumFolderIds
    };

    // The variable read as a boolean: "1", "true", "yes", "on" (any case) or
    // a non-zero number are true; unset or anything else is `defaultValue`.
    static bool getenv(const char* name, bool defaultValue = false);
    // The raw value; null when unset.
    static KvString getenvString(const char* name);

    static KvString getDir(FolderId folder);
    // A short name such as "UserHome"; null for an unknown id.
    static KvString folderIdToName(FolderId folder);
};
