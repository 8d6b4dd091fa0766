#pragma once

#include <KvAttributeItem.h>
#include <KvString.h>

class KvDataStore;
class KvFrameworkBase;
class KvNameAttributeState;

// The name of its owners, registered with a framework (which may hand out
// another name than the one asked for). Copies of an owner share the name
// item, unless a KvNameAttributeCloneLock lives: then each copy gets an item
// of its own, registered anew.
class KV_BASE_EXPORT KvNameAttribute : public KvAttributeItem {
    KV_TYPE_HEADER(KvNameAttribute)
public:
    KvNameAttribute();
    // Registers the copied name, which may come back changed.
    KvNameAttribute(const KvNameAttribute& o);
    // Releases the name in its framework.
    ~KvNameAttribute() override;

    KvUndoState* getState() const override;
    KvAttributeItem* duplicate() const override;
    using KvAttributeItem::duplicate;
    // One copy-constructed item for one copy; "<name>-copy-<i>" for several.
    void copy(size_t n, kv::vector<KvAttributeItem*>& out) const override;
    // "<name>-split-<i>".
    void split(size_t n, kv::vector<KvAttributeItem*>& out) const override;
    virtual void save(KvDataStore& store, const char* key) const;

    const KvString& getName() const { return name_; }
    KvFrameworkBase* getFramework() const { return framework_; }
    // True when the name given is the one wanted.
    bool setName(const KvString& name, KvActionObject originator = KvActionObject());

    static void setCloneFlag();
    // Never below zero.
    static void clearCloneFlag();
    static int getCloneFlag();

protected:
    template <class T>
    friend class KvSimpleAttrIOHandler;

    KvNameAttribute(const KvDataStore& store, const char* key);
    explicit KvNameAttribute(const KvNameAttributeState& state);

private:
    friend class KvFrameworkBase;
    friend class KvNameAttributeState;

    void setFramework(KvFrameworkBase* framework);
    void clearFramework(KvFrameworkBase* framework);
    void release();

    bool busy_ = false;
    KvFrameworkBase* framework_ = nullptr;
    KvString name_;
};

// While one lives, copies of named objects get name items of their own.
class KV_BASE_EXPORT KvNameAttributeCloneLock {
public:
    KvNameAttributeCloneLock() { KvNameAttribute::setCloneFlag(); }
    ~KvNameAttributeCloneLock() { KvNameAttribute::clearCloneFlag(); }
    KvNameAttributeCloneLock(const KvNameAttributeCloneLock&) = delete;
    KvNameAttributeCloneLock& operator=(const KvNameAttributeCloneLock&) = delete;
};
