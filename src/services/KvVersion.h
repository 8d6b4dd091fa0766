#pragma once

#include <KvBaseExport.h>
#include <KvString.h>

#include <cstdint>

// The program's own name and version in every form the application shows,
// and the formatting of other releases' version numbers.
class KV_BASE_EXPORT KvVersion {
public:
    using u64 = uint64_t;

    enum BuildType { DebugBuild = 0, OptimizedBuild = 1 };
    enum ReleaseType { Alpha = 1, Beta = 2, Candidate = 3, Release = 4 };
    enum MachType { Windows = 1, Linux = 2, MacOS = 3 };
    enum ProductType { Meshwright = 0 };

    KvVersion() = delete;

    static u64 getProgMajorNum();
    static u64 getProgMinorNum();
    static u64 getProgReleaseNum();
    static u64 getReleaseCandidateNumber();

    static const KvString& getVersion();
    static const KvString& getShortVersion();
    static const KvString& getShortDisplayVersion();
    // The scripting interface's own version, "7.<major>.<minor>".
    static const KvString& getScriptVersion();

    static const KvString& getProgram();
    static const KvString& getLongProgram();
    static const KvString& getProgramHtml();
    static const KvString& getProgramAndVersion();
    static const KvString& getProgramAndVersionHtml();

    static BuildType getBuildTypeEnum();
    static const KvString& getBuildTypeString();
    static const KvString& getReleaseTypeString();
    static MachType getMachType();
    static const KvString& getMachineString();
    // "UNKNOWN" for a value outside the enumeration.
    static KvString getMachTypeString(MachType type);
    static bool is64Bit();
    // A main release drops the " EAP" mark.
    static bool isMRBuild();

    // The compile date and time as numbers; all zeros when they do not parse.
    static void getBuildDate(u64& month, u64& day, u64& year, u64& hour, u64& minute, u64& second);
    // Compile time, a space, compile date.
    static KvString getBuildDateString();
    static const KvString& getBuildNumberString();
    // One line naming version, build type, build number, date and machine.
    static KvString getStandardBuildString();

    static KvString buildVersionString(u64 major, u64 minor, ReleaseType type, u64 release, u64 candidate);

    static void setProductType(ProductType type);
    static ProductType getProductTypeEnum();

    // The parsing and numbering behind getBuildDate() and
    // getBuildNumberString(), for dates in the compiler's "Mmm dd yyyy" and
    // times in its "hh:mm:ss" form.
    static bool parseBuildDate(const char* date, const char* time, u64& month, u64& day, u64& year, u64& hour,
                               u64& minute, u64& second);
    static KvString buildNumberString(const char* date, const char* time);
};
