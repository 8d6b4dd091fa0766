#pragma once

#include <KvFrameworkEntity.h>
#include <KvFrameworkPath.h>
#include <KvFrameworkPathMonitor.h>
#include <KvNotch.h>
#include <KvObservedRef.h>
#include <KvUndoRefObject.h>
#include <KvXformMatrix.h>

#include <QUuid>

#include <cstddef>

class KvConstFrameworkEntityInstanceArray1;
class KvConstFrameworkEntityInstanceSet;
class KvDataStore;
class KvFrameworkEntityInstanceArray1;
class KvFrameworkEntityInstanceSet;
class KvFrameworkEntityInstanceState;

// A framework entity seen through one framework path: the same entity seen
// through another chain of frameworks is another instance, with its own
// transform to the root, its own identifier and its own observers.
//
// There is one instance per (path, entity), made on demand by get(), which
// hands it out unreferenced: whoever keeps it holds a reference and drops it
// when the instance is purged or replaced. An instance follows its entity
// (an update schedules a check, a purge destroys the instance, a replace moves
// it to the replacement or hands it over to the replacement's instance) and
// its path, and tells its own observers of a split or join of the entity with
// instance-level actions. Whatever it caches (the entity's notch, the path's
// transform) may fall behind: it is then outdated until the application
// brings it up to date and calls clearOutdated().
//
// Changes of instances alone never make an undo step.
class KV_BASE_EXPORT KvFrameworkEntityInstance : public KvUndoRefObject, public KvFrameworkPathMonitor {
    KV_TYPE_HEADER(KvFrameworkEntityInstance)
public:
    ~KvFrameworkEntityInstance() override;

    // --- the instance of a pair
    // The instance of (path, entity) among the entity's observers, or null.
    static KvFrameworkEntityInstance* find(const KvFrameworkPath& path, const KvFrameworkEntity* entity);
    static KvFrameworkEntityInstance* find(const KvFrameworkEntity* entity);  // in the active path
    // Whether an instance of the pair may exist: the entity lives in the
    // path's tail (an entity without framework: the path is the active one).
    static bool isValid(const KvFrameworkPath& path, const KvFrameworkEntity* entity);
    // The instance of the pair, made if need be; null for an invalid pair.
    static KvFrameworkEntityInstance* get(const KvFrameworkPath& path, KvFrameworkEntity* entity);
    static KvFrameworkEntityInstance* get(KvFrameworkEntity* entity);  // in the active path
    // The entity's instance in the active path, else its first one.
    static KvFrameworkEntityInstance* getFirstInstance(const KvFrameworkEntity* entity);
    // Every live instance. Instances nobody else holds go with the set.
    static KvFrameworkEntityInstanceSet getAll();
    static size_t getNumInstances();
    // By entity creation order, then path order.
    static KvFrameworkEntityInstanceArray1 getOrderedContents(const KvFrameworkEntityInstanceSet& set);
    static KvConstFrameworkEntityInstanceArray1 getOrderedContents(const KvConstFrameworkEntityInstanceSet& set);
    // The instance that holds `uuid`, or null.
    static KvFrameworkEntityInstance* map(const QUuid& uuid);

    // The frameworks above `path`'s tail changed: instances whose paths
    // start at that tail take `path` (less its tail) in front.
    static void updatePaths(const KvFrameworkPath& path);
    // Destroys the instances (outside `keep`) whose entity is gone or left
    // their path's tail, or whose path does not start at `root` (when given),
    // then hands duplicates over to the instance find() gives. True when
    // nothing had to change.
    static bool validateInstances(const KvFrameworkBase* root, const KvFrameworkEntityInstanceSet& keep);

    // --- one instance
    KvFrameworkEntity* getEntity() const { return entity_.get(); }
    const KvFrameworkPath& getPath() const { return path_; }
    const QUuid& getUuid() const { return uuid_; }
    bool isOutdated() const { return outdated_; }
    // The entity's notch and the path's transform as last taken.
    const KvNotch& getNotch() const { return notch_; }
    const KvXformMatrix& getXform() const { return xform_; }

    // Called by the application once the instance is up to date: takes the
    // notch and transform afresh.
    void clearOutdated();
    void setOutdated();
    // Checks the instance against its entity and path now.
    void update();
    // Hands this instance over to `other` (its observers hear of a replace)
    // and destroys it.
    virtual void replace(KvFrameworkEntityInstance* other);

