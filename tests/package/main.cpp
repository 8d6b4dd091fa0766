// Uses a few parts of libkvbase through its installed headers and checks the
// results; exits non-zero on the first surprise.

#include "UpdateRelay.h"

#include <KvBase.h>
#include <KvDataStore.h>
#include <KvRefObject.h>
#include <KvRefPtr.h>
#include <KvUndo.h>
#include <KvUndoIntDatum.h>

#include <QTemporaryDir>

#include <cstdio>

namespace {

class Block : public KvRefObject {
public:
    void touch() { updateObservers(); }
    void handleReplaceAction(KvReplaceAction*) override {}
    void handleSplitAction(KvSplitAction*) override {}
    void handleJoinAction(KvJoinAction*) override {}
    void handleUpdateAction(KvUpdateAction*) override {}
    void handlePurgeAction(KvPurgeAction*) override {}
};

int failures = 0;

void check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "consumer: FAILED: %s\n", what);
        ++failures;
    }
}

void observe() {
    UpdateRelay relay;
    Tally tally;
    QObject::connect(&relay, &UpdateRelay::updated, &tally, &Tally::onUpdated);
    QObject::connect(&relay, &UpdateRelay::purged, &tally, &Tally::onPurged);

    KvRefPtr<Block> block(new Block);
    block->addObserver(&relay);
    block->touch();
    block->touch();
    check(tally.last == 2, "two updates reach the Qt slot");
    block = nullptr;
    check(tally.sawPurge, "dropping the last reference tells the observer");
}

void undo() {
    auto* width = new KvUndoIntDatum(10);
    KvUndo::setMaxSteps(10);
    width->set(25);
    KvUndo::mark("Set width");
    KvUndo::undo();
    check(width->get() == 10, "undo restores the old value");
    KvUndo::redo();
    check(width->get() == 25, "redo brings the new value back");
    KvUndo::setMaxSteps(0);
    delete width;
}

void store() {
    QTemporaryDir dir;
    const KvString path(dir.filePath("consumer.kvs"));
    {
        KvDataStore out;
        check(out.create(path) && out.writeInt("cells", 4800) && out.close(), "write a store");
    }
    KvDataStore in;
    long long cells = 0;
    check(in.open(path) && in.readInt("cells", cells) && cells == 4800, "read the value back");
}

}  // namespace

int main() {
    KvBase::init();
    observe();
    undo();
    store();
    if (failures) return 1;
    std::puts("consumer: ok");
    return 0;
}
