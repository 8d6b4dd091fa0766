#include <KvDataStoreAttribute.h>

#include <KvDataStore.h>

const KvTypeId& KvDataStoreAttribute::getClassTypeId() {
    static const KvTypeId id("DataStoreAttribute", KvGenre::getClassTypeId());
    return id;
}

const KvTypeId& KvDataStoreAttribute::getTypeId() const { return getClassTypeId(); }

bool KvDataStoreAttribute::isOfType(const KvTypeId& id) const {
    return id == getClassTypeId() || KvGenre::isOfType(id);
}

KvDataStoreAttribute::~KvDataStoreAttribute() {
    if (store_) store_->forgetAttribute(this);
}
