#include <KvNameAttribute.h>

#include <KvDataStore.h>
#include <KvFrameworkBase.h>
#include <KvLegacyMode.h>
#include <KvNameAttributeState.h>

KV_TYPE_SOURCE(KvNameAttribute, "NameAttribute", KvAttributeItem)

namespace {
int g_cloneCount = 0;
}  // namespace

KvNameAttribute::KvNameAttribute() = default;

KvNameAttribute::KvNameAttribute(const KvNameAttribute& o) : KvAttributeItem(o), name_(o.name_) {
    if (name_.isEmpty()) return;
    busy_ = true;
    name_ = KvFrameworkBase::registerName(this, name_);
    busy_ = false;
}

KvNameAttribute::KvNameAttribute(const KvDataStore& store, const char* key) {
    KvString name;
    if (!store.readString(key, name)) return;
    busy_ = true;
    name_ = KvLegacyMode::getVersion() > 0 ? KvFrameworkBase::registerName(this, name)
                                           : KvFrameworkBase::registerLegacyName(this, name);
    busy_ = false;
}

KvNameAttribute::KvNameAttribute(const KvNameAttributeState& state) : KvAttributeItem(state), name_(state.getName()) {}

KvNameAttribute::~KvNameAttribute() { release(); }

void KvNameAttribute::release() {
    if (KvFrameworkBase* framework = framework_) {
        framework_ = nullptr;
        framework->registerEntityName(this, name_, KvString());
    }
}

KvUndoState* KvNameAttribute::getState() const { return new KvNameAttributeState(*this); }

KvAttributeItem* KvNameAttribute::duplicate() const {
    if (g_cloneCount == 0) return const_cast<KvNameAttribute*>(this);
    return new KvNameAttribute(*this);
}

void KvNameAttribute::copy(size_t n, kv::vector<KvAttributeItem*>& out) const {
    out.clear();
    if (n == 1) {
        out.push_back(new KvNameAttribute(*this));
        return;
    }
    for (size_t i = 1; i <= n; ++i) {
        auto* item = new KvNameAttribute;
        item->setName(name_ + "-copy-" + KvString::number(static_cast<unsigned long long>(i)));
        out.push_back(item);
    }
}

void KvNameAttribute::split(size_t n, kv::vector<KvAttributeItem*>& out) const {
    out.clear();
    for (size_t i = 1; i <= n; ++i) {
        auto* item = new KvNameAttribute;
        item->setName(name_ + "-split-" + KvString::number(static_cast<unsigned long long>(i)));
        out.push_back(item);
    }
}

void KvNameAttribute::save(KvDataStore& store, const char* key) const { store.writeString(key, name_); }

bool KvNameAttribute::setName(const KvString& wanted, KvActionObject originator) {
    if (wanted == name_) return true;
    busy_ = true;
    KvString given;
    bool attached = false;
    if (framework_) {
        given = framework_->registerEntityName(this, name_, wanted);
    } else {
        given = KvFrameworkBase::registerName(this, wanted);
        attached = framework_ != nullptr;
    }
    const bool result = given == wanted;
    const bool changed = given != name_;
    if (changed) name_ = given;
    if (changed || attached) attributeChanged(originator);
    busy_ = false;
    return result;
}

void KvNameAttribute::setFramework(KvFrameworkBase* framework) {
    if (framework == framework_) return;
    release();
    framework_ = framework;
    if (!busy_) attributeChanged(KvActionObject());
}

void KvNameAttribute::clearFramework(KvFrameworkBase* framework) {
    if (!framework || framework != framework_) return;
    framework_ = nullptr;
    if (!busy_) attributeChanged(KvActionObject());
}

void KvNameAttribute::setCloneFlag() { ++g_cloneCount; }

void KvNameAttribute::clearCloneFlag() {
    if (g_cloneCount > 0) --g_cloneCount;
}

int KvNameAttribute::getCloneFlag() { return g_cloneCount; }
