#pragma once

#include <KvBaseExport.h>
#include <KvString.h>

#include <QHash>

#include <cstddef>
#include <cstdint>

class KvNameChecker;
class KvNameTrackerState;

// Hands out names that are unique per base by numbering them: "block",
// "block-2", "block-3", ... (or "block-1", "block-2", ... when the first one
// is numbered too). For each base it counts the names in use and remembers
// the highest number given, so finding a free number never means searching
// through the names.
class KV_BASE_EXPORT KvNameTracker {
public:
    static constexpr char StandardDelimiter = '-';

    explicit KvNameTracker(char delimiter = StandardDelimiter);
    explicit KvNameTracker(const KvNameTrackerState& state);
    KvNameTracker(const KvNameTracker&) = default;
    KvNameTracker& operator=(const KvNameTracker&) = default;
    virtual ~KvNameTracker();

    char getDelimiter() const { return delimiter_; }
    void clear();

    // "wall-12" -> "wall", 12 and true. A name without a delimiter followed
    // by digits up to its end ("wall-", "wall12", "-3") is its own base,
    // with number 0 and false.
    static bool split(const KvString& name, char delimiter, KvString& base, size_t& number);
    KvString getBase(const KvString& name) const;
    bool hasBaseEntry(const KvString& name) const;

    // A name for `wanted` that this tracker has not handed out. `numberNew`
    // numbers the first name of a new base ("block-1" instead of "block").
    // `checker`, when given, reports names taken outside this tracker.
    KvString generateName(const KvString& wanted, bool numberNew, const KvNameChecker* checker);
    // Records a name fixed elsewhere (read from a file, say) as in use.
    void forceName(const KvString& name);
    // Gives a name back; the last name of a base forgets the base.
    void releaseName(const KvString& name);
    KvString switchName(const KvString& oldName, const KvString& wanted, bool numberNew, const KvNameChecker* checker);
    void switchNameForce(const KvString& oldName, const KvString& name);

    // A new snapshot; the caller owns it. With a checker, highest numbers
    // that nothing holds any more are lowered first, here as well.
    KvNameTrackerState* getNameTrackerState(const KvNameChecker* checker) const;

private:
    friend class KvNameTrackerState;

    struct Record {
        std::uint64_t count = 0;
        std::uint64_t highest = 0;
    };
    using Table = QHash<KvString, Record>;

    bool removeName(const KvString& name);
    // Walks the highest number of `rec` down towards its count while the
    // checker does not know the numbered name, so that numbers freed outside
    // the tracker are handed out again.
    void lowerHighest(const KvString& base, Record& rec, const KvNameChecker* checker) const;
    KvString numbered(const KvString& base, std::uint64_t number) const;

    char delimiter_;
    // Mutable because a snapshot may lower highest numbers (see above).
    mutable Table entries_;
};
