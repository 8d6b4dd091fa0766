#pragma once

#include <KvBaseExport.h>
#include <KvVector.h>

#include <iosfwd>

class KvUndoMonitor;

// A handle on an object's undo monitor rather than on the object: it stays
// valid while undo and redo delete and recreate the object, and
// KvUndo::dereference turns it back into the object of the moment.
// References compare and order by the identity of the monitored object.
class KV_BASE_EXPORT KvUndoReference {
public:
    KvUndoReference() = default;
    KvUndoReference(const KvUndoReference& o);
    KvUndoReference(KvUndoReference&& o) noexcept;
    KvUndoReference& operator=(const KvUndoReference& o);
    KvUndoReference& operator=(KvUndoReference&& o) noexcept;
    ~KvUndoReference();

    bool isNonNull() const { return monitor_ != nullptr; }
    void clear();

    bool operator==(const KvUndoReference& o) const { return monitor_ == o.monitor_; }
    bool operator!=(const KvUndoReference& o) const { return monitor_ != o.monitor_; }
    bool operator<(const KvUndoReference& o) const;

    // Same size and equal references at every position.
    static bool equal(const kv::vector<KvUndoReference>& a, const kv::vector<KvUndoReference>& b);

protected:
    explicit KvUndoReference(KvUndoMonitor* monitor);
    const void* getValue() const { return monitor_; }

private:
    friend class KvUndoManager;
    void point(KvUndoMonitor* monitor);

    KvUndoMonitor* monitor_ = nullptr;
};

// Writes nothing: references have no printable form.
KV_BASE_EXPORT std::ostream& operator<<(std::ostream& os, const KvUndoReference& ref);
