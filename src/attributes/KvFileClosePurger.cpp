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
    kv::vector<KvRefPtr<KvAttributeItem>> items;
    items.swap(items_);
    for (KvRefPtr<KvAttributeItem>& item : items) {
        item->notifyObservers(new KvPurgeAction(item.get()), KvActionObject());
        item = nullptr;
    }
}

void KvFileClosePurger::add(KvAttributeItem* item) {
    if (item) items_.push_back(item);
}
