#include "DemoStory.h"
#include "DemoSite.h"

#include <KvActionQueue.h>
#include <KvDataStore.h>
#include <KvEntityType.h>
#include <KvFrameworkEntity.h>
#include <KvFrameworkEntityArray1.h>
#include <KvFrameworkEntityInstance.h>
#include <KvFrameworkEntityInstanceSet.h>
#include <KvFrameworkPath.h>
#include <KvParamSetAttribute.h>
#include <KvRefObjectIOHandler.h>
#include <KvSharedParamSet.h>
#include <KvSharedParamSetManager.h>
#include <KvTSObjectGroup.h>
#include <KvUndo.h>

#include <QDir>

#include <algorithm>
#include <iomanip>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

// A site written as its name and the references to its children, so that a
// read rebuilds the tree.
class Site : public DemoSite {
    KV_TYPE_HEADER(Site)
public:
    explicit Site(std::string name = "") : DemoSite(std::move(name)) {}

    KvXformMatrix getFrameworkXform() const override { return KvXformMatrix::translation(10, 0, 0); }

    void write(KvDataStore& store) const {
        store.writeString("Name", KvString(name_));
        kv::vector<const KvGenre*> children;
        for (const KvRefPtr<DemoSite>& c : children_)
            children.push_back(c.get());
        store.writeReferenceArray("Children", children, true);
    }
    void read(const KvDataStore& store) {
        KvString name;
        store.readString("Name", name);
        name_ = name.str();
        kv::vector<KvGenre*> children;
        store.readReferenceArray("Children", children);
        for (KvGenre* c : children)
            if (Site* child = Site::cast(c)) place(child);
    }
};
KV_TYPE_SOURCE(Site, "StorySite", KvFrameworkBase)

// A part of the mesh, living in one site. Its name, colour and parameter sets
// are attributes, which the base class saves and reads.
class Part : public DemoSiteEntity {
    KV_TYPE_HEADER(Part)
public:
    explicit Part(Site* in) : DemoSiteEntity(in) {}
    explicit Part(const KvDataStore& store) : DemoSiteEntity(store) {
        KvGenre* site = nullptr;
        store.readReference("Site", site);
        site_ = Site::cast(site);
    }
    void save(KvDataStore& store) const override {
        KvFrameworkEntity::save(store);
        store.writeReference("Site", site_);
    }
};
KV_TYPE_SOURCE(Part, "StoryPart", KvFrameworkEntity)

class SiteHandler : public KvEntityType {
public:
    bool write(KvDataStore& store, const char* key, bool shared, const KvGenre* entity) override {
        const Site* site = Site::cast(entity);
        if (!site || !store.openSection(key, shared)) return false;
        site->write(store);
        return store.closeSection();
    }
    bool read(const KvDataStore& store, const char* key, KvGenre*& entity) override {
        entity = nullptr;
        if (!store.enterSection(key)) return false;
        auto* site = new Site;
        site->read(store);
        entity = site;
        return store.closeSection();
    }
};

// Everything the story keeps of one model, held by references.
struct Model {
    KvRefPtr<Site> plant;
    std::vector<KvRefPtr<Part>> parts;
    KvRefPtr<KvTSObjectGroup> group;
    std::vector<KvRefPtr<KvFrameworkEntityInstance>> instances;

    DemoSite* find(const std::string& name) const {
        std::vector<DemoSite*> todo{plant.get()};
        while (!todo.empty()) {
            DemoSite* s = todo.back();
            todo.pop_back();
            if (s->getFrameworkName().str() == name) return s;
            for (const KvRefPtr<DemoSite>& c : s->getChildren())
                todo.push_back(c.get());
        }
        return nullptr;
    }
    // The two ways down to the bay: through the hall, and straight.
    std::vector<KvFrameworkPath> paths() const {
        std::vector<KvFrameworkPath> out(2);
        out[0].set({plant.get(), find("hall"), find("bay")});
        out[1].set({plant.get(), find("bay")});
        return out;
    }
};

std::string describeSet(const KvAttributedObject* e) {
    const KvParamSetAttribute* attr = e->getParamSetAttr();
    kv::vector<KvSharedParamSet*> sets;
    if (attr) attr->getAttachedParamSets("", sets);
    if (sets.empty()) return "no set";
    KvString size;
    sets.front()->getParams().get("size", size);
    return "cell size " + size.str();
}

