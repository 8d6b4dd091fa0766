#include <KvParamSetAttribute.h>

#include <KvDataStore.h>
#include <KvJoinAction.h>
#include <KvMultiObject.h>
#include <KvParamSetAttributeState.h>
#include <KvParamSetStoreFormat.h>
#include <KvPurgeAction.h>
#include <KvReplaceAction.h>
#include <KvSharedParamSet.h>
#include <KvSplitAction.h>
#include <KvUpdateAction.h>

#include <algorithm>

KV_TYPE_SOURCE(KvParamSetAttribute, "ParamSetAttribute", KvAttributeItem)

namespace {

const char* const kSeparator = "@";
const char* const kDirect = "Direct";

using SetList = kv::vector<KvSharedParamSet*>;

}  // namespace

KvParamSetAttribute::KvParamSetAttribute() = default;

KvParamSetAttribute::KvParamSetAttribute(const KvParamSetAttribute& o)
    : KvAttributeItem(o), local_(o.local_), attached_(o.attached_) {
    observeAll();
}

KvParamSetAttribute::KvParamSetAttribute(const KvDataStore& store) {
    if (store.hasKey("ParamSets") && store.enterSection("ParamSets")) {
        const kv::vector<KvString> keys = store.listKeys();
        for (const KvString& key : keys) {
            if (!store.enterSection(key)) continue;
            KvParamSet params;
            kv::detail::readParamSetContents(store, params);
            local_[key] = params;
            store.closeSection();
        }
        store.closeSection();
    }
    if (store.hasKey("AttachedParamSets") && store.enterSection("AttachedParamSets")) {
        const kv::vector<KvString> keys = store.listKeys();
        for (const KvString& key : keys) {
            if (!store.enterSection(key)) continue;
            SetList& list = attached_[key == kDirect ? KvString("") : key];
            kv::vector<KvGenre*> refs;
            if (store.hasKey("SharedParamsSets") && store.readReferenceArray("SharedParamsSets", refs))
                for (KvGenre* g : refs)
                    if (KvSharedParamSet* set = KvSharedParamSet::cast(g)) list.push_back(set);
            store.closeSection();
        }
        store.closeSection();
    }
    observeAll();
}

KvParamSetAttribute::KvParamSetAttribute(const KvParamSetAttributeState& state)
    : KvAttributeItem(state), local_(state.getLocalSets()) {}

KvParamSetAttribute::~KvParamSetAttribute() {
    for (const auto& [prefix, list] : attached_)
        for (KvSharedParamSet* set : list)
            set->removeObserver(this);
}

void KvParamSetAttribute::observeAll() {
    for (const auto& [prefix, list] : attached_)
        for (KvSharedParamSet* set : list)
            set->addObserver(this);
}

KvUndoState* KvParamSetAttribute::getState() const { return new KvParamSetAttributeState(*this); }

KvAttributeItem* KvParamSetAttribute::duplicate() const { return new KvParamSetAttribute(*this); }

KvAttributeItem* KvParamSetAttribute::join(const kv::vector<const KvAttributeItem*>& others) const {
    auto* joined = new KvParamSetAttribute(*this);
    for (const KvAttributeItem* item : others)
        if (const KvParamSetAttribute* other = KvParamSetAttribute::cast(item)) joined->merge(*other);
    return joined;
}

void KvParamSetAttribute::merge(const KvParamSetAttribute& other) {
    for (const auto& [key, params] : other.local_) {
        auto it = local_.find(key);
        if (it == local_.end())
            local_[key] = params;
        else
            it->second.copyValues(params, 2, 0);
    }
    for (const auto& [prefix, theirs] : other.attached_) {
        SetList& mine = attached_[prefix];
        for (KvSharedParamSet* set : theirs) {
            if (mine.contains(set)) continue;
            mine.push_back(set);
            set->addObserver(this);
        }
    }
    attributeChanged(KvActionObject());
}

KvString KvParamSetAttribute::compoundKey(const KvString& prefix, const KvString& cls) {
    return prefix + kSeparator + cls;
}

// ------------------------------------------------------------ local sets

const KvParamSet& KvParamSetAttribute::params(const KvString& prefix, const KvString& cls) const {
    static const KvParamSet empty;
    auto it = local_.find(compoundKey(prefix, cls));
    return it == local_.end() ? empty : it->second;
}

void KvParamSetAttribute::setParams(const KvString& prefix, const KvString& cls, const KvParamSet& params) {
    local_[compoundKey(prefix, cls)] = params;
    attributeChanged(KvActionObject());
}

