#include <KvRuntime.h>

#include <KvPlatform.h>
#include <KvVersion.h>

namespace {

void fill(KvParamSet& set) {
    set.add("AppName", "Application name", KvVersion::getProgram());
    set.add("AppVersion", "Application version", KvVersion::getVersion());
    set.add("AppNameAndVersion", "Application name and version", KvVersion::getProgramAndVersion());
    set.add("AppVersionMajor", "Application major version number", KvVersion::getProgMajorNum());
    set.add("AppVersionMinor", "Application minor version number", KvVersion::getProgMinorNum());
    set.add("AppVersionRelease", "Application release version number", KvVersion::getProgReleaseNum());
    set.add("AppVersionCandidate", "Application candidate version number", KvVersion::getReleaseCandidateNumber());
    set.add("AppMachine", "Application machine architecture",
            KvVersion::getMachineString() + (KvVersion::is64Bit() ? "64" : "32"));

    static const struct {
        KvPlatform::FolderId folder;
        const char* description;
    } folders[] = {
        {KvPlatform::UserHomeFolder, "User home directory"},
        {KvPlatform::UserPrivateFolder, "User private directory"},
        {KvPlatform::UserPublicFolder, "User public directory"},
        {KvPlatform::AppPublicFolder, "Application public directory"},
        {KvPlatform::AppPluginsFolder, "Application plugins directory"},
        {KvPlatform::PublicPluginsFolder, "Public plugins directory"},
        {KvPlatform::SystemTempFolder, "System temporary directory"},
        {KvPlatform::SystemAppPublicFolder, "System application public directory"},
    };
    for (const auto& f : folders) {
        const KvString name = KvPlatform::folderIdToName(f.folder);
        if (name.isEmpty()) continue;
        set.add(KvString("Dir") + name, f.description, KvPlatform::getDir(f.folder));
    }
}

}  // namespace

const KvParamSet& KvRuntime::getParams() {
    static KvParamSet params;
    if (params.isEmpty()) fill(params);
    return params;
}