// The model in words, everything a reader would compare: sites, parts with
// their attributes, the group and the instances with their paths.
std::string describe(const Model& m) {
    std::ostringstream out;
    std::vector<const DemoSite*> todo{m.plant.get()};
    out << "sites:";
    while (!todo.empty()) {
        const DemoSite* s = todo.front();
        todo.erase(todo.begin());
        out << " " << s->getFrameworkName().getString() << "(" << s->getChildren().size() << ")";
        for (const KvRefPtr<DemoSite>& c : s->getChildren())
            if (std::find(todo.begin(), todo.end(), c.get()) == todo.end()) todo.push_back(c.get());
    }
    for (const KvRefPtr<Part>& p : m.parts) {
        KvColor c;
        p->getRGB(c);
        out << "\n    " << p->name().getString() << " in " << p->getFramework()->getFrameworkName().getString()
            << ", colour #" << std::hex << std::setw(6) << std::setfill('0') << (c.trgb() & 0xffffffu) << std::dec
            << ", " << describeSet(p.get());
    }
    out << "\n    group:";
    for (size_t i = 0; m.group && i < m.group->getObjectCount(); ++i)
        out << " " << m.group->getObject(i)->name().getString();
    // One line per path: the instances come path by path.
    for (size_t i = 0; i < m.instances.size(); ++i) {
        const KvFrameworkEntityInstance* fei = m.instances[i].get();
        if (i == 0 || fei->getPath() != m.instances[i - 1]->getPath()) out << "\n    through " << fei->getPath() << ":";
        double origin[3] = {0, 0, 0};
        fei->getXform().transformPoint(origin);
        out << " " << fei->getEntity()->name().getString() << " at (" << origin[0] << ", " << origin[1] << ")";
    }
    return out.str();
}

void takeInstances(Model& m) {
    for (const KvFrameworkPath& path : m.paths())
        for (const KvRefPtr<Part>& p : m.parts)
            if (KvFrameworkEntityInstance* fei = KvFrameworkEntityInstance::find(path, p.get()))
                m.instances.emplace_back(fei);
}

Model build() {
    Model m;
    m.plant = new Site("plant");
    auto* hall = new Site("hall");
    auto* bay = new Site("bay");
    m.plant->place(hall);
    m.plant->place(bay);
    hall->place(bay);

    KvSharedParamSet* mesh = KvSharedParamSet::cast(KvSharedParamSetManager::getCurrentMgr()->createObject("mesh"));
    KvParamSet params;
    params.add("size", "cell size", "0.5");
    mesh->setParams(params);

    const struct {
        const char* name;
        KvColor colour;
    } parts[] = {{"inlet", KvColor(0x0000ffu)}, {"pump", KvColor(0xff8000u)}, {"outlet", KvColor(0x00ff00u)}};
    KvFrameworkEntityArray1 members;
    for (const auto& p : parts) {
        m.parts.emplace_back(new Part(bay));
        m.parts.back()->setName(p.name);
        m.parts.back()->setRGB(p.colour);
        m.parts.back()->getParamSetAttr(true)->attachParamSet("", mesh);
        members.push_back(m.parts.back().get());
    }
    m.group = new KvTSObjectGroup(Part::getClassTypeId());
    m.group->addObjectList(members);
    for (const KvFrameworkPath& path : m.paths())
        for (const KvRefPtr<Part>& p : m.parts)
            KvFrameworkEntityInstance::get(path, p.get());
    takeInstances(m);
    return m;
}

bool save(const Model& m, const std::string& file) {
    KvDataStore store;
    if (!store.create(KvString(file))) return false;
    store.writeEntity("Plant", m.plant.get());
    store.openSection("Parts");
    for (size_t i = 0; i < m.parts.size(); ++i)
        store.writeEntity(std::to_string(i), m.parts[i].get());
    store.closeSection();
    store.writeEntity("Group", m.group.get());
    m.group->saveMembers("Members", store);
    KvSharedParamSetManager::save(store);
    KvFrameworkEntityInstance::saveAll("Instances", store, KvFrameworkEntityInstanceSet());
    return store.close();
}

