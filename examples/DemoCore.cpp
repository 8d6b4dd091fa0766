#include "DemoCore.h"

#include <KvActionLock.h>
#include <KvPurgeAction.h>
#include <KvRefObject.h>
#include <KvRefPtr.h>
#include <KvUpdateAction.h>

#include <iostream>
#include <string>

namespace {

// A shared object: a named block of a mesh.
class Block : public KvRefObject {
public:
    explicit Block(std::string name) : name_(std::move(name)) {
        std::cout << "    + block '" << name_ << "' created\n";
    }
    ~Block() override { std::cout << "    - block '" << name_ << "' deleted\n"; }

    const std::string& name() const { return name_; }
    void resize(int cells) {
        cells_ = cells;
        std::cout << "    block '" << name_ << "' now has " << cells_ << " cells\n";
        updateObservers();  // queue one update per observer
    }

    void handleReplaceAction(KvReplaceAction*) override {}
    void handleSplitAction(KvSplitAction*) override {}
    void handleJoinAction(KvJoinAction*) override {}
    void handleUpdateAction(KvUpdateAction*) override {}
    void handlePurgeAction(KvPurgeAction*) override {}

private:
    std::string name_;
    int cells_ = 0;
};

// An observer: a view that redraws when a block changes.
class View : public KvObject {
public:
    explicit View(std::string name) : name_(std::move(name)) {}
    void handleUpdateAction(KvUpdateAction* a) override {
        std::cout << "    view '" << name_ << "' hears: update of '" << nameOf(a) << "'\n";
    }
    void handlePurgeAction(KvPurgeAction* a) override {
        std::cout << "    view '" << name_ << "' hears: '" << nameOf(a) << "' is going away\n";
    }
    void handleReplaceAction(KvReplaceAction*) override {}
    void handleSplitAction(KvSplitAction*) override {}
    void handleJoinAction(KvJoinAction*) override {}

private:
    static std::string nameOf(KvAction* a) { return static_cast<Block*>(a->getSource())->name(); }
    std::string name_;
};

}  // namespace

void demoCore() {
    std::cout << "\n== Objects and observers\n";
    View outline("outline"), properties("properties");
    KvRefPtr<Block> block(new Block("inlet"));
    block->addObserver(&outline);
    block->addObserver(&properties);

    std::cout << "  A change reaches every observer before the call returns:\n";
    block->resize(1200);

    std::cout << "  Under an action lock, observers hear only when the lock is released:\n";
    {
        KvActionLock lock;
        block->resize(2400);
        block->resize(4800);
        std::cout << "    (lock still held, nobody has heard yet)\n";
    }

    std::cout << "  Dropping the last reference: observers are told first, the object is\n"
                 "  deleted after every pending delivery:\n";
    {
        KvActionLock lock;
        block->resize(100);
        block = nullptr;
        std::cout << "    (last reference dropped, the object lives on while the update is pending)\n";
    }
}
