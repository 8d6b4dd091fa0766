#include <KvTypeId.h>

#include <QHash>

#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

struct KvTypeId::Data {
    KvString name;
    const Data* parent;
};

namespace {
// Interned identifiers. They live as long as the process: identifiers are
// static objects of many classes and may be read while statics unwind.
struct Registry {
    std::mutex mutex;
    std::unordered_map<std::string, KvTypeId::Data*> byName;
};
Registry& registry() {
    static Registry* r = new Registry;  // never destroyed, see above
    return *r;
}
const KvTypeId::Data* intern(const char* name, const KvTypeId::Data* parent) {
    if (!name) return nullptr;
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    auto it = r.byName.find(name);
    if (it != r.byName.end()) return it->second;
    auto* d = new KvTypeId::Data{KvString(name), parent};
    r.byName.emplace(name, d);
    return d;
}
}  // namespace

KvTypeId::KvTypeId(const char* name) : d_(intern(name, nullptr)) {}
KvTypeId::KvTypeId(const char* name, const KvTypeId& parent) : d_(intern(name, parent.d_)) {}

bool KvTypeId::operator<(const KvTypeId& o) const {
    // Lookups end on the identifier itself: spare them the name comparison.
    if (d_ == o.d_) return false;
    if (!d_ || !o.d_) return d_ == nullptr;
    return d_->name < o.d_->name;
}

bool KvTypeId::isOfType(const KvTypeId& type) const {
    if (!type.d_) return false;
    for (const Data* d = d_; d; d = d->parent)
        if (d == type.d_) return true;
    return false;
}

KvTypeId KvTypeId::getParent() const { return KvTypeId(d_ ? d_->parent : nullptr); }

KvString KvTypeId::getName() const { return d_ ? d_->name : KvString(); }

KvString KvTypeId::describe() const {
    if (!d_) return KvString("<invalid type>");
    KvString out = d_->name;
    for (const Data* d = d_->parent; d; d = d->parent)
        out += KvString(" < ") + d->name;
    return out;
}

KvTypeId KvTypeId::lookup(const KvString& name) {
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    auto it = r.byName.find(name.str());
    return KvTypeId(it == r.byName.end() ? nullptr : it->second);
}

uint qHash(const KvTypeId& id, uint seed) { return qHash(reinterpret_cast<quintptr>(id.data()), seed); }
