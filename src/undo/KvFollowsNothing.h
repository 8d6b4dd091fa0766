#pragma once

#include <KvCosmeticAction.h>
#include <KvJoinAction.h>
#include <KvPurgeAction.h>
#include <KvReplaceAction.h>
#include <KvSplitAction.h>
#include <KvUpdateAction.h>

// The handlers of an undo object that observes nothing of its own accord:
// any action reaching it is a stray, which handleBadAction unsubscribes.
template <class Base>
class KvFollowsNothing : public Base {
public:
    using Base::Base;

    void handleCosmeticAction(KvCosmeticAction* action) override { this->handleBadAction(action); }
    void handleJoinAction(KvJoinAction* action) override { this->handleBadAction(action); }
    void handlePurgeAction(KvPurgeAction* action) override { this->handleBadAction(action); }
    void handleReplaceAction(KvReplaceAction* action) override { this->handleBadAction(action); }
    void handleSplitAction(KvSplitAction* action) override { this->handleBadAction(action); }
    void handleUpdateAction(KvUpdateAction* action) override { this->handleBadAction(action); }
};