// The file's sets arrive beside the ones in use, under fresh names.
bool load(Model& m, const std::string& file) {
    KvDataStore store;
    if (!store.open(KvString(file))) return false;
    KvSharedParamSetManager::loadStart(store);
    m.plant = Site::cast(store.readEntity("Plant"));
    if (store.enterSection("Parts")) {
        for (const KvString& key : store.listKeys())
            m.parts.emplace_back(Part::cast(store.readEntity(key)));
        store.closeSection();
    }
    m.group = KvTSObjectGroup::cast(store.readEntity("Group"));
    if (m.group) m.group->loadMembers("Members", store);
    const bool instances = KvFrameworkEntityInstance::load("Instances", store);
    KvSharedParamSetManager::loadFinish(true);
    if (!m.plant || !m.group || !instances || store.hasFailed()) {
        std::cout << "  the file could not be read: " << store.getErrorReport().getString() << "\n";
        return false;
    }
    takeInstances(m);
    return true;
}

void setCellSize(const Model& m, const char* size) {
    auto* set = const_cast<KvSharedParamSet*>(m.parts.front()->getParamSetAttr()->findAttachedByName("", "mesh"));
    KvParamSet params = set->getParams();
    params.setValue("size", size);
    set->setParams(params);
}

void showHistory() {
    kv::vector<KvString> undo, redo;
    KvUndo::getUndoList(undo);
    KvUndo::getRedoList(redo);
    std::cout << "  the history:";
    for (const KvString& step : undo)
        std::cout << " '" << step.getString() << "'";
    std::cout << (redo.empty() ? "" : " (and steps to redo)") << "\n";
}

}  // namespace

void demoStory() {
    std::cout << "\n== The whole story: build, save, read back, undo and redo\n";
    KvDataStore::addEntityType(Site::getClassTypeId(), new SiteHandler);
    KvDataStore::addEntityType(Part::getClassTypeId(), new KvRefObjectIOHandler<Part>);
    KvUndo::setMaxSteps(0);  // a fresh history for the story
    KvUndo::setMaxSteps(20);
    const std::string file = QDir(KV_DEMO_TMPDIR).filePath("story.kvd").toStdString();
    {
        Model original = build();
        KvUndo::mark("Build the model");
        std::cout << "A plant holds a hall and a bay; the bay is also in the hall. Three parts live in the bay,\n"
                     "each with a name, a colour and the shared set 'mesh'; a group holds all three, and each\n"
                     "part is seen through both paths to the bay:\n    "
                  << describe(original) << "\n";
        std::cout << "The user refines the mesh: cell size 0.25.\n";
        setCellSize(original, "0.25");
        KvActionQueue::process();
        KvUndo::mark("Refine the mesh");

        std::cout << "The model is saved to a file and read back into new objects.\n";
        Model copy;
        // What a read makes is the file's, not a step the user could undo.
        KvUndo::setIsolationMode(true);
        const bool read = save(original, file) && load(copy, file);
        KvUndo::setIsolationMode(false);
        const bool same = read && describe(copy) == describe(original) && copy.plant != original.plant;
        std::cout << "  read back " << copy.parts.size() << " parts and " << copy.instances.size()
                  << " instances: " << (same ? "the same model" : "NOT the same model") << "\n";
        if (!same) std::cout << "  read:\n    " << describe(copy) << "\n";
        showHistory();

        std::cout << "Undo the refinement: the original goes back to 0.5, the copy keeps what the file held:\n";
        KvUndo::undo();
        KvActionQueue::process();
        std::cout << "  original: " << describeSet(original.parts.front().get())
                  << "; copy: " << describeSet(copy.parts.front().get()) << "\n";
        std::cout << "Redo it:\n";
        KvUndo::redo();
        KvActionQueue::process();
        const bool sameAgain = describe(copy) == describe(original);
        std::cout << "  original: " << describeSet(original.parts.front().get()) << "; the two models are "
                  << (sameAgain ? "the same again" : "NOT the same") << "\n";
    }
    QDir().remove(QString::fromStdString(file));
    KvUndo::setMaxSteps(0);
    KvSharedParamSetManager::reset();
    KvActionQueue::process();
    std::cout << "  instances left: " << KvFrameworkEntityInstance::getNumInstances() << "\n";
}
