// The example program of docs/guide.md: a small application on libkvbase.
//
// It defines an entity class (a block of cells) with an attribute (its
// material) and undo states for both, watches a block with an observer,
// makes three undoable steps and walks back and forth through them, saves
// the block to a data store file and reads it back, and meshes blocks with
// a job list while a progress bar runs. It exits with 1 if anything it
// checks goes wrong.

#include <KvActionQueue.h>
#include <KvAttributeAction.h>
#include <KvAttributeItem.h>
#include <KvAttributeItemState.h>
#include <KvBase.h>
#include <KvDataStore.h>
#include <KvEntityType.h>
#include <KvJob.h>
#include <KvJobProgressTracker.h>
#include <KvProgress.h>
#include <KvPurgeAction.h>
#include <KvRefPtr.h>
#include <KvSimpleAttrIOHandler.h>
#include <KvTSObject.h>
#include <KvTSObjectState.h>
#include <KvUndo.h>
#include <KvUpdateAction.h>

#include <QDir>

#include <atomic>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

bool g_failed = false;

void check(bool ok, const char* what) {
    if (ok) return;
    std::printf("  CHECK FAILED: %s\n", what);
    g_failed = true;
}

// --- an attribute: the material of a block

class Material : public KvAttributeItem {
    KV_TYPE_HEADER(Material)
public:
    explicit Material(const KvString& name) : name_(name) {}
    // KvSimpleAttrIOHandler writes the item with save() and reads it back
    // with this constructor.
    Material(const KvDataStore& store, const char* key) {
        if (!store.readString(key, name_)) store.reportError("Bad material");
    }
    void save(KvDataStore& store, const char* key) const { store.writeString(key, name_); }

    const KvString& get() const { return name_; }
    // Change first, then tell: the owners pass it on as an attribute action,
    // and undo records the item's new state when the step is marked.
    void set(const KvString& name) {
        if (name == name_) return;
        name_ = name;
        attributeChanged();
    }

    KvUndoState* getState() const override;

private:
    friend class MaterialState;
    Material(const KvAttributeItemState& state, const KvString& name) : KvAttributeItem(state), name_(name) {}

    KvString name_;
};
KV_TYPE_SOURCE(Material, "GuideMaterial", KvAttributeItem)

// What undo keeps of a material: enough to restore it, or to rebuild it
// after it was deleted.
class MaterialState : public KvAttributeItemState {
public:
    explicit MaterialState(const Material& m) : KvAttributeItemState(m), name_(m.name_) {}
    KvUndoObject* recreateObject() const override { return new Material(*this, name_); }
    void restoreObject(KvUndoObject* obj) const override {
        KvAttributeItemState::restoreObject(obj);
        if (Material* m = Material::cast(obj)) m->name_ = name_;
    }
    bool isSame(const KvUndoState* other) const override {
        auto* o = dynamic_cast<const MaterialState*>(other);
        return o && o->name_ == name_;
    }

private:
    KvString name_;
};

KvUndoState* Material::getState() const { return new MaterialState(*this); }

// --- an entity: a block of cells

class BlockState;

class Block : public KvTSObject {
    KV_TYPE_HEADER(Block)
public:
    explicit Block(int cells) : cells_(cells) {}
    // Read from a store: the attributes first (the base class), then ours.
    explicit Block(const KvDataStore& store) : KvTSObject(store) { store.readInt("Cells", cells_); }
    // Rebuilt by undo.
    Block(KvAttributedObjectUndoBridge* bridge, const BlockState& state);

    int getCells() const { return cells_; }
    void setCells(int cells) {
        cells_ = cells;
        updateObservers();
    }
    Material* getMaterial() { return Material::cast(getAttribItemOfType(Material::getClassTypeId())); }
    const Material* getMaterial() const { return Material::cast(getAttribItemOfType(Material::getClassTypeId())); }

    void save(KvDataStore& store) const override {
        KvTSObject::save(store);
        store.writeInt("Cells", cells_);
    }
    KvUndoState* getUndoState() const override;
    // This application never clones blocks.
    KvTSObject* getClone(KvCloneMapper&) override { return nullptr; }
    const KvTSObject* getClone(KvCloneMapper&) const override { return nullptr; }
    uint64_t getClonePriority() const override { return 1; }

private:
    friend class BlockState;
    int cells_ = 0;
};
KV_TYPE_SOURCE(Block, "GuideBlock", KvTSObject)

