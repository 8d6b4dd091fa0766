#include <KvObserverIterator.h>

#include <KvExcept.h>

KvObserverIterator::KvObserverIterator(const KvObservedObject* obj) : obj_(obj), it_(nullptr) {
    if (!obj) throw KvExcept("NULL object for iterator");
    obj->dropStaleObservers();
    it_ = new KvObjectListIterator(&obj->observers_);
}

KvObserverIterator::~KvObserverIterator() {
    delete it_;
    obj_ = nullptr;
}
