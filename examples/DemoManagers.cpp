#include "DemoManagers.h"

#include <KvActionQueue.h>
#include <KvAttributedObject.h>
#include <KvJoinAction.h>
#include <KvParamSetAttribute.h>
#include <KvPurgeAction.h>
#include <KvRefObjectSet.h>
#include <KvReplaceAction.h>
#include <KvSharedParamSet.h>
#include <KvSharedParamSetManager.h>
#include <KvSplitAction.h>
#include <KvUndo.h>
#include <KvUpdateAction.h>

#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace {

class Entity : public KvAttributedObject {
public:
    KvUndoState* getUndoState() const override { return nullptr; }
};

// An entity's panel in the user interface: it watches the shared sets its
// entity uses and shows their values. It takes no part in undo, so it hears
// about restores too.
class Panel : public KvObject {
public:
    explicit Panel(std::string entity) : entity_(std::move(entity)) {}
    void handleUpdateAction(KvUpdateAction* action) override {
        const KvSharedParamSet* set = KvSharedParamSet::cast(action->getSource());
        if (!set) return;
        KvString size;
        set->getParams().get("size", size);
        std::cout << "    " << entity_ << " hears: " << set->getName() << " size = " << size
                  << (KvUndo::isRestoring() ? "  (undo)" : "") << "\n";
    }
    void handleReplaceAction(KvReplaceAction*) override {}
    void handleSplitAction(KvSplitAction*) override {}
    void handleJoinAction(KvJoinAction*) override {}
    void handlePurgeAction(KvPurgeAction*) override {}

private:
    std::string entity_;
};

}  // namespace

void demoSharedSets() {
    std::cout << "\n== Shared parameter sets\n";
    KvUndo::setMaxSteps(0);  // a fresh history for the story
    KvUndo::setMaxSteps(50);
    KvSharedParamSetManager* manager = KvSharedParamSetManager::getCurrentMgr();
    auto* set = KvSharedParamSet::cast(manager->createObject("mesh"));
    KvParamSet params;
    params.add("size", "cell size", "0.5");
    set->setParams(params);

    std::vector<KvRefPtr<Entity>> entities;
    std::vector<std::unique_ptr<Panel>> panels;
    for (const char* name : {"inlet", "outlet", "wall"}) {
        entities.emplace_back(new Entity);
        entities.back()->setName(name);
        entities.back()->getParamSetAttr(true)->attachParamSet("", set);
        panels.emplace_back(new Panel(name));
        set->addObserver(panels.back().get());
    }
    KvUndo::mark("Set up");
    KvRefObjectSet users;
    set->getEntities(users);
    std::cout << "The set " << set->getName() << " is used by " << users.size() << " entities:";
    for (KvRefObject* user : users)
        std::cout << " " << KvAttributedObject::cast(user)->name();
    std::cout << "\n";

    std::cout << "The user changes the cell size once, to 0.25:\n";
    params.setValue("size", "0.25");
    set->setParams(params);
    KvActionQueue::process();
    KvUndo::mark("Change mesh size");

    std::cout << "Undo:\n";
    KvUndo::undo();
    KvActionQueue::process();

    for (auto& panel : panels)
        set->removeObserver(panel.get());
    entities.clear();
    KvUndo::setMaxSteps(0);
    manager->deleteObjects();
    KvActionQueue::process();
}
