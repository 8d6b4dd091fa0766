#pragma once

#include <KvBase.h>
#include <KvRefCounted.h>

// Tells receivers of an update, replace, split or join how the old state of
// the source maps to the new one. Reference counted; deleted by the unref()
// that brings the count to 0 (mappers are not observed, so no queue is
// involved). Concrete mappers come from the application.
class KV_BASE_EXPORT KvMapper : public KvGenre, public KvRefCounted<KvMapper, KvLastUnref::Delete> {
    KV_TYPE_HEADER(KvMapper)
public:
    KvMapper() = default;
    KvMapper(const KvMapper& o) = default;
    KvMapper& operator=(const KvMapper&) { return *this; }
    ~KvMapper() override;
};
