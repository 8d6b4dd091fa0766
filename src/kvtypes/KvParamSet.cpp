#include <KvParamSet.h>

#include <KvExcept.h>

const KvParam& KvParamSet::at(size_t index) const {
    if (index >= params_.size()) throw KvExcept::boundsError("KvParamSet::at");
    return params_[index];
}

size_t KvParamSet::indexOf(const KvString& name) const {
    const KvParam* b = params_.begin();
    for (const KvParam* p = b; p != params_.end(); ++p)
        if (p->getName() == name) return static_cast<size_t>(p - b);
    return kv::vector<KvParam>::npos;
}

const KvParam* KvParamSet::find(const KvString& name) const {
    size_t i = indexOf(name);
    return i == kv::vector<KvParam>::npos ? nullptr : params_.begin() + i;
}

KvParam* KvParamSet::find(const KvString& name) {
    size_t i = indexOf(name);
    return i == kv::vector<KvParam>::npos ? nullptr : &params_[i];
}

bool KvParamSet::add(const KvParam& param) {
    if (contains(param.getName())) return false;
    params_.push_back(param);
    return true;
}

void KvParamSet::set(const KvParam& param) {
    if (KvParam* p = find(param.getName()))
        *p = param;
    else
        params_.push_back(param);
}

bool KvParamSet::remove(const KvString& name) {
    size_t i = indexOf(name);
    if (i == kv::vector<KvParam>::npos) return false;
    params_.removeAt(i);
    return true;
}

bool KvParamSet::get(const KvString& name, KvString& value) const {
    const KvParam* p = find(name);
    if (!p) return false;
    value = p->getValue();
    return true;
}

bool KvParamSet::get(const KvString& name, double& value) const {
    const KvParam* p = find(name);
    return p && p->getNumber(value);
}

bool KvParamSet::get(const KvString& name, long long& value) const {
    const KvParam* p = find(name);
    return p && p->getInt(value);
}

bool KvParamSet::get(const KvString& name, bool& value) const {
    const KvParam* p = find(name);
    return p && p->getBool(value);
}

bool KvParamSet::isModified() const {
    for (const KvParam& p : params_)
        if (p.isModified()) return true;
    return false;
}

bool KvParamSet::isModified(const KvString& name) const {
    const KvParam* p = find(name);
    return p && p->isModified();
}

bool KvParamSet::setModified(const KvString& name, bool modified) {
    const KvParam* p = static_cast<const KvParamSet*>(this)->find(name);
    if (!p) return false;
    if (p->isModified() != modified) find(name)->setModified(modified);  // detaches only on change
    return true;
}

void KvParamSet::clearModified() {
    if (!isModified()) return;
    for (KvParam& p : params_)
        p.setModified(false);
}

kv::vector<bool> KvParamSet::getModifiedFlags() const {
    kv::vector<bool> out;
    out.reserve(params_.size());
    for (const KvParam& p : params_)
        out.push_back(p.isModified());
    return out;
}

KvKeyValueArray KvParamSet::asKeyValueArray() const {
    KvKeyValueArray out;
    out.reserve(params_.size());
    for (const KvParam& p : params_)
        out.push_back(KvKeyValue(p.getName(), p.getValue()));
    return out;
}

kv::vector<KvStringArray> KvParamSet::getDefinitions() const {
    kv::vector<KvStringArray> out;
    out.reserve(params_.size());
    for (const KvParam& p : params_)
        out.push_back(p.getDefinition());
    return out;
}

bool KvParamSet::getCommonDefn(KvStringArray& definition) const {
    if (params_.isEmpty()) return false;
    const KvStringArray& first = params_[0].getDefinition();
    for (const KvParam& p : params_)
        if (p.getDefinition() != first) return false;
    definition = first;
    return true;
}

void KvParamSet::fromKeyValueArray(const KvKeyValueArray& pairs, const kv::vector<KvStringArray>& definitions,
                                   const kv::vector<bool>& modified) {
    const size_t n = pairs.size();
    const bool common = definitions.size() == 1 && n != 1;
    const bool perParam = definitions.size() == n;
    KvParamSet built(name_);
    built.params_.reserve(n);
    for (size_t i = 0; i < n; ++i) {
        KvParam p(pairs[i].first);
        p.setValue(pairs[i].second);
        if (common)
            p.setDefinition(definitions[0]);
        else if (perParam)
            p.setDefinition(definitions[i]);
        if (modified.size() == n) p.setModified(modified[i]);
        built.set(p);
    }
    params_.swap(built.params_);
}

void KvParamSet::copyValues(const KvParamSet& from, int mode, int flags) {
    const bool takeExisting = mode == CopyExisting || mode == CopyAll;
    const bool takeMissing = mode == CopyMissing || mode == CopyAll;
    const KvParamSet source(from);  // `from` may be this set
    for (const KvParam& s : source) {
        if ((flags & CopyModifiedOnly) && !s.isModified()) continue;
        size_t i = indexOf(s.getName());
        if (i != kv::vector<KvParam>::npos) {
            if (!takeExisting) continue;
            const KvParam& mine = params_.at(i);
            KvParam updated(mine);
            updated.setValue(s.getValue());
            updated.setModified(s.isModified());
            if (flags & CopyDefinitions) updated.setDefinition(s.getDefinition());
            if (updated != mine) params_[i] = updated;
        } else if (takeMissing) {
            params_.push_back(s);
        }
    }
}