void KvParamSetAttribute::removeParams(const KvString& prefix, const KvString& cls) {
    local_.erase(compoundKey(prefix, cls));
    attributeChanged(KvActionObject());
}

void KvParamSetAttribute::clearModified(const KvString& prefix, const KvString& cls) {
    auto it = local_.find(compoundKey(prefix, cls));
    if (it != local_.end()) it->second.clearModified();
    attributeChanged(KvActionObject());
}

void KvParamSetAttribute::fillNames(const KvString& prefix, kv::set<KvString>& out) const {
    const KvString start = prefix + kSeparator;
    for (const auto& [key, params] : local_)
        if (key.startsWith(start)) out.insert(key.subString(start.length()));
}

void KvParamSetAttribute::fillNames(kv::map<KvString, kv::set<KvString>>& out) const {
    for (const auto& [key, params] : local_) {
        KvString prefix, cls;
        key.partition(kSeparator, prefix, cls);
        out[prefix].insert(cls);
    }
}

// ------------------------------------------------------------ attached sets

bool KvParamSetAttribute::isAttached(const KvSharedParamSet* set) const {
    for (const auto& [prefix, list] : attached_)
        if (list.contains(const_cast<KvSharedParamSet*>(set))) return true;
    return false;
}

void KvParamSetAttribute::attachParamSet(const KvString& prefix, KvSharedParamSet* set) {
    SetList& list = attached_[prefix];
    if (set && !list.contains(set)) {
        list.push_back(set);
        set->addObserver(this);
    }
    attributeChanged(KvActionObject());
}

void KvParamSetAttribute::attachExclusiveParamSet(const KvString& prefix, KvSharedParamSet* set) {
    if (!set) return;
    SetList& list = attached_[prefix];
    SetList kept, removed;
    for (KvSharedParamSet* s : list) {
        if (s != set && s->getClass() == set->getClass())
            removed.push_back(s);
        else
            kept.push_back(s);
    }
    list = kept;
    for (KvSharedParamSet* s : removed)
        if (!isAttached(s)) s->removeObserver(this);
    attachParamSet(prefix, set);
}

void KvParamSetAttribute::detachParamSet(const KvString& prefix, KvSharedParamSet* set) {
    if (!set) return;
    auto it = attached_.find(prefix);
    if (it != attached_.end()) {
        SetList& list = it->second;
        const size_t at = list.indexOf(set);
        if (at < list.size()) {
            list.removeAt(at);
            if (!isAttached(set)) set->removeObserver(this);
        }
    }
    attributeChanged(KvActionObject());
}

const KvSharedParamSet* KvParamSetAttribute::findAttachedByClass(const KvString& prefix, const KvString& cls) const {
    auto it = attached_.find(prefix);
    if (it == attached_.end()) return nullptr;
    for (KvSharedParamSet* set : it->second)
        if (set->getClass() == cls) return set;
    return nullptr;
}

const KvSharedParamSet* KvParamSetAttribute::findAttachedByName(const KvString& prefix, const KvString& name) const {
    auto it = attached_.find(prefix);
    if (it == attached_.end()) return nullptr;
    for (KvSharedParamSet* set : it->second)
        if (set->getName() == name) return set;
    return nullptr;
}

void KvParamSetAttribute::getAttachedParamSets(const KvString& prefix, kv::vector<KvSharedParamSet*>& out) const {
    auto it = attached_.find(prefix);
    out = it == attached_.end() ? SetList() : it->second;
}

void KvParamSetAttribute::getAttachedPrefixes(kv::vector<KvString>& out) const {
    out.clear();
    for (const auto& [prefix, list] : attached_)
        out.push_back(prefix);
}

void KvParamSetAttribute::getAttachedPrefixes(const KvSharedParamSet* set, kv::vector<KvString>& out) const {
    out.clear();
    for (const auto& [prefix, list] : attached_)
        if (list.contains(const_cast<KvSharedParamSet*>(set))) out.push_back(prefix);
}

void KvParamSetAttribute::fillAttachedNames(const KvString& prefix, const KvString& cls, kv::set<KvString>& out) const {
    auto it = attached_.find(prefix);
    if (it == attached_.end()) return;
    for (KvSharedParamSet* set : it->second)
        if (cls.isEmpty() || set->getClass() == cls) out.insert(set->getName());
}

// ------------------------------------------------------------ following the shared sets

