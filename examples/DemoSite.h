#pragma once

#include <KvFollowsNothing.h>
#include <KvFrameworkBase.h>
#include <KvFrameworkEntity.h>
#include <KvRefPtr.h>

#include <algorithm>
#include <string>
#include <vector>

// A framework of the demonstration: a named site holding the sites placed in
// it. It observes nothing, keeps no undo state, and takes entity names as
// given: names and lookups are not what the scenes show.
class DemoSite : public KvFollowsNothing<KvFrameworkBase> {
public:
    explicit DemoSite(std::string name) : name_(std::move(name)) {}

    void place(DemoSite* child) { children_.emplace_back(child); }
    const std::vector<KvRefPtr<DemoSite>>& getChildren() const { return children_; }

    KvString getFrameworkName() const override { return KvString(name_); }
    bool containsFramework(KvFrameworkBase* f) const override {
        return std::find(children_.begin(), children_.end(), f) != children_.end();
    }
    KvString registerEntityName(KvNameAttribute*, const KvString&, const KvString& n) override { return n; }
    void restoreEntityName(KvNameAttribute*, const KvString&, const KvString&) override {}
    KvAttributedObject* findEntity(const KvString&) const override { return nullptr; }
    KvString registerLegacyEntityName(KvNameAttribute*, const KvString& n) override { return n; }
    void reservedFrameworkOp1() override {}
    void reservedFrameworkOp2() override {}
    KvUndoState* getState() const override { return nullptr; }

protected:
    std::string name_;
    std::vector<KvRefPtr<DemoSite>> children_;
};

// An entity living in one site. It is never cloned and keeps no undo state.
class DemoSiteEntity : public KvFrameworkEntity {
public:
    explicit DemoSiteEntity(DemoSite* in) : site_(in) {}
    explicit DemoSiteEntity(const KvDataStore& store) : KvFrameworkEntity(store) {}

    KvFrameworkBase* getFramework() const override { return site_; }
    KvTSObject* getClone(KvCloneMapper&) override { return nullptr; }
    const KvTSObject* getClone(KvCloneMapper&) const override { return nullptr; }
    uint64_t getClonePriority() const override { return 1; }
    KvUndoState* getUndoState() const override { return nullptr; }

protected:
    DemoSite* site_ = nullptr;
};
