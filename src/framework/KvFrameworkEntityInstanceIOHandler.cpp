#include <KvFrameworkEntityInstanceIOHandler.h>

#include <KvDataStore.h>
#include <KvFrameworkEntityInstance.h>

KvFrameworkEntityInstanceIOHandler::~KvFrameworkEntityInstanceIOHandler() = default;

bool KvFrameworkEntityInstanceIOHandler::write(KvDataStore& store, const char* key, bool shared,
                                               const KvGenre* entity) {
    const KvFrameworkEntityInstance* instance = KvFrameworkEntityInstance::cast(entity);
    if (!instance) {
        store.reportError("Invalid entity type for this handler.");
        return false;
    }
    if (!store.openSection(key, shared)) return false;
    instance->save(store);
    return store.closeSection();
}

bool KvFrameworkEntityInstanceIOHandler::read(const KvDataStore& store, const char* key, KvGenre*& entity) {
    entity = nullptr;
    if (!store.enterSection(key)) return false;
    KvFrameworkEntityInstance* instance = KvFrameworkEntityInstance::readRecord(store);
    store.closeSection();
    entity = instance;
    return instance != nullptr;
}
