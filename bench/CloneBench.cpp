// Cloning many attributed entities through one clone mapper, committing, and
// undoing and redoing that step.

#include <KvActionQueue.h>
#include <KvAttributeItem.h>
#include <KvAttributeItemState.h>
#include <KvAttributedObjectUndoBridge.h>
#include <KvBase.h>
#include <KvCloneMapper.h>
#include <KvPurgeAction.h>
#include <KvReplaceAction.h>
#include <KvTSObject.h>
#include <KvTSObjectState.h>
#include <KvUndo.h>

#include <benchmark/benchmark.h>

#include <malloc.h>
#include <unistd.h>

#include <cstdint>
#include <fstream>
#include <unordered_map>
#include <vector>

namespace {

constexpr size_t kEntities = 100000;

// An item holding one number; each of the three kinds is a type of its own.
template <int Kind>
class BenchItem : public KvAttributeItem {
public:
    static const KvTypeId& getClassTypeId() {
        static const KvTypeId id(kindName(), KvAttributeItem::getClassTypeId());
        return id;
    }
    const KvTypeId& getTypeId() const override { return getClassTypeId(); }
    bool isOfType(const KvTypeId& id) const override { return id == getClassTypeId() || KvAttributeItem::isOfType(id); }

    explicit BenchItem(int64_t v) : value(v) {}
    BenchItem(const BenchItem& o) : KvAttributeItem(o), value(o.value) {}

    KvAttributeItem* duplicate() const override { return new BenchItem(*this); }
    KvUndoState* getState() const override { return new State(*this); }

    int64_t value;

private:
    static const char* kindName() {
        static const char* names[] = {"BenchItemA", "BenchItemB", "BenchItemC"};
        return names[Kind];
    }

    class State : public KvAttributeItemState {
    public:
        explicit State(const BenchItem& item) : KvAttributeItemState(item), value(item.value) {}
        KvUndoObject* recreateObject() const override { return new BenchItem(*this); }
        void restoreObject(KvUndoObject* obj) const override {
            if (obj->getTypeId() == getClassTypeId()) {
                KvAttributeItemState::restoreObject(obj);
                static_cast<BenchItem*>(obj)->value = value;
            }
        }
        bool isSame(const KvUndoState* other) const override {
            auto* o = dynamic_cast<const State*>(other);
            return o && o->value == value && isAttributeItemStateSame(other);
        }
        int64_t value;
    };
    explicit BenchItem(const State& s) : KvAttributeItem(s), value(s.value) {}
};

class BenchEntityState;

class BenchEntity : public KvTSObject {
public:
    explicit BenchEntity(int64_t v) {
        addAttribItem(new BenchItem<0>(v));
        addAttribItem(new BenchItem<1>(v + 1));
        addAttribItem(new BenchItem<2>(v + 2));
    }
    BenchEntity(const BenchEntity& master, KvCloneMapper& mapper) : KvTSObject(master, mapper) {}
    BenchEntity(KvAttributedObjectUndoBridge* bridge, const BenchEntityState& state);

    KvTSObject* getClone(KvCloneMapper& mapper) override {
        KvTSObject* clone = nullptr;
        if (mapper.getClone(this, clone)) return clone;
        auto* made = new BenchEntity(*this, mapper);
        mapper.addPair(this, made);
        made->postClone(this, mapper);
        return made;
    }
    const KvTSObject* getClone(KvCloneMapper& mapper) const override {
        return const_cast<BenchEntity*>(this)->getClone(mapper);
    }
    uint64_t getClonePriority() const override { return 1; }
    KvUndoState* getUndoState() const override;
};

class BenchEntityState : public KvTSObjectState {
public:
    explicit BenchEntityState(const BenchEntity& e) : KvTSObjectState(e) {}
    KvAttributedObject* recreateBridgedObject(KvAttributedObjectUndoBridge* bridge) const override {
        return new BenchEntity(bridge, *this);
    }
};

BenchEntity::BenchEntity(KvAttributedObjectUndoBridge* bridge, const BenchEntityState& state)
    : KvTSObject(bridge, state) {}

KvUndoState* BenchEntity::getUndoState() const { return new BenchEntityState(*this); }

// Holds the entities and follows them through replacement, as the model's
// containers do.
class Registry : public KvObject {
public:
    ~Registry() override { clear(); }

    void add(KvTSObject* e) {
        index_[e] = slots_.size();
        slots_.emplace_back(e);
        e->addObserver(this);
    }
    KvTSObject* at(size_t i) const { return slots_[i].get(); }
    size_t size() const { return slots_.size(); }
    void clear() {
        for (auto& entry : index_)
            entry.first->removeObserver(this);
        index_.clear();
        slots_.clear();
        KvActionQueue::process();
    }

    void handleReplaceAction(KvReplaceAction* a) override {
        auto it = index_.find(a->getSource());
        if (it == index_.end()) return;
        const size_t slot = it->second;
        index_.erase(it);
        a->getSource()->removeObserver(this);
        KvTSObject* next = KvTSObject::cast(a->getReplacement());
        if (next) {
            next->addObserver(this);
            index_[next] = slot;
        }
        slots_[slot] = next;
    }
    void handlePurgeAction(KvPurgeAction* a) override {
        auto it = index_.find(a->getSource());
        if (it == index_.end()) return;
        slots_[it->second] = nullptr;
        index_.erase(it);
        a->getSource()->removeObserver(this);
    }
    void handleSplitAction(KvSplitAction*) override {}
    void handleJoinAction(KvJoinAction*) override {}
    void handleUpdateAction(KvUpdateAction*) override {}

private:
    std::vector<KvRefPtr<KvTSObject>> slots_;
    std::unordered_map<const KvObservedObject*, size_t> index_;
};

size_t heapInUse() { return mallinfo2().uordblks; }

// Heap in use including blocks mapped on their own (large ones).
size_t allHeapInUse() {
    struct mallinfo2 mi = mallinfo2();
    return mi.uordblks + mi.hblkhd;
}

// Resident memory of the process, in bytes; 0 where /proc is not there.
double residentBytes() {
    std::ifstream statm("/proc/self/statm");
    unsigned long long pages = 0, resident = 0;
    if (!(statm >> pages >> resident)) return 0.0;
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE));
}

