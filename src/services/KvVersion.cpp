#include <KvVersion.h>

#include <QDate>
#include <QTime>

#include <cstring>

namespace {

using u64 = KvVersion::u64;

// Build configuration. The version numbers are kept as digit tables; the
// scripting interface has its own table, equal for now.
constexpr u64 kMajorDigits[3] = {0, 2, 2};
constexpr u64 kMinorDigits[2] = {0, 2};
constexpr u64 kScriptMajorDigits[3] = {0, 2, 2};
constexpr u64 kScriptMinorDigits[2] = {0, 2};
constexpr u64 kRelease = 3;
constexpr u64 kCandidate = 0;
constexpr bool kMainRelease = false;
constexpr const char* kCompileDate = __DATE__;
constexpr const char* kCompileTime = __TIME__;

#ifdef NDEBUG
constexpr KvVersion::BuildType kBuildType = KvVersion::OptimizedBuild;
constexpr const char* kBuildTypeString = "Optimized";
#else
constexpr KvVersion::BuildType kBuildType = KvVersion::DebugBuild;
constexpr const char* kBuildTypeString = "Debug";
#endif

#if defined(_WIN32)
constexpr KvVersion::MachType kMachType = KvVersion::Windows;
#elif defined(__APPLE__)
constexpr KvVersion::MachType kMachType = KvVersion::MacOS;
#else
constexpr KvVersion::MachType kMachType = KvVersion::Linux;
#endif

constexpr u64 majorOf(const u64 (&d)[3]) { return 100 * d[0] + 10 * d[1] + d[2]; }
constexpr u64 minorOf(const u64 (&d)[2]) { return 10 * d[0] + d[1]; }

// Name tables, one row per product type.
const char* const kProgram[] = {"Meshwright"};
const char* const kFamily = "Northgrid";

KvVersion::ProductType g_productType = KvVersion::Meshwright;

size_t productRow() {
    const size_t row = static_cast<size_t>(g_productType);
    return row < sizeof(kProgram) / sizeof(kProgram[0]) ? row : 0;
}

KvString number(u64 n) { return KvString::number(static_cast<unsigned long long>(n)); }

// Majors from 22 on are written as years.
KvString majorPrefix(u64 major) { return (major < 22 ? KvString("V") : KvString("20")) + number(major); }

// Digits after optional leading spaces; at least one.
bool parseField(const char* text, size_t length, u64& value) {
    size_t i = 0;
    while (i < length && text[i] == ' ')
        ++i;
    if (i == length) return false;
    u64 n = 0;
    for (; i < length; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        n = n * 10 + static_cast<u64>(text[i] - '0');
    }
    value = n;
    return true;
}

struct Strings {
    KvString version;
    KvString scriptVersion;
    KvString buildNumber;
    KvString program[1];
    KvString longProgram[1];
    KvString programHtml[1];
    KvString programAndVersion[1];
    KvString programAndVersionHtml[1];

    Strings() {
        version = majorPrefix(majorOf(kMajorDigits)) + "." + number(minorOf(kMinorDigits));
        if (kRelease != 0) version += KvString(".") + number(kRelease);
        if (!kMainRelease) {
            version += " EAP";
            if (kCandidate != 0) version += KvString(" #") + number(kCandidate);
        }
        scriptVersion =
            KvString("7.") + number(majorOf(kScriptMajorDigits)) + "." + number(minorOf(kScriptMinorDigits));
        buildNumber = KvVersion::buildNumberString(kCompileDate, kCompileTime);
        for (size_t i = 0; i < 1; ++i) {
            program[i] = kProgram[i];
            longProgram[i] = KvString(kFamily) + " " + kProgram[i];
            programHtml[i] = KvString(kFamily) + "<sup>&trade;</sup> " + kProgram[i] + "<sup>&reg;</sup>";
            programAndVersion[i] = longProgram[i] + " " + version;
            programAndVersionHtml[i] = programHtml[i] + " " + version;
        }
    }
};

const Strings& strings() {
    static const Strings s;
    return s;
}

// Fill the strings while the library loads, not on some later first call.
const Strings& g_loaded = strings();

}  // namespace

u64 KvVersion::getProgMajorNum() { return majorOf(kMajorDigits); }
u64 KvVersion::getProgMinorNum() { return minorOf(kMinorDigits); }
u64 KvVersion::getProgReleaseNum() { return kRelease; }
u64 KvVersion::getReleaseCandidateNumber() { return kCandidate; }

const KvString& KvVersion::getVersion() { return strings().version; }
const KvString& KvVersion::getShortVersion() { return strings().version; }
const KvString& KvVersion::getShortDisplayVersion() { return strings().version; }
const KvString& KvVersion::getScriptVersion() { return strings().scriptVersion; }

