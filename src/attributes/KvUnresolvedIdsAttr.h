#pragma once

#include <KvAttributeItem.h>
#include <KvVector.h>

#include <cstdint>

// Identifiers of entities that an owner refers to but that could not be
// found (yet). Not saved and not undone; copies of an owner share it.
class KV_BASE_EXPORT KvUnresolvedIdsAttr : public KvAttributeItem {
    KV_TYPE_HEADER(KvUnresolvedIdsAttr)
public:
    explicit KvUnresolvedIdsAttr(const kv::vector<uint64_t>& ids);
    KvUnresolvedIdsAttr(const KvUnresolvedIdsAttr& o);
    ~KvUnresolvedIdsAttr() override;

    KvUndoState* getState() const override;
    bool shouldBeSaved() const override;

    const kv::vector<uint64_t>& getIds() const { return ids_; }

private:
    kv::vector<uint64_t> ids_;
};
