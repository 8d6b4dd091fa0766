// Groups and visibility: a large group losing all its members and getting
// them back by undo, and layer masks read across chains of supporting
// entities.

#include <KvActionQueue.h>
#include <KvBase.h>
#include <KvConstAttributedObjectArray1.h>
#include <KvFrameworkEntity.h>
#include <KvFrameworkEntityArray1.h>
#include <KvGroupAlert.h>
#include <KvTSObjectGroup.h>
#include <KvTSObjectState.h>
#include <KvUndo.h>

#include <benchmark/benchmark.h>

#include <vector>

namespace {

class Member;

class MemberState : public KvTSObjectState {
public:
    explicit MemberState(const KvTSObject& m) : KvTSObjectState(m) {}
    KvAttributedObject* recreateBridgedObject(KvAttributedObjectUndoBridge* bridge) const override;
    bool isSame(const KvUndoState* other) const override {
        auto* o = dynamic_cast<const MemberState*>(other);
        return o && isPartSame(o);
    }
};

// A framework entity that undo can rebuild.
class Member : public KvFrameworkEntity {
public:
    Member() = default;
    Member(KvAttributedObjectUndoBridge* bridge, const MemberState& state) : KvFrameworkEntity(bridge, state) {}
    KvTSObject* getClone(KvCloneMapper&) override { return nullptr; }
    const KvTSObject* getClone(KvCloneMapper&) const override { return nullptr; }
    uint64_t getClonePriority() const override { return 1; }
    KvUndoState* getUndoState() const override { return new MemberState(*this); }
};

KvAttributedObject* MemberState::recreateBridgedObject(KvAttributedObjectUndoBridge* bridge) const {
    return new Member(bridge, *this);
}

// Keeps the group that exists now: undo rebuilds it as a new object.
struct LatestGroup : KvGroupAlert {
    LatestGroup() { KvTSObjectGroup::addAlert(this); }
    void groupAlert(bool destroyed, KvTSObjectGroup* g) override {
        if (!destroyed)
            group = g;
        else if (g == group)
            group = nullptr;
    }
    KvTSObjectGroup* group = nullptr;
};

// Deletes every member of `g`, in order; the last takes the group along.
void purgeAll(KvTSObjectGroup* g, std::vector<KvFrameworkEntity*>& doomed) {
    doomed.clear();
    for (size_t i = 0; i < g->getObjectCount(); ++i)
        doomed.push_back(g->getObject(i));
    for (KvFrameworkEntity* e : doomed)
        e->destroy();
    KvActionQueue::process();
}

void BM_GroupPurgeMembers(benchmark::State& state) {
    KvBase::init();
    const size_t n = static_cast<size_t>(state.range(0));
    KvUndo::setMaxSteps(10);
    LatestGroup latest;
    {
        auto* g = new KvTSObjectGroup(KvFrameworkEntity::getClassTypeId());
        KvFrameworkEntityArray1 members;
        members.reserve(n);
        for (size_t i = 0; i < n; ++i)
            members.push_back(new Member);
        g->addObjectList(members);
    }
    KvUndo::mark("make");
    std::vector<KvFrameworkEntity*> doomed;
    for (auto _ : state) {
        purgeAll(latest.group, doomed);
        KvUndo::mark("purge");
        KvUndo::undo();
        KvActionQueue::process();
        if (!latest.group || latest.group->getObjectCount() != n) state.SkipWithError("undo lost members");
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * n));
    state.counters["members"] = static_cast<double>(n);
    KvUndo::truncate();
    KvUndo::setMaxSteps(0);
    if (latest.group) purgeAll(latest.group, doomed);
    KvActionQueue::process();
}
BENCHMARK(BM_GroupPurgeMembers)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

// An entity whose masks take in those of the one before it in its chain.
class Link : public KvTSObject {
public:
    KvTSObject* getClone(KvCloneMapper&) override { return nullptr; }
    const KvTSObject* getClone(KvCloneMapper&) const override { return nullptr; }
    uint64_t getClonePriority() const override { return 1; }
    KvUndoState* getUndoState() const override { return nullptr; }
    void getVisibilitySupportEntities(KvConstAttributedObjectArray1& out) const override {
        out.clear();
        if (support) out.push_back(support);
    }
    void getVisibilityDependentEntities(KvConstAttributedObjectArray1& out) const override {
        out.clear();
        if (dependent) out.push_back(dependent);
    }
    Link* support = nullptr;
    Link* dependent = nullptr;
};

void BM_VisibilityMasks(benchmark::State& state) {
    KvBase::init();
    constexpr size_t kDepth = 8;
    const size_t n = static_cast<size_t>(state.range(0));
    std::vector<KvRefPtr<Link>> links;
    links.reserve(n);
    for (size_t i = 0; i < n; ++i) {
        links.emplace_back(new Link);
        if (i % kDepth) {
            links[i]->support = links[i - 1].get();
            links[i - 1]->dependent = links[i].get();
        }
        links[i]->setLayer(i % 1000);
    }
    KvActionQueue::process();
    KvLayerMask on, off;
    size_t chain = 0, layer = 0;
    bool enabled = true;
    for (auto _ : state) {
        // One chain's root moves and changes its flag: its dependents' masks
        // go stale and are rebuilt when read.
        Link* root = links[chain * kDepth].get();
        chain = (chain + 1) % (n / kDepth);
        layer = (layer + 7) % 1000;
        root->setLayer(layer);
        enabled = !enabled;
        root->setEnabled(enabled);
        KvActionQueue::process();
        for (const KvRefPtr<Link>& l : links)
            l->getLayerMask(on, off);
        benchmark::DoNotOptimize(on);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * n));
    state.counters["depth"] = kDepth;
    // Letting go of the last reference destroys each link.
    links.clear();
    KvActionQueue::process();
}
BENCHMARK(BM_VisibilityMasks)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
