#include <KvLegacyMode.h>

namespace {
KvLegacyMode::Version g_legacyMode = KvLegacyMode::Current;

const char* const kNames[] = {"V180", "V182", "V183", "V184", "V185", "V221", "Current"};
}  // namespace

KvLegacyMode::Version KvLegacyMode::getVersion() { return g_legacyMode; }

void KvLegacyMode::setVersion(Version version) { g_legacyMode = version; }

KvString KvLegacyMode::toString(Version version) {
    const int v = static_cast<int>(version);
    return KvString(v >= V180 && v <= Current ? kNames[v] : kNames[Current]);
}

KvLegacyMode::Version KvLegacyMode::fromString(const KvString& text, bool* ok) {
    // Newest first: the usual case is a current script.
    for (int v = Current; v >= V180; --v) {
        if (text == KvString(kNames[v])) {
            if (ok) *ok = true;
            return static_cast<Version>(v);
        }
    }
    if (ok) *ok = false;
    return Current;
}
