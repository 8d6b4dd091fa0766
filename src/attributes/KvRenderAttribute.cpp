#include <KvRenderAttribute.h>

#include <KvDataStore.h>
#include <KvRenderAttributeState.h>

KV_TYPE_SOURCE(KvRenderAttribute, "RenderAttribute", KvAttributeItem)

KvRenderAttribute::KvRenderAttribute() = default;

KvRenderAttribute::KvRenderAttribute(const KvRenderAttribute& o) : KvAttributeItem(o), settings_(o.settings_) {}

KvRenderAttribute::KvRenderAttribute(const KvRenderAttributeState& state)
    : KvAttributeItem(state), settings_(state.getValue()) {}

KvRenderAttribute::~KvRenderAttribute() = default;

KvUndoState* KvRenderAttribute::getState() const { return new KvRenderAttributeState(*this); }

KvAttributeItem* KvRenderAttribute::duplicate() const { return new KvRenderAttribute(*this); }

void KvRenderAttribute::setRenderSettings(const KvRenderSettings& settings) {
    settings_ = settings;
    attributeChanged(KvActionObject());
}

KvRenderAttribute::KvRenderAttribute(const KvDataStore& store, const char* key) {
    if (store.getVersion() >= 20) {
        store.readRenderSettings(key, settings_);
        return;
    }
    // Older stores keep the settings as a list of integers.
    kv::vector<uint32_t> values;
    if (store.readUInt32Array(key, values)) settings_ = KvRenderSettings::fromLegacyArray(values);
}

void KvRenderAttribute::save(KvDataStore& store, const char* key) const { store.writeRenderSettings(key, settings_); }
