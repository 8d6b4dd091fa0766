#include <KvFrameworkBase.h>

#include <KvFrameworkBaseState.h>
#include <KvNameAttribute.h>

KV_TYPE_SOURCE(KvFrameworkBase, "FrameworkBase", KvUndoRefObject)

namespace {

KvFrameworkBase* g_active = nullptr;

KvString& baseName() {
    static KvString name("");
    return name;
}

}  // namespace

KvFrameworkBase::KvFrameworkBase() = default;

KvFrameworkBase::KvFrameworkBase(const KvFrameworkBaseState& state) : KvUndoRefObject(state) {}

KvFrameworkBase::~KvFrameworkBase() = default;

KvFrameworkBase* KvFrameworkBase::getActive() { return g_active; }

void KvFrameworkBase::setActive(KvFrameworkBase* framework) { g_active = framework; }

KvAttributedObject* KvFrameworkBase::getEntity(const KvString& name) {
    return g_active ? g_active->findEntity(name) : nullptr;
}

KvString KvFrameworkBase::registerName(KvNameAttribute* attribute, const KvString& name) {
    return g_active ? g_active->registerEntityName(attribute, KvString(), name) : name;
}

KvString KvFrameworkBase::registerLegacyName(KvNameAttribute* attribute, const KvString& name) {
    return g_active ? g_active->registerLegacyEntityName(attribute, name) : name;
}

const KvString& KvFrameworkBase::getBaseName() { return baseName(); }

void KvFrameworkBase::setBaseName(const KvString& name) { baseName() = name; }

KvFrameworkBase* KvFrameworkBase::getNameAttributeFramework(const KvNameAttribute* attribute) {
    return attribute ? attribute->framework_ : nullptr;
}

void KvFrameworkBase::setWithNameAttribute(KvNameAttribute* attribute) {
    if (attribute) attribute->setFramework(this);
}

void KvFrameworkBase::clearFromNameAttribute(KvNameAttribute* attribute) {
    if (attribute) attribute->clearFramework(this);
}
