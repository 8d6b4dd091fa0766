#pragma once

#include <KvNotch.h>
#include <KvTSObject.h>

#include <QUuid>

class KvDataStore;
class KvFrameworkBase;

// A time-stamped entity that lives in a framework. The application's
// geometric and grid entities derive from it and say which framework holds
// them (getFramework); seen through a framework path, an entity becomes a
// framework entity instance.
class KV_BASE_EXPORT KvFrameworkEntity : public KvTSObject {
    KV_TYPE_HEADER(KvFrameworkEntity)
public:
    ~KvFrameworkEntity() override;

    virtual void setFramework(KvFrameworkBase* framework);
    // The revision of the entity's shape; instances compare it to see whether
    // what they derived from the entity is still current.
    virtual KvNotch getNotch() const;
    virtual bool isNotchEqual(const KvNotch& notch) const { return getNotch() == notch; }
    // An entity with an identifier of its own gives it to its first instance.
    virtual bool hasUuid(QUuid& uuid) const;

    // Once per process.
    static void init();

protected:
    KvFrameworkEntity();
    KvFrameworkEntity(const KvFrameworkEntity& other);
    KvFrameworkEntity(const KvFrameworkEntity& master, KvCloneMapper& mapper);
    explicit KvFrameworkEntity(const KvDataStore& store);
    KvFrameworkEntity(KvAttributedObjectUndoBridge* bridge, const KvTSObjectState& state);
    KvFrameworkEntity& operator=(const KvFrameworkEntity& other);

    // Has this entity tell its observers once more when `store` goes away
    // (for an entity read from it, once everything else read is in place).
    void sendUpdateOnFileClose(const KvDataStore& store);
};
