#include <KvUnresolvedIdsAttr.h>

KV_TYPE_SOURCE(KvUnresolvedIdsAttr, "UnresolvedIdsAttr", KvAttributeItem)

KvUnresolvedIdsAttr::KvUnresolvedIdsAttr(const kv::vector<uint64_t>& ids) : ids_(ids) {}

KvUnresolvedIdsAttr::KvUnresolvedIdsAttr(const KvUnresolvedIdsAttr& o) : KvAttributeItem(o), ids_(o.ids_) {}

KvUnresolvedIdsAttr::~KvUnresolvedIdsAttr() = default;

KvUndoState* KvUnresolvedIdsAttr::getState() const { return nullptr; }

bool KvUnresolvedIdsAttr::shouldBeSaved() const { return false; }
