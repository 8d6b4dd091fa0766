#include <KvNameTracker.h>

#include <KvNameChecker.h>
#include <KvNameTrackerState.h>

#include <charconv>
#include <string>

namespace {
bool isDigit(char c) { return c >= '0' && c <= '9'; }
}  // namespace

KvNameTracker::KvNameTracker(char delimiter) : delimiter_(delimiter) {}

KvNameTracker::KvNameTracker(const KvNameTrackerState& state) : delimiter_(state.getDelimiter()) {
    state.restoreNameTracker(this);
}

KvNameTracker::~KvNameTracker() = default;

void KvNameTracker::clear() { entries_.clear(); }

bool KvNameTracker::split(const KvString& name, char delimiter, KvString& base, size_t& number) {
    const size_t len = name.length();
    size_t digits = len;
    // At least two characters stay before the digits: a delimiter and one
    // character of base.
    while (digits > 2 && isDigit(name[digits - 1]))
        --digits;
    unsigned long long value = 0;
    if (digits >= 2 && digits < len && name[digits - 1] == delimiter && name.subString(digits).getUint64(value)) {
        base = name.subString(0, digits - 1);
        number = static_cast<size_t>(value);
        return true;
    }
    base = name;
    number = 0;
    return false;
}

KvString KvNameTracker::getBase(const KvString& name) const {
    KvString base;
    size_t number;
    split(name, delimiter_, base, number);
    return base;
}

bool KvNameTracker::hasBaseEntry(const KvString& name) const { return entries_.contains(getBase(name)); }

KvString KvNameTracker::numbered(const KvString& base, std::uint64_t number) const {
    char digits[21];
    digits[0] = delimiter_;
    const auto end = std::to_chars(digits + 1, digits + sizeof digits, number).ptr;
    // No reserve: short names stay in the string's own buffer.
    std::string text(base.str());
    text.append(digits, end);
    return KvString(std::move(text));
}

void KvNameTracker::lowerHighest(const KvString& base, Record& rec, const KvNameChecker* checker) const {
    if (!checker) return;
    while (rec.highest > rec.count && !checker->contains(numbered(base, rec.highest)))
        --rec.highest;
}

KvString KvNameTracker::generateName(const KvString& wanted, bool numberNew, const KvNameChecker* checker) {
    KvString base;
    size_t n;
    split(wanted, delimiter_, base, n);
    auto it = entries_.find(base);
    if (it == entries_.end()) {
        it = entries_.insert(base, Record());
        if (numberNew && n == 0) n = 1;
    }
    Record& rec = it.value();
    bool aboveHighest = false;
    if (n <= rec.highest) {
        lowerHighest(base, rec, checker);
        ++rec.highest;
    } else {
        rec.highest = n;
        aboveHighest = true;
    }
    KvString name;
    if (rec.count == 0 && n == 0) {
        name = base;
    } else if (!checker || n == 0) {
        name = numbered(base, rec.highest);
    } else {
        name = numbered(base, n);
        if (checker->contains(name)) {
            // Taken elsewhere: the next number instead. A wanted number that
            // has just become the highest needs one past it.
            if (aboveHighest) ++rec.highest;
            name = numbered(base, rec.highest);
        }
    }
    ++rec.count;
    return name;
}

void KvNameTracker::forceName(const KvString& name) {
    KvString base;
    size_t n;
    split(name, delimiter_, base, n);
    Record& rec = entries_[base];
    if (n > rec.highest) rec.highest = n;
    ++rec.count;
}

void KvNameTracker::releaseName(const KvString& name) { removeName(name); }

bool KvNameTracker::removeName(const KvString& name) {
    KvString base;
    size_t n;
    split(name, delimiter_, base, n);
    auto it = entries_.find(base);
    if (it == entries_.end()) return false;
    Record& rec = it.value();
    if (rec.count != 0) {
        if (n == rec.highest && rec.highest != 0) --rec.highest;
        --rec.count;
    }
    if (rec.count == 0) entries_.erase(it);
    return true;
}

KvString KvNameTracker::switchName(const KvString& oldName, const KvString& wanted, bool numberNew,
                                   const KvNameChecker* checker) {
    releaseName(oldName);
    return generateName(wanted, numberNew, checker);
}

void KvNameTracker::switchNameForce(const KvString& oldName, const KvString& name) {
    releaseName(oldName);
    forceName(name);
}

KvNameTrackerState* KvNameTracker::getNameTrackerState(const KvNameChecker* checker) const {
    kv::vector<KvString> bases;
    kv::vector<std::uint64_t> counts, highest;
    bases.reserve(entries_.size());
    counts.reserve(entries_.size());
    highest.reserve(entries_.size());
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
        bases.push_back(it.key());
        counts.push_back(it->count);
        lowerHighest(it.key(), it.value(), checker);
        highest.push_back(it->highest);
    }
    return new KvNameTrackerState(delimiter_, bases, counts, highest);
}
