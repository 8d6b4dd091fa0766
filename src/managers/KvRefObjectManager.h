#pragma once

#include <KvString.h>
#include <KvUndoObject.h>
#include <KvUndoReference.h>
#include <KvVector.h>

#include <cstddef>
#include <map>
#include <unordered_map>
#include <vector>

class KvDataStore;
class KvRefObject;
class KvRefObjectAlert;
class KvRefObjectArray1;
class KvRefObjectManagerState;

// A registry of named, numbered reference objects of one kind.
//
// Each object gets a unique name and an identifier larger than any given
// before; the list keeps insertion (so identifier) order. A deleted object
// leaves a hole in the list: positions count in generated names and in the
// keys of a saved section until the manager stack compacts the bottom
// manager. The manager holds one reference on each object and observes it.
//
// Generated names are base, "-", number: "inlet", "inlet-1", "inlet-2", and
// "param-N" for an empty name. The names are indexed by base so that finding
// a free one does not walk the list.
class KV_BASE_EXPORT KvRefObjectManager : public KvUndoObject {
    KV_TYPE_HEADER(KvRefObjectManager)
public:
    enum MergeStyle { MergeNone = 0, MergeReplace = 1, MergeKeepBoth = 2 };

    struct Entry {
        size_t id;
        KvRefObject* object;  // one reference held; null once deleted
    };

    ~KvRefObjectManager() override;

    void handleUpdateAction(KvUpdateAction* action) override;
    void handlePurgeAction(KvPurgeAction* action) override;
    void handleJoinAction(KvJoinAction* action) override;
    void handleReplaceAction(KvReplaceAction* action) override;
    void handleSplitAction(KvSplitAction* action) override;

    virtual KvString getName(KvRefObject* obj) = 0;
    virtual size_t getId(KvRefObject* obj) const = 0;
    virtual bool isBaseMgr() const = 0;

    KvRefObject* createObject(const KvString& name);
    bool deleteObject(KvRefObject* obj);
    void deleteObjects();
    KvRefObject* getObjectById(size_t id) const;
    KvRefObject* getObjectByName(const KvString& name) const;
    void getObjectNames(kv::vector<KvString>& out) const;
    void getObjects(KvRefObjectArray1& out) const;
    // False when `obj` is not held or another held object has `name`.
    bool setName(KvRefObject* obj, const KvString& name) const;
    void addAlert(KvRefObjectAlert* alert);
    void removeAlert(KvRefObjectAlert* alert);
    // Takes `other`'s next identifier and its objects, as `style` says;
    // `other` is left empty.
    bool merge(KvRefObjectManager* other, MergeStyle style);

    size_t getNextId() const { return nextId_; }
    const std::vector<Entry>& getEntries() const { return entries_; }

    // For held objects whose name changed behind the manager's back (undo
    // restores, assignments): every manager observing `obj` indexes it anew.
    static void objectRenamed(KvRefObject* obj);

protected:
    KvRefObjectManager();
    explicit KvRefObjectManager(const KvRefObjectManagerState& state);

    virtual KvString getObjectBaseName();
    virtual KvRefObject* newObject(const KvRefObject* src) = 0;
    virtual bool doSetObjectName(KvRefObject* obj, const KvString& name) const = 0;
    virtual void doSetObjectId(KvRefObject* obj, size_t id) const = 0;
    virtual bool doSetObject(KvRefObject* dst, KvRefObject* src) const = 0;
    virtual bool isSameObject(KvRefObject* a, KvRefObject* b) const = 0;
    virtual KvUndoReference referenceObject(KvRefObject* obj) = 0;
    virtual KvRefObject* dereferenceObject(KvUndoReference ref) const = 0;

    KvString getUniqueObjectName(const KvString& wanted);
    void loadObjects(const KvDataStore& store, const char* section, bool flag);
    void saveObjects(KvDataStore& store, const char* section, bool flag) const;
    void sendAlerts(KvRefObject* obj);
    // Writes a state back: the next identifier and the held objects.
    void getRefObjectManagerData(const KvRefObjectManagerState& state);

private:
    friend class KvRefObjectManagerStack;
    friend class KvRefObjectManagerState;

    void addObject(KvRefObject* obj);
    void addEntry(size_t id, KvRefObject* obj);
    void mergeObjects(KvRefObjectManager* other, MergeStyle style);
    // Drops the pairs whose object was deleted.
    void compact();
    // Stops observing and releases every object, and forgets them.
    void releaseAll();
    Entry* findEntry(const KvRefObject* obj);
    Entry* findById(size_t id);

    // --- name index over the held objects
    void indexObject(KvRefObject* obj);
    void unindexObject(KvRefObject* obj);
    bool hasName(const KvString& name) const;

    size_t nextId_ = 1;
    std::vector<Entry> entries_;
    kv::vector<KvRefObjectAlert*> alerts_;

    std::unordered_map<KvRefObject*, KvString> indexedAs_;
    std::unordered_map<KvString, size_t> nameCount_;
    // base -> number -> how many held names split into them
    std::unordered_map<KvString, std::map<size_t, size_t>> numbers_;
};