void KvParamSetAttribute::handleUpdateAction(KvUpdateAction* action) {
    KvSharedParamSet* set = action ? KvSharedParamSet::cast(action->getSource()) : nullptr;
    if (!set || !isAttached(set)) handleBadAction(action);
}

void KvParamSetAttribute::handlePurgeAction(KvPurgeAction* action) {
    KvSharedParamSet* set = action ? KvSharedParamSet::cast(action->getSource()) : nullptr;
    bool found = false;
    if (set)
        for (auto& [prefix, list] : attached_)
            found = list.eraseAll(set) > 0 || found;
    if (found)
        set->removeObserver(this);
    else
        handleBadAction(action);
}

void KvParamSetAttribute::handleReplaceAction(KvReplaceAction* action) {
    KvSharedParamSet* source = action ? KvSharedParamSet::cast(action->getSource()) : nullptr;
    KvSharedParamSet* replacement = action ? KvSharedParamSet::cast(action->getReplacement()) : nullptr;
    bool found = false;
    if (source && replacement) {
        for (auto& [prefix, list] : attached_) {
            for (KvSharedParamSet*& s : list) {
                if (s != source) continue;
                s = replacement;
                found = true;
            }
        }
    }
    if (!found) {
        handleBadAction(action);
        return;
    }
    source->removeObserver(this);
    replacement->addObserver(this);
}

void KvParamSetAttribute::handleSplitAction(KvSplitAction* action) {
    KvSharedParamSet* source = action ? KvSharedParamSet::cast(action->getSource()) : nullptr;
    KvMultiObject* multi = action ? action->getMulti() : nullptr;
    if (!source || !multi) {
        handleBadAction(action);
        return;
    }
    SetList parts;
    for (size_t i = 0; i < multi->getNumObjects(); ++i)
        if (KvSharedParamSet* part = KvSharedParamSet::cast(multi->getObject(i))) parts.push_back(part);
    bool found = false;
    for (auto& [prefix, list] : attached_) {
        if (!list.contains(source)) continue;
        found = true;
        SetList rebuilt;
        for (KvSharedParamSet* s : list) {
            if (s != source) {
                rebuilt.push_back(s);
                continue;
            }
            for (KvSharedParamSet* part : parts)
                rebuilt.push_back(part);
        }
        list = rebuilt;
    }
    if (!found) {
        handleBadAction(action);
        return;
    }
    source->removeObserver(this);
    for (KvSharedParamSet* part : parts)
        part->addObserver(this);
}

void KvParamSetAttribute::handleJoinAction(KvJoinAction* action) {
    KvMultiObject* multi = action ? action->getMulti() : nullptr;
    KvSharedParamSet* joined = action ? KvSharedParamSet::cast(action->getSingle()) : nullptr;
    if (!joined && action) joined = KvSharedParamSet::cast(action->getSource());
    const bool anyAttached =
        std::any_of(attached_.begin(), attached_.end(), [](const auto& entry) { return !entry.second.empty(); });
    if (!multi || !joined || !KvSharedParamSet::cast(action->getSource()) || !anyAttached) {
        handleBadAction(action);
        return;
    }
    SetList parts;
    for (size_t i = 0; i < multi->getNumObjects(); ++i)
        if (KvSharedParamSet* part = KvSharedParamSet::cast(multi->getObject(i))) parts.push_back(part);
    for (auto& [prefix, list] : attached_) {
        SetList rebuilt;
        bool placed = false;
        for (KvSharedParamSet* s : list) {
            if (!parts.contains(s)) {
                rebuilt.push_back(s);
                continue;
            }
            if (!placed) rebuilt.push_back(joined);
            placed = true;
        }
        list = rebuilt;
    }
    for (KvSharedParamSet* part : parts)
        if (part != joined) part->removeObserver(this);
    joined->addObserver(this);
}

// ------------------------------------------------------------ store

void KvParamSetAttribute::save(KvDataStore& store) const {
    if (store.openSection("ParamSets")) {
        for (const auto& [key, params] : local_) {
            if (!store.openSection(key)) continue;
            if (!params.isEmpty()) kv::detail::writeParamSetContents(store, params);
            store.closeSection();
        }
        store.closeSection();
    }
    if (store.openSection("AttachedParamSets")) {
        for (const auto& [prefix, list] : attached_) {
            if (!store.openSection(prefix.isEmpty() ? KvString(kDirect) : prefix)) continue;
            if (!list.empty()) store.writeReferenceArray("SharedParamsSets", list);
            store.closeSection();
        }
        store.closeSection();
    }
}