class BlockState : public KvTSObjectState {
public:
    explicit BlockState(const Block& b) : KvTSObjectState(b), cells_(b.cells_) {}
    KvAttributedObject* recreateBridgedObject(KvAttributedObjectUndoBridge* bridge) const override {
        return new Block(bridge, *this);
    }
    void restoreBridgedObject(KvAttributedObject* obj) const override {
        KvTSObjectState::restoreBridgedObject(obj);
        if (Block* b = Block::cast(obj)) b->cells_ = cells_;
    }
    bool isSame(const KvUndoState* other) const override {
        auto* o = dynamic_cast<const BlockState*>(other);
        return o && o->cells_ == cells_ && isPartSame(o);
    }
    int getCells() const { return cells_; }

private:
    int cells_;
};

Block::Block(KvAttributedObjectUndoBridge* bridge, const BlockState& state)
    : KvTSObject(bridge, state), cells_(state.getCells()) {}

KvUndoState* Block::getUndoState() const { return new BlockState(*this); }

// Writes a block as a section under its key; reads it back unreferenced,
// as the store hands out every entity: the first owner takes a reference.
class BlockHandler : public KvEntityType {
public:
    bool write(KvDataStore& store, const char* key, bool shared, const KvGenre* entity) override {
        const Block* block = Block::cast(entity);
        if (!block || !store.openSection(key, shared)) return false;
        block->save(store);
        return store.closeSection();
    }
    bool read(const KvDataStore& store, const char* key, KvGenre*& entity) override {
        entity = nullptr;
        if (!store.enterSection(key)) return false;
        entity = new Block(store);
        return store.closeSection();
    }
};

// --- an observer

// Prints what happens to the block it watches. It takes no part in undo
// (canUndo() is false), so it hears of every restore as well.
class BlockView : public KvObject {
public:
    explicit BlockView(Block* block) : block_(block) { block_->addObserver(this); }
    ~BlockView() override { stop(); }

    void handleUpdateAction(KvUpdateAction*) override { show("changed"); }
    void handleAttributeAction(KvAttributeAction*) override { show("material changed"); }
    void handlePurgeAction(KvPurgeAction*) override {
        std::printf("    view: the block is gone\n");
        stop();
    }
    void handleReplaceAction(KvReplaceAction*) override {}
    void handleSplitAction(KvSplitAction*) override {}
    void handleJoinAction(KvJoinAction*) override {}

    int changes = 0;   // heard of the user's changes
    int restores = 0;  // heard of undo and redo

private:
    void show(const char* what) {
        ++(KvUndo::isRestoring() ? restores : changes);
        const Material* m = block_->getMaterial();
        std::printf("    view: %s: %d cells of %s%s\n", what, block_->getCells(), m ? m->get().getString() : "nothing",
                    KvUndo::isRestoring() ? " (undo/redo)" : "");
    }
    void stop() {
        if (block_) block_->removeObserver(this);
        block_ = nullptr;
    }

    Block* block_;
};

// --- jobs

// Meshes one block: plain numbers in, plain numbers out. Jobs may run on
// worker threads, where the object model must not be touched.
class MeshJob : public KvJob {
public:
    explicit MeshJob(int cells) : cells_(cells) {}

    bool canRunInParallel() const override { return true; }
    void setRunningInParallel(bool) override {}
    void run() override {
        KvJobProgressTracker::Span span(tracker_);
        span.setNextMilestone(1.0);
        for (int i = 1; i <= cells_ && !aborted_; ++i) {
            volatile double work = 0;
            for (int k = 0; k < 2000; ++k)
                work = work + k * 0.5;
            quality_ += 1.0 / cells_;
            if (i % 64 == 0 || i == cells_) span.setProgress(static_cast<double>(i) / cells_);
        }
        finished_ = true;
    }
    bool isFinished() const override { return finished_; }
    void abort() override { aborted_ = true; }
    double progress() const override { return tracker_.progress(); }

    double getQuality() const { return quality_; }

private:
    int cells_;
    double quality_ = 0;
    KvJobProgressTracker tracker_;
    std::atomic<bool> finished_{false};
    std::atomic<bool> aborted_{false};
};

