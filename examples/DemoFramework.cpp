#include "DemoFramework.h"
#include "DemoSite.h"

#include <KvActionQueue.h>
#include <KvFollowsNothing.h>
#include <KvFrameworkEntity.h>
#include <KvFrameworkEntityInstance.h>
#include <KvFrameworkPath.h>
#include <KvPurgeAction.h>
#include <KvUpdateAction.h>

#include <algorithm>
#include <iostream>
#include <string>
#include <vector>

namespace {

// A database or a part placed in one, each with its own offset.
class Site : public DemoSite {
public:
    Site(std::string name, double dx, double dy) : DemoSite(std::move(name)), dx_(dx), dy_(dy) {}

    void takeAway(Site* part) {
        children_.erase(std::remove(children_.begin(), children_.end(), part), children_.end());
        std::cout << "  '" << name_ << "' no longer holds '" << part->name_ << "'\n";
        updateObservers();
    }
    KvXformMatrix getFrameworkXform() const override { return KvXformMatrix::translation(dx_, dy_, 0); }

private:
    double dx_, dy_;
};

// An entity at the origin of the site it lives in.
using Pump = DemoSiteEntity;

// Keeps an instance and says what happens to it.
class Display : public KvFollowsNothing<KvObject> {
public:
    Display(std::string name, KvFrameworkEntityInstance* instance) : name_(std::move(name)), instance_(instance) {
        instance->addObserver(this);
        show();
    }
    ~Display() override {
        if (instance_) instance_->removeObserver(this);
    }
    void show() const {
        double origin[3] = {0, 0, 0};
        instance_->getXform().transformPoint(origin);
        std::cout << "  " << name_ << ": the pump through " << instance_->getPath() << " stands at (" << origin[0]
                  << ", " << origin[1] << ")" << (instance_->isOutdated() ? ", outdated" : "") << "\n";
    }
    void handleUpdateAction(KvUpdateAction*) override {
        std::cout << "  " << name_ << " hears: its instance changed (path now " << instance_->getPath() << ")\n";
    }
    void handlePurgeAction(KvPurgeAction*) override {
        std::cout << "  " << name_ << " hears: its instance is gone\n";
        instance_->removeObserver(this);
        instance_ = nullptr;
    }

private:
    std::string name_;
    KvRefPtr<KvFrameworkEntityInstance> instance_;
};

}  // namespace

void demoFramework() {
    std::cout << "\n== Frameworks, paths and instances\n";
    KvRefPtr<Site> plant(new Site("plant", 0, 0));
    auto* hall = new Site("hall", 100, 0);
    auto* bay = new Site("bay", 0, 20);
    plant->place(hall);
    hall->place(bay);
    plant->place(bay);  // the bay is also reached straight from the plant
    KvRefPtr<Pump> pump(new Pump(bay));

    KvFrameworkPath throughHall, direct;
    throughHall.set({plant.get(), hall, bay});
    direct.set({plant.get(), bay});
    std::cout << "The pump lives in the bay; the bay is reached two ways:\n";
    {
        Display first("display 1", KvFrameworkEntityInstance::get(throughHall, pump.get()));
        Display second("display 2", KvFrameworkEntityInstance::get(direct, pump.get()));
        KvFrameworkPath again;
        again.set({plant.get(), hall, bay});
        std::cout << "  the same chain built again gives the same instance: "
                  << (KvFrameworkEntityInstance::find(again, pump.get()) ==
                              KvFrameworkEntityInstance::find(throughHall, pump.get())
                          ? "yes"
                          : "no")
                  << "\n";

        std::cout << "The hall is taken out of the plant:\n";
        throughHall.clear();
        direct.clear();
        again.clear();
        plant->takeAway(hall);
        first.show();
        second.show();
    }
    pump = nullptr;
    plant = nullptr;
    KvActionQueue::process();
    std::cout << "  instances left: " << KvFrameworkEntityInstance::getNumInstances() << "\n";
}
