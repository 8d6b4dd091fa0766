#pragma once

// Objects for tests: instance-counted reference objects and an observer that
// records every action it receives, with hooks to act during a delivery.

#include <KvAction.h>
#include <KvCosmeticAction.h>
#include <KvInfoAction.h>
#include <KvJoinAction.h>
#include <KvPurgeAction.h>
#include <KvRefObject.h>
#include <KvReplaceAction.h>
#include <KvSplitAction.h>
#include <KvUpdateAction.h>

#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace kvtest {

// A reference object that counts its live instances and its deletions.
class Counted : public KvRefObject {
public:
    inline static int live = 0;
    inline static int deleted = 0;
    static void reset() { live = deleted = 0; }

    explicit Counted(std::string n = "obj") : name(std::move(n)) { ++live; }
    Counted(const Counted& o) : KvRefObject(o), name(o.name) { ++live; }
    Counted& operator=(const Counted& o) {
        KvRefObject::operator=(o);
        return *this;
    }
    ~Counted() override {
        --live;
        ++deleted;
        if (onDelete) onDelete();
    }

    void handleReplaceAction(KvReplaceAction*) override {}
    void handleSplitAction(KvSplitAction*) override {}
    void handleJoinAction(KvJoinAction*) override {}
    void handleUpdateAction(KvUpdateAction*) override {}
    void handlePurgeAction(KvPurgeAction*) override {}

    // Exposes the protected hooks' calls.
    int preNotifications = 0;
    int preDestroys = 0;
    std::string name;
    std::function<void()> onDelete;

protected:
    void preNotification() override { ++preNotifications; }
    void preDestroy() override { ++preDestroys; }
};

// Records "Kind:source" for every delivery; `onAction` runs inside the
// delivery, after the record is made.
class Recorder : public KvObject {
public:
    explicit Recorder(std::string n = "rec") : name(std::move(n)) {}

    std::vector<std::string> log;
    std::function<void(KvAction*)> onAction;
    std::string name;
    std::vector<std::string>* sharedLog = nullptr;  // for cross-observer order

    static std::string nameOf(const KvObservedObject* o) {
        if (auto* c = dynamic_cast<const Counted*>(o)) return c->name;
        return "?";
    }
    void record(const char* kind, KvAction* a) {
        std::string entry = std::string(kind) + ":" + nameOf(a->getSource());
        log.push_back(entry);
        if (sharedLog) sharedLog->push_back(name + "<-" + entry);
        if (onAction) onAction(a);
    }
    void handleReplaceAction(KvReplaceAction* a) override { record("Replace", a); }
    void handleSplitAction(KvSplitAction* a) override { record("Split", a); }
    void handleJoinAction(KvJoinAction* a) override { record("Join", a); }
    void handleUpdateAction(KvUpdateAction* a) override { record("Update", a); }
    void handlePurgeAction(KvPurgeAction* a) override { record("Purge", a); }
    void handleCosmeticAction(KvCosmeticAction* a) override { record("Cosmetic", a); }
    void handleInfoAction(KvInfoAction* a) override { record("Info", a); }

    // Makes the protected helper reachable from tests.
    void dropIfStranger(KvAction* a) { handleBadAction(a); }
};

using Log = std::vector<std::string>;

}  // namespace kvtest