const KvString& KvVersion::getProgram() { return strings().program[productRow()]; }
const KvString& KvVersion::getLongProgram() { return strings().longProgram[productRow()]; }
const KvString& KvVersion::getProgramHtml() { return strings().programHtml[productRow()]; }
const KvString& KvVersion::getProgramAndVersion() { return strings().programAndVersion[productRow()]; }
const KvString& KvVersion::getProgramAndVersionHtml() { return strings().programAndVersionHtml[productRow()]; }

KvVersion::BuildType KvVersion::getBuildTypeEnum() { return kBuildType; }
const KvString& KvVersion::getBuildTypeString() {
    static const KvString s(kBuildTypeString);
    return s;
}
const KvString& KvVersion::getReleaseTypeString() {
    static const KvString s("Release");
    return s;
}

KvVersion::MachType KvVersion::getMachType() { return kMachType; }
const KvString& KvVersion::getMachineString() {
    static const KvString s = getMachTypeString(kMachType);
    return s;
}
KvString KvVersion::getMachTypeString(MachType type) {
    switch (type) {
        case Windows:
            return "Windows";
        case Linux:
            return "Linux";
        case MacOS:
            return "macOS";
    }
    return "UNKNOWN";
}
bool KvVersion::is64Bit() { return sizeof(void*) == 8; }
bool KvVersion::isMRBuild() { return kMainRelease; }

bool KvVersion::parseBuildDate(const char* date, const char* time, u64& month, u64& day, u64& year, u64& hour,
                               u64& minute, u64& second) {
    month = day = year = hour = minute = second = 0;
    if (!date || !time || std::strlen(date) < 11 || std::strlen(time) < 8) return false;
    static const char* const months[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                           "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    u64 m = 0;
    for (u64 i = 0; i < 12; ++i)
        if (std::strncmp(date, months[i], 3) == 0) m = i + 1;
    u64 d, y, h, mi, s;
    if (m == 0 || !parseField(date + 4, 2, d) || !parseField(date + 7, 4, y) || !parseField(time, 2, h) ||
        !parseField(time + 3, 2, mi) || !parseField(time + 6, 2, s))
        return false;
    month = m;
    day = d;
    year = y;
    hour = h;
    minute = mi;
    second = s;
    return true;
}

KvString KvVersion::buildNumberString(const char* date, const char* time) {
    u64 month, day, year, hour, minute, second;
    if (!parseBuildDate(date, time, month, day, year, hour, minute, second))
        return KvString("Built on ") + (time ? time : "") + " " + (date ? date : "") + ".";
    const long long n = (((((static_cast<long long>(year) - 2000) * 12 + static_cast<long long>(month)) * 100 +
                           static_cast<long long>(day)) *
                              100 +
                          static_cast<long long>(hour)) *
                             100 +
                         static_cast<long long>(minute));
    return KvString(QString::number(n).rightJustified(10, QLatin1Char('0')));
}

void KvVersion::getBuildDate(u64& month, u64& day, u64& year, u64& hour, u64& minute, u64& second) {
    parseBuildDate(kCompileDate, kCompileTime, month, day, year, hour, minute, second);
}

KvString KvVersion::getBuildDateString() { return KvString(kCompileTime) + " " + kCompileDate; }

const KvString& KvVersion::getBuildNumberString() { return strings().buildNumber; }

KvString KvVersion::getStandardBuildString() {
    u64 month, day, year, hour, minute, second;
    getBuildDate(month, day, year, hour, minute, second);
    const QDate date(static_cast<int>(year), static_cast<int>(month), static_cast<int>(day));
    const QTime time(static_cast<int>(hour), static_cast<int>(minute), 0);
    const QString stamp = date.toString(Qt::ISODate) + " " + time.toString(Qt::ISODate);
    return getVersion() + " -- " + getBuildTypeString() + " Build " + getBuildNumberString() + " (" +
           KvString(stamp.toLocal8Bit().toStdString()) + ") " + getMachineString() +
           (is64Bit() ? " 64-bit" : " 32-bit");
}

KvString KvVersion::buildVersionString(u64 major, u64 minor, ReleaseType type, u64 release, u64 candidate) {
    KvString s = majorPrefix(major) + "." + number(minor);
    if (major < 19) {
        switch (type) {
            case Alpha:
                return s + "A" + number(release);
            case Beta:
                return s + "B" + number(release);
            case Candidate:
                return s + "R" + number(release) + "C" + number(candidate);
            case Release:
                return release == 1 ? s : s + "R" + number(release);
        }
        return s + "?" + number(release);
    }
    if (release != 0) s += KvString(".") + number(release);
    if (type == Release) return s;
    s += " EAP";
    if (type == Candidate) s += KvString(" #") + number(candidate);
    return s;
}

void KvVersion::setProductType(ProductType type) { g_productType = type; }
KvVersion::ProductType KvVersion::getProductTypeEnum() { return g_productType; }
