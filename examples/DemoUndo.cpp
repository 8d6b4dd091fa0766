#include "DemoUndo.h"

#include <KvAction.h>
#include <KvActionQueue.h>
#include <KvJoinAction.h>
#include <KvPurgeAction.h>
#include <KvReplaceAction.h>
#include <KvSplitAction.h>
#include <KvUndo.h>
#include <KvUndoIntDatum.h>
#include <KvUpdateAction.h>

#include <iostream>

namespace {

// A view of a value: it takes no part in undo, so it hears about restores.
class Listener : public KvObject {
public:
    explicit Listener(const KvUndoIntDatum* value) : value_(value) {}
    void handleUpdateAction(KvUpdateAction*) override {
        std::cout << "    listener hears: the value is now " << value_->get()
                  << (KvUndo::isRestoring() ? "  (restored by undo/redo)" : "") << "\n";
    }
    void handleReplaceAction(KvReplaceAction*) override {}
    void handleSplitAction(KvSplitAction*) override {}
    void handleJoinAction(KvJoinAction*) override {}
    void handlePurgeAction(KvPurgeAction*) override {}

private:
    const KvUndoIntDatum* value_;
};

void show(const char* what, const KvUndoIntDatum& value) {
    kv::vector<KvString> undo, redo;
    KvUndo::getUndoList(undo);
    KvUndo::getRedoList(redo);
    std::cout << what << ": value " << value.get() << ", undo " << (undo.empty() ? "-" : undo.front().getString())
              << ", redo " << (redo.empty() ? "-" : redo.front().getString()) << "\n";
}

}  // namespace

void demoUndo() {
    std::cout << "\n== Undo and redo\n";
    KvUndo::setMaxSteps(0);  // a fresh history for the story
    auto* width = new KvUndoIntDatum(10);
    Listener listener(width);
    width->addObserver(&listener);
    KvUndo::setMaxSteps(50);
    std::cout << "Undo is on with room for 50 steps; the value starts at " << width->get() << ".\n";

    std::cout << "The user sets the value to 25:\n";
    width->set(25);
    KvUndo::mark("Set width to 25");
    show("  after the step", *width);

    std::cout << "Undo:\n";
    KvUndo::undo();
    show("  after undo", *width);

    std::cout << "Redo:\n";
    KvUndo::redo();
    show("  after redo", *width);

    width->removeObserver(&listener);
    KvUndo::setMaxSteps(0);
    delete width;
    KvActionQueue::process();
}
