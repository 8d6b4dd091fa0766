#include "DemoClone.h"

#include <KvActionQueue.h>
#include <KvCloneMapper.h>
#include <KvReplaceAction.h>
#include <KvTSObject.h>

#include <iostream>
#include <string>
#include <vector>

namespace {

// A mesh block with a cell count; its clone is named after it.
class Block : public KvTSObject {
public:
    Block(std::string name, int cells) : name_(std::move(name)), cells_(cells) {}
    Block(const Block& master, KvCloneMapper& mapper)
        : KvTSObject(master, mapper), name_(master.name_ + "'"), cells_(master.cells_) {}
    ~Block() override { std::cout << "    - " << name_ << " deleted\n"; }

    KvTSObject* getClone(KvCloneMapper& mapper) override {
        KvTSObject* clone = nullptr;
        if (mapper.getClone(this, clone)) return clone;
        Block* made = new Block(*this, mapper);
        mapper.addPair(this, made);
        made->postClone(this, mapper);
        return made;
    }
    const KvTSObject* getClone(KvCloneMapper& mapper) const override {
        return const_cast<Block*>(this)->getClone(mapper);
    }
    uint64_t getClonePriority() const override { return 1; }
    KvUndoState* getUndoState() const override { return nullptr; }

    const std::string& name() const { return name_; }
    void refine() {
        cells_ *= 8;
        std::cout << "    " << name_ << " refined to " << cells_ << " cells\n";
        updateObservers();
    }

private:
    std::string name_;
    int cells_;
};

std::string nameOf(KvObservedObject* o) { return o ? static_cast<Block*>(o)->name() : "nothing"; }

// Holds blocks and follows them when they are replaced, as a model does.
class Model : public KvObject {
public:
    explicit Model(std::string name) : name_(std::move(name)) {}
    ~Model() override {
        for (auto& b : blocks_)
            b->removeObserver(this);
    }
    void add(Block* b) {
        blocks_.emplace_back(b);
        b->addObserver(this);
    }
    Block* at(size_t i) const { return blocks_[i].get(); }
    size_t size() const { return blocks_.size(); }

    void handleReplaceAction(KvReplaceAction* a) override {
        std::cout << "    " << name_ << ": " << nameOf(a->getSource()) << " replaced by " << nameOf(a->getReplacement())
                  << "\n";
        for (auto& b : blocks_)
            if (b.get() == a->getSource()) {
                b->removeObserver(this);
                b = static_cast<Block*>(a->getReplacement());
                b->addObserver(this);
            }
    }
    void handleSplitAction(KvSplitAction*) override {}
    void handleJoinAction(KvJoinAction*) override {}
    void handleUpdateAction(KvUpdateAction*) override {}
    void handlePurgeAction(KvPurgeAction*) override {}

private:
    std::string name_;
    std::vector<KvRefPtr<Block>> blocks_;
};

}  // namespace

void demoClone() {
    std::cout << "\n== Cloning: change copies, then commit ==\n";
    Model model("model");
    model.add(new Block("inlet", 100));
    model.add(new Block("wall", 400));
    model.add(new Block("outlet", 100));
    {
        Model preview("preview");
        KvCloneMapper mapper;
        std::cout << "  cloning the three blocks; the preview shows the clones\n";
        for (size_t i = 0; i < model.size(); ++i)
            mapper.addMustClone(model.at(i));
        for (size_t i = 0; i < model.size(); ++i)
            preview.add(static_cast<Block*>(model.at(i)->getClone(mapper)));
        preview.at(1)->refine();

        std::cout << "  commit: the changed clone takes its master's place, the others give way\n";
        mapper.makeReplacements();
    }
    KvActionQueue::process();
    std::cout << "  the model now holds:";
    for (size_t i = 0; i < model.size(); ++i)
        std::cout << " " << model.at(i)->name();
    std::cout << "\n";
}
