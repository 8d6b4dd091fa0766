#pragma once

#include <KvBase.h>
#include <KvRefCount.h>

// Tells receivers of an update, replace, split or join how the old state of
// the source maps to the new one. Reference counted; deleted by the unref()
// that brings the count to 0 (mappers are not observed, so no queue is
// involved). Concrete mappers come from the application.
class KV_BASE_EXPORT KvMapper : public KvGenre {
    KV_TYPE_HEADER(KvMapper)
public:
    KvMapper() = default;
    KvMapper(const KvMapper& o) : KvGenre(o) {}
    KvMapper& operator=(const KvMapper&) { return *this; }
    ~KvMapper() override;

    void ref() const { count_.ref(); }
    void unref() const {
        if (count_.unref()) delete this;
    }
    void unrefKeep() const { count_.unrefKeep(); }
    int getRefCount() const { return count_.getRefCount(); }

private:
    KvRefCount count_;
};
