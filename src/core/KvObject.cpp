#include <KvObject.h>

#include <KvAction.h>
#include <KvActionQueue.h>
#include <KvObservedObject.h>

KV_TYPE_SOURCE(KvObject, "Object", KvGenre)

KvObject::~KvObject() {
    if (observing_) KvStaleObservers::died(this, observing_);
    KvActionQueue::clearTarget(this);
}

void KvObject::handleAttributeAction(KvAttributeAction*) {}
void KvObject::handleCosmeticAction(KvCosmeticAction*) {}
void KvObject::handleInfoAction(KvInfoAction*) {}

void KvObject::handleBadAction(KvAction* action) {
    KvObservedObject* source = action ? action->getSource() : nullptr;
    if (source && source->isObserver(this)) source->removeObserver(this);
}

void* KvObject::operator new(std::size_t size) { return ::operator new(size); }
void* KvObject::operator new(std::size_t size, std::align_val_t al) { return ::operator new(size, al); }
void* KvObject::operator new(std::size_t size, const std::nothrow_t& t) noexcept { return ::operator new(size, t); }

void KvObject::operator delete(void* p, std::size_t size) {
    if (KvStaleObservers::any() && KvStaleObservers::keep(p, size)) return;
    ::operator delete(p, size);
}

void KvObject::operator delete(void* p, std::size_t size, std::align_val_t al) { ::operator delete(p, size, al); }