class ProgressBar : public KvProgress::Handler {
public:
    bool progress(double fraction) override {
        const int filled = static_cast<int>(fraction * 30 + 0.5);
        std::printf("\r  [%s%s] %3d%%", std::string(filled, '#').c_str(), std::string(30 - filled, '.').c_str(),
                    static_cast<int>(fraction * 100 + 0.5));
        std::fflush(stdout);
        return false;  // true asks the jobs to stop
    }
    void rangePopped() override {
        if (KvProgress::getDepth() == 0) std::printf("\n");
    }
};

void showBlock(const Block& block) {
    const Material* m = block.getMaterial();
    std::printf("  the block: %d cells of %s\n", block.getCells(), m ? m->get().getString() : "nothing");
}

void showHistory() {
    kv::vector<KvString> undo, redo;
    KvUndo::getUndoList(undo);
    KvUndo::getRedoList(redo);
    std::printf("  next undo: %s; next redo: %s\n", undo.empty() ? "-" : undo.front().getString(),
                redo.empty() ? "-" : redo.front().getString());
}

}  // namespace

int main() {
    KvBase::init();
    KvDataStore::addEntityType(Block::getClassTypeId(), new BlockHandler);
    KvDataStore::addEntityType(Material::getClassTypeId(), new KvSimpleAttrIOHandler<Material>);
    KvUndo::setMaxSteps(50);

    std::printf("A block and its view\n");
    KvRefPtr<Block> block(new Block(1000));
    block->addAttribItem(new Material("aluminium"));
    KvUndo::mark("Create block");
    BlockView view(block.get());

    std::printf("Three steps\n");
    block->setCells(8000);
    KvUndo::mark("Refine block");
    block->getMaterial()->set("steel");
    KvUndo::mark("Change material");
    block->setCells(8500);
    KvUndo::mark("Refine again");
    showHistory();

    // The view hears of the block's own restores. A restored material tells
    // only its own observers that take no part in undo, not the block's.
    std::printf("Undo twice, redo once\n");
    KvUndo::undo();
    KvUndo::undo();
    showBlock(*block);
    check(block->getCells() == 8000 && block->getMaterial()->get() == KvString("aluminium"), "two steps undone");
    KvUndo::redo();
    showBlock(*block);
    check(block->getMaterial()->get() == KvString("steel"), "one step redone");
    showHistory();

    std::printf("Save and read back\n");
    const std::string file = QDir::temp().filePath("guide_example.kvd").toStdString();
    {
        KvDataStore store;
        check(store.create(KvString(file)), "file created");
        store.writeEntity("Block", block.get());
        check(store.close(), "file written");
    }
    KvRefPtr<Block> copy;
    {
        KvDataStore store;
        check(store.open(KvString(file)), "file opened");
        copy = Block::cast(store.readEntity("Block"));
        check(!store.hasFailed(), store.getErrorReport().getString());
    }
    check(copy.get() && copy.get() != block.get(), "a new block was read");
    if (copy.get()) {
        std::printf("  read back: %d cells of %s\n", copy->getCells(), copy->getMaterial()->get().getString());
        check(copy->getCells() == 8000 && copy->getMaterial()->get() == KvString("steel"), "the same block");
    }
    QDir().remove(QString::fromStdString(file));

    std::printf("Mesh three blocks\n");
    std::vector<std::unique_ptr<MeshJob>> owned;
    kv::vector<KvJob*> jobs;
    for (int cells : {block->getCells(), 3000, 5000}) {
        owned.push_back(std::make_unique<MeshJob>(cells));
        jobs.push_back(owned.back().get());
    }
    ProgressBar bar;
    KvProgress::setActive(&bar);
    KvJob::executeJobs(jobs, KvJob::AbortOnCancel, 0);
    KvProgress::setActive(nullptr);
    for (const auto& job : owned)
        check(job->isFinished() && job->getQuality() > 0.99, "every job finished");

    std::printf("Let go\n");
    // The last references: the view hears of the purge, and the queue deletes
    // both blocks once every delivery is done.
    block = nullptr;
    copy = nullptr;
    KvActionQueue::process();
    KvUndo::setMaxSteps(0);
    check(view.changes == 3 && view.restores == 1, "the view heard the changes and the restore of the cells");

    std::printf(g_failed ? "FAILED\n" : "All checks passed.\n");
    return g_failed ? 1 : 0;
}
