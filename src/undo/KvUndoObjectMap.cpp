#include <KvUndoObjectMap.h>

#include <algorithm>
#include <functional>
#include <iterator>

namespace {
bool byAddress(const KvUndoObjectMap::Entry& a, const KvUndoObjectMap::Entry& b) {
    return std::less<const KvUndoObject*>()(a.object, b.object);
}
}  // namespace

KvUndoObjectMap::Entry* KvUndoObjectMap::find(const KvUndoObject* obj) {
    if (!obj) return nullptr;
    uint32_t pos = index_.find(obj, [this](uint32_t i) { return keyAt(i); });
    return pos == KvUndoAddressIndex::npos ? nullptr : &dense_[pos];
}

KvUndoObjectMap::Entry* KvUndoObjectMap::insert(KvUndoObject* obj, KvUndoMonitor* monitor, bool isolated) {
    size_t pos = dense_.size();
    index_.insert(obj, static_cast<uint32_t>(pos), pos, [this](uint32_t i) { return keyAt(i); });
    dense_.push_back(Entry{obj, monitor, isolated, false, kResetUnknown});
    if (sortedPrefix_ == pos && (pos == 0 || byAddress(dense_[pos - 1], dense_[pos]))) ++sortedPrefix_;
    ++live_;
    fresh_.push_back(obj);
    trimFresh();
    return &dense_[pos];
}

void KvUndoObjectMap::trimFresh() {
    // Without walks (undo off) the list would grow with every object ever
    // made: keep only the live entries still to be asked.
    if (fresh_.size() <= 2 * live_ + 64) return;
    std::sort(fresh_.begin(), fresh_.end(), std::less<KvUndoObject*>());
    fresh_.erase(std::unique(fresh_.begin(), fresh_.end()), fresh_.end());
    fresh_.erase(std::remove_if(fresh_.begin(), fresh_.end(),
                                [this](KvUndoObject* o) {
                                    const Entry* e = find(o);
                                    return !e || e->reset != kResetUnknown;
                                }),
                 fresh_.end());
    if (fresh_.capacity() > 2 * fresh_.size() + 64) fresh_.shrink_to_fit();
}

KvUndoMonitor* KvUndoObjectMap::erase(Entry* e) {
    KvUndoMonitor* monitor = e->monitor;
    size_t pos = static_cast<size_t>(e - dense_.data());
    index_.erase(e->object, [this](uint32_t i) { return keyAt(i); });
    e->monitor = nullptr;
    --live_;
    if (pos + 1 == dense_.size() && walking_ == 0) {
        dense_.pop_back();
        if (sortedPrefix_ > dense_.size()) sortedPrefix_ = dense_.size();
    } else {
        e->dead = true;
        ++dead_;
        compactIfSparse();
    }
    if (walking_ == 0) {
        // A model that shrank gives back what its largest size needed.
        if (dense_.capacity() > 4 * dense_.size() + 256) dense_.shrink_to_fit();
        if (index_.capacity() > 16 * live_ + 256)
            index_.rebuild(dense_.size(), [this](uint32_t i) { return keyAt(i); });
        trimFresh();
        if (live_ == 0) std::vector<KvUndoObject*>().swap(resettable_);
    }
    return monitor;
}

void KvUndoObjectMap::compactIfSparse() {
    if (walking_ == 0 && dead_ > 64 && dead_ > live_) normalize();
}

void KvUndoObjectMap::normalize() {
    if (walking_ > 0) return;
    if (dead_ == 0 && sortedPrefix_ == dense_.size()) return;
    // Drop dead entries, keeping the order of the sorted run and the tail.
    size_t out = 0, prefix = 0;
    for (size_t i = 0; i < dense_.size(); ++i) {
        if (dense_[i].dead) continue;
        if (i < sortedPrefix_) ++prefix;
        dense_[out++] = dense_[i];
    }
    dense_.resize(out);
    dead_ = 0;
    auto mid = dense_.begin() + static_cast<std::ptrdiff_t>(prefix);
    std::sort(mid, dense_.end(), byAddress);
    std::inplace_merge(dense_.begin(), mid, dense_.end(), byAddress);
    sortedPrefix_ = dense_.size();
    if (dense_.capacity() > 2 * dense_.size() + 64) dense_.shrink_to_fit();
    index_.rebuild(dense_.size(), [this](uint32_t i) { return keyAt(i); });
}

std::vector<KvUndoObjectMap::Entry> KvUndoObjectMap::takeAll() {
    std::vector<Entry> out;
    out.reserve(live_);
    for (const Entry& e : dense_)
        if (!e.dead) out.push_back(e);
    dense_.clear();
    dense_.shrink_to_fit();
    index_.clear();
    sortedPrefix_ = live_ = dead_ = 0;
    fresh_ = std::vector<KvUndoObject*>();
    resettable_ = std::vector<KvUndoObject*>();
    return out;
}

std::vector<KvUndoObject*> KvUndoObjectMap::takeResetCandidates() {
    std::less<KvUndoObject*> before;
    std::vector<KvUndoObject*> fresh;
    fresh.swap(fresh_);
    std::sort(fresh.begin(), fresh.end(), before);
    std::vector<KvUndoObject*> out;
    out.reserve(fresh.size() + resettable_.size());
    std::merge(fresh.begin(), fresh.end(), resettable_.begin(), resettable_.end(), std::back_inserter(out), before);
    out.erase(std::unique(out.begin(), out.end()), out.end());
    resettable_.clear();
    return out;
}
