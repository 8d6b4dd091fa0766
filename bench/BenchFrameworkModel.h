#pragma once

// The framework model of the benchmarks: a framework that holds its
// children, placed in its parent by a translation, and an entity that lives
// in one framework. Neither takes part in undo or cloning.

#include <KvFollowsNothing.h>
#include <KvFrameworkBase.h>
#include <KvFrameworkEntity.h>
#include <KvRefPtr.h>

#include <vector>

namespace kvbench {

class Framework : public KvFollowsNothing<KvFrameworkBase> {
public:
    void add(Framework* child) { children_.emplace_back(child); }
    const std::vector<KvRefPtr<Framework>>& getChildren() const { return children_; }

    KvXformMatrix getFrameworkXform() const override { return KvXformMatrix::translation(1, 0, 0); }
    void reservedFrameworkOp1() override {}
    KvString getFrameworkName() const override { return KvString("f"); }
    bool containsFramework(KvFrameworkBase* child) const override {
        for (const KvRefPtr<Framework>& c : children_)
            if (c.get() == child) return true;
        return false;
    }
    void reservedFrameworkOp2() override {}
    KvString registerEntityName(KvNameAttribute*, const KvString&, const KvString& name) override { return name; }
    void restoreEntityName(KvNameAttribute*, const KvString&, const KvString&) override {}
    KvAttributedObject* findEntity(const KvString&) const override { return nullptr; }
    KvString registerLegacyEntityName(KvNameAttribute*, const KvString& name) override { return name; }
    KvUndoState* getState() const override { return nullptr; }

private:
    std::vector<KvRefPtr<Framework>> children_;
};

class Entity : public KvFrameworkEntity {
public:
    explicit Entity(KvFrameworkBase* in = nullptr) : framework_(in) {}
    KvFrameworkBase* getFramework() const override { return framework_; }
    KvTSObject* getClone(KvCloneMapper&) override { return nullptr; }
    const KvTSObject* getClone(KvCloneMapper&) const override { return nullptr; }
    uint64_t getClonePriority() const override { return 1; }
    KvUndoState* getUndoState() const override { return nullptr; }

private:
    KvFrameworkBase* framework_;
};

}  // namespace kvbench
