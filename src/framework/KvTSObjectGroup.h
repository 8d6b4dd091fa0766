#pragma once

#include <KvFrameworkEntity.h>
#include <KvFrameworkEntityArray1.h>
#include <KvLinkedList.h>
#include <KvTSObjectGroupMembers.h>
#include <KvTypeId.h>

#include <cstddef>

class KvGroupAlert;
class KvGroupMembershipMonitor;
class KvTSObjectGroupState;

// An ordered list of framework entities of one allowed type, the user's
// group of database entities. The group holds and observes its members and
// follows them by itself: a deleted member leaves the list, a replaced one is
// replaced, a split one becomes its parts, joined ones the joined entity, in
// undo and redo too. A group that its members' own changes leave empty
// destroys itself; its own edits never do.
//
// Group alerts hear of every group made and destroyed; the membership
// monitors of one group hear, through the action queue, of each change of
// its members.
class KV_BASE_EXPORT KvTSObjectGroup : public KvFrameworkEntity {
    KV_TYPE_HEADER(KvTSObjectGroup)
public:
    KvTSObjectGroup();
    explicit KvTSObjectGroup(const KvTypeId& type);
    // Same type and members; a new stamp, in no framework.
    KvTSObjectGroup(const KvTSObjectGroup& other);
    explicit KvTSObjectGroup(const KvDataStore& store);
    KvTSObjectGroup(KvAttributedObjectUndoBridge* bridge, const KvTSObjectGroupState& state);
    ~KvTSObjectGroup() override;

    // Throws "Invalid entity type for group" at the first element of the
    // wrong type; the elements before it stay.
    KvTSObjectGroup& operator=(const KvFrameworkEntityArray1& list);
    KvTSObjectGroup& operator=(const KvTSObjectGroup& other);

    // --- members
    // False when `e` is a member already. Throws "Group type not set" and
    // "Invalid entity type for group".
    bool addObject(KvFrameworkEntity* e);
    // Checks every type before adding any; true when something was added.
    bool addObjectList(const KvFrameworkEntityArray1& list);
    bool removeObject(KvFrameworkEntity* e);
    void removeObject(size_t index);
    bool removeObjectList(const KvFrameworkEntityArray1& list);
    // Leaves the group empty and alive.
    void removeAll();
    // Drops the members that are not of the new type; an invalid type drops
    // them all.
    void setAllowedType(const KvTypeId& type);
    const KvTypeId& getAllowedType() const { return allowedType_; }

    bool contains(const KvFrameworkEntity* e) const { return objects_.contains(e); }
    long long find(const KvFrameworkEntity* e) const;
    size_t getObjectCount() const { return objects_.size(); }
    KvFrameworkEntity* getObject(size_t index) const;
    void getObjects(KvFrameworkEntityArray1& out) const { out = objects_.toArray(); }

    // --- monitors and alerts
    void addMembershipMonitor(KvGroupMembershipMonitor* monitor);
    void removeMembershipMonitor(KvGroupMembershipMonitor* monitor);
    // Queues one call per monitor, then runs the queue.
    void broadcastMembershipChange() const;
    static void addAlert(KvGroupAlert* alert);
    static void removeAlert(KvGroupAlert* alert);
    void sendAlert(bool created, KvTSObjectGroup* group) const;

    // --- actions from the members
    void handleReplaceAction(KvReplaceAction* action) override;
    void handleSplitAction(KvSplitAction* action) override;
    void handleJoinAction(KvJoinAction* action) override;
    void handleUpdateAction(KvUpdateAction* action) override;
    void handlePurgeAction(KvPurgeAction* action) override;
    void handleAttributeAction(KvAttributeAction* action) override;
    void handleCosmeticAction(KvCosmeticAction* action) override;

    // --- visibility: enabled when any member is
    bool getVisibilityAtts(size_t& layer, bool& enabled, KvLayerMask& enabledMask,
                           KvLayerMask& disabledMask) const override;
    bool getEnabled(bool& enabled) const override;
    // The members.
    void getVisibilitySupportEntities(KvConstAttributedObjectArray1& out) const override;
    void resetCachedValues() override;
    void prepareToSaveUndoState() const override;

    KvUndoState* getUndoState() const override;
    // The attributes and "TypeId"; the members go apart (saveMembers).
    void save(KvDataStore& store) const override;
    void saveMembers(const KvString& key, KvDataStore& store) const;
    void loadMembers(const KvString& key, const KvDataStore& store);

    KvTSObject* getClone(KvCloneMapper& mapper) override;
    const KvTSObject* getClone(KvCloneMapper& mapper) const override;
    uint64_t getClonePriority() const override { return 0; }
    bool isFrameworked() const override { return true; }
    KvFrameworkBase* getFramework() const override { return framework_; }
    void setFramework(KvFrameworkBase* framework) override;

    // Run after every change of the member list; `cause` is the group for
    // its own edits and the member for a member's action.
    virtual void notifyArrayChanged(KvActionObject cause);

private:
    friend class KvTSObjectGroupState;

    void append(KvFrameworkEntity* e);
    void erase(size_t index);
    // Unobserves and forgets every member.
    void clearMembers();
    bool isMember(const KvObservedObject* source) const;
    // The cached enabled state goes stale; observers get a cosmetic update.
    void dropEnabled() const;
    void restore(const KvTSObjectGroupState& state);

    KvTSObjectGroupMembers objects_;
    KvTypeId allowedType_;
    mutable bool enabledValid_ = true;
    KvFrameworkBase* framework_ = nullptr;
    KvLinkedList<KvGroupMembershipMonitor*> membershipMonitors_;
};
