#pragma once

// What every test builds on: a census of live instances, named objects, one
// recorder of deliveries and a plain counted reference object.

#include <KvAction.h>
#include <KvActionQueue.h>
#include <KvAttributeAction.h>
#include <KvAttributeItem.h>
#include <KvCosmeticAction.h>
#include <KvExcept.h>
#include <KvInfoAction.h>
#include <KvJoinAction.h>
#include <KvMultiObject.h>
#include <KvPurgeAction.h>
#include <KvRefObject.h>
#include <KvReplaceAction.h>
#include <KvSplitAction.h>
#include <KvUpdateAction.h>

#include <QDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace kvtest {

using Log = std::vector<std::string>;

// Instances of T made, deleted and alive, so that a test can check that each
// object was deleted exactly once. Classes call born() and died() themselves.
template <class T>
struct Census {
    inline static int made = 0;
    inline static int deleted = 0;
    inline static std::set<T*> all;
    static int live() { return made - deleted; }
    static void reset() { made = deleted = 0; }
    static void born(T* p) {
        ++made;
        all.insert(p);
    }
    static void died(T* p) {
        ++deleted;
        all.erase(p);
    }
};

// Every T made was deleted, exactly once.
template <class T>
void expectAllDeleted() {
    EXPECT_TRUE(Census<T>::all.empty());
    EXPECT_EQ(Census<T>::made, Census<T>::deleted);
}

// Destroys every T still alive, such as objects only a history kept; one may
// take others along, so the census is asked each time.
template <class T>
void destroyAll() {
    for (T* p : std::set<T*>(Census<T>::all))
        if (Census<T>::all.count(p)) p->destroy();
}

// `f` throws a KvExcept with exactly `message`.
inline void expectThrows(const char* message, const std::function<void()>& f) {
    try {
        f();
        ADD_FAILURE() << "expected KvExcept(\"" << message << "\")";
    } catch (const KvExcept& e) {
        EXPECT_STREQ(e.what(), message);
    }
}

// The texts of a list of messages or keys, in order.
inline Log toLog(const kv::vector<KvString>& list) {
    Log out;
    for (const KvString& s : list)
        out.push_back(s.getString());
    return out;
}

// ctest runs each test in a process of its own, several at once: the file name
// carries the test's name so that two tests never write the same file.
inline std::string tmpPath(const char* name) {
    QDir().mkpath(KV_TEST_TMPDIR);
    std::string prefix;
    if (const auto* test = ::testing::UnitTest::GetInstance()->current_test_info())
        prefix = std::string(test->test_suite_name()) + "." + test->name() + "-";
    return std::string(KV_TEST_TMPDIR) + "/" + prefix + name;
}

// Every instance lives at one address, so that a test can destroy one and
// build the next exactly where it was.
template <class T>
struct AtOneAddress : T {
    using T::T;
    static void* operator new(size_t) { return slot(); }
    static void operator delete(void*) {}
    static void* slot() {
        alignas(T) static unsigned char buf[sizeof(T) + 64];
        return buf;
    }
};

// The name under which the recorder writes a test object down.
struct Named {
    explicit Named(std::string n) : name(std::move(n)) {}
    virtual ~Named() = default;
    std::string name;
};

// A test object's name; "?" for other objects (and for one being destroyed).
inline std::string nameOf(const KvGenre* g) {
    if (!g) return "null";
    const Named* n = dynamic_cast<const Named*>(g);
    return n ? n->name : "?";
}

// An object class that ignores every action.
template <class Base>
class Quiet : public Base {
public:
    using Base::Base;
    void handleReplaceAction(KvReplaceAction*) override {}
    void handleSplitAction(KvSplitAction*) override {}
    void handleJoinAction(KvJoinAction*) override {}
    void handleUpdateAction(KvUpdateAction*) override {}
    void handlePurgeAction(KvPurgeAction*) override {}
};

