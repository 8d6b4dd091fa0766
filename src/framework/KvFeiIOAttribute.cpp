#include <KvFeiIOAttribute.h>

#include <KvDataStore.h>

KV_TYPE_SOURCE(KvFeiIOAttribute, "FeiIOAttribute", KvDataStoreAttribute)

KvFeiIOAttribute* KvFeiIOAttribute::of(const KvDataStore& store) {
    if (auto* found = cast(store.getAttribute(getClassTypeId()))) return found;
    auto* made = new KvFeiIOAttribute;
    store.addAttribute(made);
    return made;
}
