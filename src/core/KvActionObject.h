#pragma once

class KvObject;

// Names the originator of a change: the object that caused it and so is not
// told of it. Null means nobody is skipped.
class KvActionObject {
public:
    KvActionObject() = default;
    KvActionObject(const KvObject* obj) : obj_(obj) {}
    bool isEqual(const KvObject* obj) const { return obj_ == obj; }
    const KvObject* getObject() const { return obj_; }

private:
    const KvObject* obj_ = nullptr;
};