    // --- persistence
    // Registers the instance handler with the data store, also under the
    // type names older files wrote instances under. Once only.
    static void registerIOHandler();
    // Whether the store can name the entity; the record under the current
    // section.
    bool canSave(const KvDataStore& store) const;
    void save(KvDataStore& store) const;

    // A list as a section under `key`: "Count" and one entry "FEI<i>" per
    // instance the store can save. False when the section was refused.
    static bool save(const char* key, KvDataStore& store, const KvFrameworkEntityInstanceArray1& list);
    static bool save(const char* key, KvDataStore& store, const KvConstFrameworkEntityInstanceArray1& list);
    // Every live instance outside `exclude` that the store can save, as the
    // array "Fei" in a section under `key`; nothing, and false, when there
    // is none.
    static bool saveAll(const char* key, KvDataStore& store, const KvFrameworkEntityInstanceSet& exclude);
    // Reads a list written by save(); `list` keeps what was read before an
    // error. False for a missing list or an error, which the store reports.
    static bool load(const char* key, const KvDataStore& store, KvFrameworkEntityInstanceArray1& list);
    static bool load(const char* key, const KvDataStore& store, KvConstFrameworkEntityInstanceArray1& list);
    static bool getData(const char* key, const KvDataStore& store, KvFrameworkEntityInstanceArray1& list);
    static bool getData(const char* key, const KvDataStore& store, KvConstFrameworkEntityInstanceArray1& list);
    // Reads what saveAll() wrote: the instances come into being as they are
    // read. True when there is nothing under `key`.
    static bool load(const char* key, const KvDataStore& store);
    // Older layouts: the array under `arrayKey`, or entries named from
    // `prefix`. Both warn the user that the file should be saved again.
    static bool loadOld(const char* key, const char* arrayKey, const KvDataStore& store);
    static bool loadOld(const char* key, const char* prefix, const KvDataStore& store,
                        KvFrameworkEntityInstanceArray1& list);
    // The oldest layout, entries named from `prefix` holding whole records.
    static bool loadVeryOld(const char* key, const char* prefix, const KvDataStore& store);
    static bool loadVeryOld(const char* key, const char* prefix, const KvDataStore& store,
                            KvFrameworkEntityInstanceArray1& list);

    bool isIncidental() const override { return true; }
    KvUndoState* getState() const override;
    // By address.
    bool operator<(const KvGenre& other) const override;

    void handleReplaceAction(KvReplaceAction* action) override;
    void handleSplitAction(KvSplitAction* action) override;
    void handleJoinAction(KvJoinAction* action) override;
    void handleUpdateAction(KvUpdateAction* action) override;
    void handlePurgeAction(KvPurgeAction* action) override;
    void pathModified(const KvFrameworkPath* path, Reason reason) override;

protected:
    KvFrameworkEntityInstance(const KvFrameworkPath& path, KvFrameworkEntity* entity);
    // For recreateObject(): not registered with undo.
    explicit KvFrameworkEntityInstance(const KvFrameworkEntityInstanceState& state);

    void preDestroy() override;

private:
    friend class KvFrameworkEntityInstanceIOHandler;
    friend class KvFrameworkEntityInstanceState;
    friend class KvUpdateLater;

    // A new identifier each time; tells the observers unless the instance
    // was outdated already and `notifyIfAlready` is false.
    void markOutdated(bool notifyIfAlready);
    // Runs update() once the notifications under way are delivered.
    void scheduleUpdate();
    void updatePath(const KvFrameworkPath& path);
    // Observation and the counted reference go with the entity.
    void setEntity(KvFrameworkEntity* entity);
    void takeUuid(const QUuid& uuid);
    void generateUuid();
    void clearUuid();
    void restoreFrom(const KvFrameworkEntityInstanceState& state);
    bool fromEntity(const KvAction* action) const;
    // The instance a record in the current section names; null, with the
    // reason reported to the store, when it names none.
    static KvFrameworkEntityInstance* readRecord(const KvDataStore& store);

    bool outdated_ = false;
    bool mergePending_ = false;
    bool updatePending_ = false;
    KvObservedRef<KvFrameworkEntity> entity_;
    KvNotch notch_;
    KvXformMatrix xform_;
    KvFrameworkPath path_;
    QUuid uuid_;
};
