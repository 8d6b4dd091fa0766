#pragma once

#include <KvBaseExport.h>
#include <KvString.h>
#include <KvVector.h>

#include <cstdint>

class KvNameTracker;

// A snapshot of a name tracker, to put it back as it was (on undo): its
// delimiter and, per base, the count of names in use and the highest number.
class KV_BASE_EXPORT KvNameTrackerState {
public:
    // The three lists are parallel; a shorter one ends the snapshot there.
    KvNameTrackerState(char delimiter, const kv::vector<KvString>& bases, const kv::vector<std::uint64_t>& counts,
                       const kv::vector<std::uint64_t>& highest);
    KvNameTrackerState(const KvNameTrackerState&) = default;
    KvNameTrackerState& operator=(const KvNameTrackerState&) = default;
    virtual ~KvNameTrackerState();
    // Same delimiter and the same lists in the same order; false for null.
    virtual bool isSame(const KvNameTrackerState* other) const;

    // A new tracker as the snapshot describes it; the caller owns it.
    KvNameTracker* recreateNameTracker() const;
    // Empties `tracker` and refills it from the snapshot; null is ignored.
    void restoreNameTracker(KvNameTracker* tracker) const;

    char getDelimiter() const { return delimiter_; }
    const kv::vector<KvString>& getBases() const { return bases_; }
    const kv::vector<std::uint64_t>& getCounts() const { return counts_; }
    const kv::vector<std::uint64_t>& getHighest() const { return highest_; }

private:
    char delimiter_;
    kv::vector<KvString> bases_;
    kv::vector<std::uint64_t> counts_;
    kv::vector<std::uint64_t> highest_;
};