// Writes down every delivery as "Kind:source", with ">other" for the
// replacement, multi-object or single object of a replace, split or join and
// "/item" for an attribute action; `shared`, when set, collects the entries of
// several recorders, as "name<-entry" when the recorder has a name, to show
// the order between them. `onAction` runs inside the
// delivery, after the entry is written. A recorder forgets a source that
// purges and stops observing what it watches when it dies, as observers must.
template <class Base>
class RecorderOf : public Base {
public:
    explicit RecorderOf(std::string n = "rec", Log* shared = nullptr) : name(std::move(n)), shared(shared) {}
    ~RecorderOf() override {
        for (KvObservedObject* o : watched)
            o->removeObserver(this);
    }
    void watch(KvObservedObject* obj) {
        if (obj->addObserver(this)) watched.push_back(obj);
    }
    void unwatch(KvObservedObject* obj) {
        obj->removeObserver(this);
        watched.erase(std::remove(watched.begin(), watched.end(), obj), watched.end());
    }
    Log take() { return std::exchange(log, {}); }
    // For a test to hand it an action from a source it may not follow.
    void dropIfStranger(KvAction* a) { this->handleBadAction(a); }

    void handleReplaceAction(KvReplaceAction* a) override { record("Replace", a, ">" + nameOf(a->getReplacement())); }
    void handleSplitAction(KvSplitAction* a) override { record("Split", a, ">" + nameOf(a->getMulti())); }
    void handleJoinAction(KvJoinAction* a) override { record("Join", a, ">" + nameOf(a->getSingle())); }
    void handleUpdateAction(KvUpdateAction* a) override { record("Update", a); }
    void handlePurgeAction(KvPurgeAction* a) override {
        unwatch(a->getSource());
        record("Purge", a);
    }
    void handleCosmeticAction(KvCosmeticAction* a) override { record("Cosmetic", a); }
    void handleInfoAction(KvInfoAction* a) override { record("Info", a); }
    void handleAttributeAction(KvAttributeAction* a) override {
        record("Attribute", a, "/" + nameOf(a->getAttribute()));
    }

    std::string name;
    Log* shared;
    Log log;
    std::vector<KvObservedObject*> watched;
    std::function<void(KvAction*)> onAction;

private:
    void record(const char* kind, KvAction* a, const std::string& extra = "") {
        std::string entry = std::string(kind) + ":" + nameOf(a->getSource()) + extra;
        if (shared) shared->push_back(name.empty() ? entry : name + "<-" + entry);
        log.push_back(std::move(entry));
        if (onAction) onAction(a);
    }
};

// An observer that takes no part in undo.
using Recorder = RecorderOf<KvObject>;

// A reference object with a name, counted by the census, with the protected
// hooks' calls counted and a hook of its own for its deletion.
class Counted : public Quiet<KvRefObject>, public Named {
public:
    explicit Counted(std::string n = "obj") : Named(std::move(n)) { Census<Counted>::born(this); }
    Counted(const Counted& o) : Quiet<KvRefObject>(o), Named(o.name) { Census<Counted>::born(this); }
    Counted& operator=(const Counted& o) {
        KvRefObject::operator=(o);
        return *this;
    }
    ~Counted() override {
        Census<Counted>::died(this);
        if (onDelete) onDelete();
    }

    int preNotifications = 0;
    int preDestroys = 0;
    std::function<void()> onDelete;

protected:
    void preNotification() override { ++preNotifications; }
    void preDestroy() override { ++preDestroys; }
};

// A test that must leave the queue idle and every Counted deleted.
class QueueFixture : public ::testing::Test {
protected:
    void SetUp() override { Census<Counted>::reset(); }
    void TearDown() override {
        KvActionQueue::process();
        EXPECT_EQ(KvActionQueue::getNumPending(), 0u);
        EXPECT_FALSE(KvActionQueue::isProcessing());
        expectAllDeleted<Counted>();
    }
};

}  // namespace kvtest
