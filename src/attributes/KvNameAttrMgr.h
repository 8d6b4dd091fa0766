#pragma once

#include <KvBaseExport.h>
#include <KvString.h>

class KvAttributedObject;
class KvNameChecker;
class KvNameTracker;
class KvTypeId;

// The application's name-attribute manager: where its naming policy lives
// (one name tracker and checker per family of entities, and an index from
// names to entities). The library only keeps the active instance; it never
// calls these operations itself.
class KV_BASE_EXPORT KvNameAttrMgr {
public:
    virtual ~KvNameAttrMgr();

    // Gives `entity` a name in place of `oldName` (null for its first name);
    // a null `wanted` only releases `oldName`. Returns the name given, which
    // may differ from `wanted` when that one is taken.
    virtual KvString registerName(KvAttributedObject* entity, const KvString& oldName, const KvString& wanted) = 0;
    // After undo has put `restoredName` back on `entity`, which carried
    // `oldName` just before: lets the index follow without renaming.
    virtual void restoreName(KvAttributedObject* entity, const KvString& oldName, const KvString& restoredName) = 0;
    // The entity that carries `name`, or null.
    virtual KvAttributedObject* findEntity(const KvString& name) const = 0;
    // The tracker that numbers the names of entities of type `family`.
    virtual KvNameTracker* getNameTracker(const KvTypeId& family) = 0;
    // The checker for names of that family (null: the tracker alone decides).
    virtual const KvNameChecker* getNameChecker(const KvTypeId& family) const = 0;

    // Makes this manager the active one.
    void setActive();
    // The active manager, or null.
    static KvNameAttrMgr* getActive();

protected:
    KvNameAttrMgr() = default;
    KvNameAttrMgr(const KvNameAttrMgr&) = default;
    KvNameAttrMgr& operator=(const KvNameAttrMgr&) = default;

private:
    static KvNameAttrMgr* activeMgr_;
};