void fill(Registry& registry) {
    for (size_t i = 0; i < kEntities; ++i)
        registry.add(new BenchEntity(static_cast<int64_t>(i)));
}

// Clones every entity, changes each clone (so that it takes its master's
// place) and commits.
void cloneAndCommit(Registry& registry) {
    KvCloneMapper mapper;
    for (size_t i = 0; i < registry.size(); ++i)
        mapper.addMustClone(registry.at(i));
    for (size_t i = 0; i < registry.size(); ++i)
        registry.at(i)->getClone(mapper)->updateModificationTime();
    mapper.makeReplacements();
}

// Names every entity through the history, which follows it across undo and
// redo.
std::vector<KvUndoReference> referencesTo(const Registry& registry) {
    std::vector<KvUndoReference> refs;
    refs.reserve(registry.size());
    for (size_t i = 0; i < registry.size(); ++i)
        refs.push_back(registry.at(i)->reference());
    return refs;
}

// Redo rebuilt the clones, which the registry no longer holds: finds them
// through the history, forgets the history, and destroys every entity.
void tearDown(Registry& registry, std::vector<KvUndoReference>& clones) {
    Registry rebuilt;
    for (const KvUndoReference& ref : clones)
        if (KvTSObject* e = KvTSObject::cast(KvAttributedObject::dereference(ref))) rebuilt.add(e);
    clones.clear();
    KvUndo::truncate();
    KvUndo::setMaxSteps(0);
    registry.clear();
    rebuilt.clear();
}

}  // namespace

static void BM_CloneEntities(benchmark::State& state) {
    KvBase::init();
    double before = 0.0, after = 0.0;
    for (auto _ : state) {
        state.PauseTiming();
        const size_t base = heapInUse();
        Registry registry;
        fill(registry);
        const size_t filled = heapInUse();
        state.ResumeTiming();

        cloneAndCommit(registry);

        state.PauseTiming();
        KvActionQueue::process();
        before = static_cast<double>(filled - base) / kEntities;
        after = static_cast<double>(heapInUse() - base) / kEntities;
        registry.clear();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kEntities));
    state.counters["bytes_per_entity"] = before;
    state.counters["bytes_per_entity_after"] = after;
    malloc_trim(0);  // leave a clean heap for the benchmarks that follow
}
BENCHMARK(BM_CloneEntities)->Unit(benchmark::kMillisecond)->Iterations(3);

static void BM_CloneEntitiesUndo(benchmark::State& state) {
    KvBase::init();
    KvUndo::setMaxSteps(10);
    const size_t base = heapInUse();
    Registry registry;
    fill(registry);
    KvUndo::mark("create");
    const size_t filled = heapInUse();
    cloneAndCommit(registry);
    KvUndo::mark("clone");
    const size_t cloned = heapInUse();
    std::vector<KvUndoReference> clones = referencesTo(registry);

    for (auto _ : state) {
        if (!KvUndo::undo() || !KvUndo::redo()) {
            state.SkipWithError("the clone step did not undo and redo");
            break;
        }
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kEntities));
    // Entities with their history of two steps.
    state.counters["bytes_per_entity"] = static_cast<double>(filled - base) / kEntities;
    state.counters["bytes_per_entity_after"] = static_cast<double>(cloned - base) / kEntities;

    tearDown(registry, clones);
    malloc_trim(0);
}
BENCHMARK(BM_CloneEntitiesUndo)->Unit(benchmark::kMillisecond)->Iterations(3);

// Builds a model with history (entities, a clone step, undo and redo), then
// destroys it and forgets the history: what the library still keeps then
// slows down whatever the process does next.
static void BM_ModelTeardown(benchmark::State& state) {
    KvBase::init();
    double before = 0.0, built = 0.0, untrimmed = 0.0, after = 0.0, heapAfter = 0.0;
    for (auto _ : state) {
        malloc_trim(0);
        before = residentBytes();
        const size_t heapBefore = allHeapInUse();
        KvUndo::setMaxSteps(10);
        {
            Registry registry;
            fill(registry);
            KvUndo::mark("create");
            cloneAndCommit(registry);
            KvUndo::mark("clone");
            std::vector<KvUndoReference> clones = referencesTo(registry);
            KvUndo::undo();
            KvUndo::redo();
            built = residentBytes();
            tearDown(registry, clones);
        }
        KvActionQueue::process();
        heapAfter = static_cast<double>(allHeapInUse()) - static_cast<double>(heapBefore);
        untrimmed = residentBytes();
        // Free pages inside the heap go back only on request; every benchmark
        // here asks at its end.
        malloc_trim(0);
        after = residentBytes();
    }
    state.counters["rss_before"] = before;
    state.counters["rss_built"] = built;
    state.counters["rss_after_untrimmed"] = untrimmed;
    state.counters["rss_after"] = after;
    state.counters["heap_kept"] = heapAfter;
}
BENCHMARK(BM_ModelTeardown)->Unit(benchmark::kMillisecond)->Iterations(1);
