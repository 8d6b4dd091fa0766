#include <KvOGASourceAttribute.h>

#include <KvDataStore.h>
#include <KvOGASourceAttributeState.h>

KV_TYPE_SOURCE(KvOGASourceAttribute, "OGASourceAttribute", KvAttributeItem)

KvOGASourceAttribute::KvOGASourceAttribute() = default;

KvOGASourceAttribute::KvOGASourceAttribute(const KvOGASourceAttribute& o) : KvAttributeItem(o), value_(o.value_) {}

KvOGASourceAttribute::KvOGASourceAttribute(const KvOGASourceAttributeState& state)
    : KvAttributeItem(state), value_(state.getValue()) {}

KvOGASourceAttribute::~KvOGASourceAttribute() = default;

KvUndoState* KvOGASourceAttribute::getState() const { return new KvOGASourceAttributeState(*this); }

KvAttributeItem* KvOGASourceAttribute::duplicate() const { return new KvOGASourceAttribute(*this); }

void KvOGASourceAttribute::setValue(const bool& value) {
    value_ = value;
    attributeChanged(KvActionObject());
}

KvOGASourceAttribute::KvOGASourceAttribute(const KvDataStore& store, const char* key) { store.readBool(key, value_); }

void KvOGASourceAttribute::save(KvDataStore& store, const char* key) const { store.writeBool(key, value_); }
