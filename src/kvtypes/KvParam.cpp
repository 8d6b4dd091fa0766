#include <KvParam.h>

#include <strings.h>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {
// Shortest of %.15g / %.17g that reads back as the same double, so 0.1 is
// written "0.1" and still round-trips.
KvString doubleText(double v) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.15g", v);
    if (std::strtod(buf, nullptr) != v) std::snprintf(buf, sizeof buf, "%.17g", v);
    return KvString(buf);
}

bool isBlank(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

// True when strto* consumed everything but trailing blanks, and something.
bool fullyParsed(const char* begin, const char* end) {
    if (end == begin) return false;
    while (*end && isBlank(*end))
        ++end;
    return *end == '\0';
}
}  // namespace

KvParam::KvParam(const KvString& name, const KvString& description, const KvString& value)
    : name_(name), value_(value) {
    setDescription(description);
}

KvParam::KvParam(const KvString& name, const KvString& description, double value) : name_(name) {
    setDescription(description);
    setValue(value);
}

KvParam::KvParam(const KvString& name, const KvString& description, bool value) : name_(name) {
    setDescription(description);
    setValue(value);
}

void KvParam::setValue(double value) { value_ = doubleText(value); }

bool KvParam::getNumber(double& value) const {
    const char* s = value_.getString();
    char* end = nullptr;
    errno = 0;
    double v = std::strtod(s, &end);
    if (!fullyParsed(s, end) || errno == ERANGE) return false;
    value = v;
    return true;
}

bool KvParam::getInt(long long& value) const {
    const char* s = value_.getString();
    char* end = nullptr;
    errno = 0;
    long long v = std::strtoll(s, &end, 10);
    if (!fullyParsed(s, end) || errno == ERANGE) return false;
    value = v;
    return true;
}

bool KvParam::getBool(bool& value) const {
    const char* s = value_.getString();
    for (const char* t : {"true", "yes", "on", "1"}) {
        if (strcasecmp(s, t) == 0) {
            value = true;
            return true;
        }
    }
    for (const char* f : {"false", "no", "off", "0"}) {
        if (strcasecmp(s, f) == 0) {
            value = false;
            return true;
        }
    }
    return false;
}

double KvParam::toDouble(bool* ok) const {
    double v = 0.0;
    bool good = getNumber(v);
    if (ok) *ok = good;
    return good ? v : 0.0;
}

long long KvParam::toInt(bool* ok) const {
    long long v = 0;
    bool good = getInt(v);
    if (ok) *ok = good;
    return good ? v : 0;
}

bool KvParam::toBool(bool* ok) const {
    bool v = false;
    bool good = getBool(v);
    if (ok) *ok = good;
    return good && v;
}

KvString KvParam::getDescription() const { return definition_.isEmpty() ? KvString("") : definition_[0]; }

void KvParam::setDescription(const KvString& description) {
    if (definition_.isEmpty()) {
        if (description.isEmpty()) return;  // keep "no definition" equal to "no description"
        definition_.push_back(description);
    } else {
        definition_[0] = description;
    }
}
