#include <KvActionQueue.h>
#include <KvObserverIterator.h>
#include <KvRefPtr.h>
#include <KvStaleObservers.h>
#include <KvTestObjects.h>
#include <KvTypes.h>

#include <gtest/gtest.h>

using namespace kvtest;

namespace {

class LifetimeTest : public ::testing::Test {
protected:
    void SetUp() override {
        Census<Counted>::reset();
        previous = KvTypes::setWarningHandler([this](const KvString& m) { warnings.push_back(m.str()); });
    }
    void TearDown() override {
        KvTypes::setWarningHandler(previous);
        KvActionQueue::process();
        EXPECT_EQ(KvStaleObservers::count(), 0u) << "every stale entry was dropped";
        expectAllDeleted<Counted>();
    }
    // The warnings posted since the last call.
    Log takeWarnings() { return std::exchange(warnings, {}); }
    Log warnings;
    KvTypes::WarningHandler previous;
};

// An observer that never takes itself off what it watches.
struct Careless : Recorder {
    using Recorder::Recorder;
    ~Careless() override { watched.clear(); }
};

// A careless observer that drops a source it did not sign up for, as
// observers should.
struct StrayDropping : Careless {
    using Careless::Careless;
    void handleUpdateAction(KvUpdateAction* a) override {
        if (std::find(watched.begin(), watched.end(), a->getSource()) == watched.end()) {
            ++strays;
            handleBadAction(a);
            return;
        }
        Careless::handleUpdateAction(a);
    }
    int strays = 0;
};
using CarelessAtOneAddress = AtOneAddress<StrayDropping>;

}  // namespace

TEST_F(LifetimeTest, AnObserverDeletedWhileRegisteredIsForgotten) {
    KvRefPtr<Counted> a(new Counted("a")), b(new Counted("b"));
    Recorder stays("stays");
    stays.watch(a.get());
    auto* gone = new Careless("gone");
    gone->watch(a.get());
    gone->watch(b.get());
    delete gone;
    EXPECT_EQ(KvStaleObservers::count(), 2u);

    // Iterating or notifying drops the stale entry; the others still hear.
    KvObserverIterator it(a.get());
    int seen = 0;
    for (it.first(); !it.isDone(); it.next())
        EXPECT_EQ(it.getCurrent(), &stays) << ++seen;
    a->updateObservers();
    EXPECT_EQ(stays.take(), (Log{"Update:a"}));
    EXPECT_EQ(a->getNumObservers(), 1u);
    EXPECT_EQ(KvStaleObservers::count(), 1u);
    // A list that dies drops its stale entries too (and the kept memory of
    // the observer goes with the last one: the leak check sees to it).
    b = nullptr;
    EXPECT_EQ(KvStaleObservers::count(), 0u);

    // A new object built where a dead observer was (here a fixed address)
    // takes its entries over: a delivery it did not ask for reaches it as a
    // stray, which takes it off that list; its own registrations are normal.
    auto* first = new CarelessAtOneAddress("first");
    first->watch(a.get());
    delete first;
    auto* second = new CarelessAtOneAddress("second");
    ASSERT_EQ(static_cast<void*>(second), CarelessAtOneAddress::slot());
    EXPECT_EQ(KvStaleObservers::count(), 0u);
    a->updateObservers();
    EXPECT_EQ(second->strays, 1);
    EXPECT_FALSE(a->isObserver(second));
    second->watch(a.get());
    a->updateObservers();
    EXPECT_EQ(second->take(), (Log{"Update:a"}));
    second->unwatch(a.get());
    delete second;
    EXPECT_EQ(KvStaleObservers::count(), 0u) << "its count matched its lists";
}

TEST_F(LifetimeTest, MisusesThatCannotBeForbiddenAreReported) {
    // A reference released twice: the count is not taken below what it was,
    // and the object is not destroyed by it.
    KvRefPtr<Counted> held(new Counted("held"));
    const std::string type = held->getTypeId().getName().str();
    held->unrefKeep();
    held->unref();
    EXPECT_EQ(takeWarnings(),
              (Log{type + ": unref() with a reference count of 0: a reference was released twice or never taken"}));
    EXPECT_FALSE(held->isDying());
    held->ref();
    held->ref();

    // Deleted by the queue while someone still holds it.
    Counted* gone = new Counted("gone");
    gone->ref();
    KvActionQueue::deleteLater(gone);
    KvActionQueue::deleteLater(gone);  // the second entry's reference is not a holder
    KvActionQueue::process();
    EXPECT_EQ(takeWarnings(), (Log{type + ": deleted while 1 references to it remain; hold a KvUndoReference, or let "
                                          "go on its purge"}));

    // Deleted directly while referenced (a stack object behind a KvRefPtr
    // goes the same way), or after destroy().
    Counted* direct = new Counted("direct");
    direct->ref();
    delete direct;
    EXPECT_EQ(takeWarnings(), (Log{"A reference object was deleted directly while 1 references to it remained: "
                                   "release them and let the last one destroy it"}));

    // The normal ways say nothing.
    held = nullptr;
    KvRefPtr<Counted> plain(new Counted("plain"));
    plain = nullptr;
    KvActionQueue::deleteLater(new Counted("unheld"));
    KvActionQueue::process();
    { Counted onStack("stack"); }
    EXPECT_TRUE(takeWarnings().empty());
}
