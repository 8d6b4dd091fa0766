#include "DemoGroups.h"

#include <KvActionQueue.h>
#include <KvFrameworkEntity.h>
#include <KvFrameworkEntityArray1.h>
#include <KvGroupMembershipMonitor.h>
#include <KvMultiObject.h>
#include <KvRefObjectArray1.h>
#include <KvTSObjectGroup.h>
#include <KvTSObjectState.h>
#include <KvUndo.h>

#include <iostream>
#include <string>

namespace {

class Block;

class BlockState : public KvTSObjectState {
public:
    explicit BlockState(const Block& b);
    KvAttributedObject* recreateBridgedObject(KvAttributedObjectUndoBridge* bridge) const override;
    bool isSame(const KvUndoState* other) const override {
        auto* o = dynamic_cast<const BlockState*>(other);
        return o && o->name == name && isPartSame(o);
    }
    std::string name;
};

// A named block of a mesh; undo can bring it back.
class Block : public KvFrameworkEntity {
public:
    explicit Block(std::string n) : name(std::move(n)) {}
    Block(KvAttributedObjectUndoBridge* bridge, const BlockState& s) : KvFrameworkEntity(bridge, s), name(s.name) {}
    KvTSObject* getClone(KvCloneMapper&) override { return nullptr; }
    const KvTSObject* getClone(KvCloneMapper&) const override { return nullptr; }
    uint64_t getClonePriority() const override { return 1; }
    KvUndoState* getUndoState() const override { return new BlockState(*this); }
    std::string name;
};

BlockState::BlockState(const Block& b) : KvTSObjectState(b), name(b.name) {}
KvAttributedObject* BlockState::recreateBridgedObject(KvAttributedObjectUndoBridge* bridge) const {
    return new Block(bridge, *this);
}

// The parts a block is split into.
class Parts : public KvMultiObject {
public:
    explicit Parts(std::initializer_list<KvRefObject*> parts) : parts_(parts) {}
    size_t getNumObjects() const override { return parts_.size(); }
    KvObservedObject* getObject(size_t i) const override { return parts_[i]; }
    bool contains(const KvObservedObject* o) const override {
        for (KvRefObject* p : parts_)
            if (p == o) return true;
        return false;
    }
    KvUndoState* getUndoState() const override { return nullptr; }

protected:
    KvMultiObject* createTemporaryCopy() const override { return new Parts(*this); }

private:
    KvRefObjectArray1 parts_;
};

std::string members(const KvTSObjectGroup* g) {
    std::string out;
    for (size_t i = 0; i < g->getObjectCount(); ++i)
        out += (i ? ", " : "") + static_cast<const Block*>(g->getObject(i))->name;
    return "[" + out + "]";
}

// What a user interface's list of the group would do: show it anew.
class ShowMembers : public KvGroupMembershipMonitor {
public:
    void membershipChanged() override {
        if (KvTSObjectGroup* g = getGroup()) std::cout << "    monitor: the group is now " << members(g) << "\n";
    }
};

}  // namespace

void demoGroups() {
    std::cout << "\n== Groups ==\n";
    KvUndo::setMaxSteps(20);
    {
        Block *inlet = new Block("inlet"), *core = new Block("core"), *outlet = new Block("outlet");
        KvRefPtr<KvTSObjectGroup> group = new KvTSObjectGroup(KvFrameworkEntity::getClassTypeId());
        group->addObjectList(KvFrameworkEntityArray1{inlet, core, outlet});
        group->addMembershipMonitor(new ShowMembers);
        KvUndo::mark("make the group");
        std::cout << "  group " << members(group.get()) << "\n";

        std::cout << "  split 'core' into two halves\n";
        {
            KvRefPtr<Parts> halves = new Parts({new Block("core-a"), new Block("core-b")});
            core->replaceSplit(halves.get(), nullptr);
        }
        KvUndo::mark("split core");

        std::cout << "  delete 'inlet'\n";
        inlet->destroy();
        KvUndo::mark("delete inlet");

        std::cout << "  undo the deletion\n";
        KvUndo::undo();
        std::cout << "  undo the split\n";
        KvUndo::undo();
        std::cout << "  group " << members(group.get()) << "\n";
        group->removeAll();
    }
    KvUndo::truncate();
    KvUndo::setMaxSteps(0);
    KvActionQueue::process();
}
