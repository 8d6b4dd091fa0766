#include <KvFileClosePurger.h>

#include <KvActionLock.h>
#include <KvAttributeItem.h>
#include <KvPurgeAction.h>

KV_TYPE_SOURCE(KvFileClosePurger, "FileClosePurger", KvDataStoreAttribute)

KvFileClosePurger::KvFileClosePurger() = default;

KvFileClosePurger::~KvFileClosePurger() {
    // One lock, so that the owners hear of all the purges only once every
    // item is let go.
    KvActionLock lock;
    kv::vector<KvAttributeItem*> items;
    items.swap(items_);
    for (KvAttributeItem* item : static_cast<const kv::vector<KvAttributeItem*>&>(items)) {
        item->notifyObservers(new KvPurgeAction(item), KvActionObject());
        item->unref();
    }
}

void KvFileClosePurger::add(KvAttributeItem* item) {
    if (!item) return;
    item->ref();
    items_.push_back(item);
}
