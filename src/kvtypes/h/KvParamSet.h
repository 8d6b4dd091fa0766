#pragma once

#include <KvParam.h>
#include <KvString.h>
#include <KvTypesExport.h>
#include <KvVector.h>

#include <cstddef>
#include <utility>

using KvKeyValue = std::pair<KvString, KvString>;
using KvKeyValueArray = kv::vector<KvKeyValue>;

// A named, ordered set of parameters with unique names. Lookups are by name;
// the order is the order of addition. Copies share their storage until one
// of them changes (kv::vector).
//
// Equality compares the parameters only, not the set's name: two sets that
// hold the same parameters are the same content under different names.
class KV_TYPES_EXPORT KvParamSet {
public:
    // copyValues(): which parameters of the source are taken ...
    enum CopyMode : int {
        CopyExisting = 0,  // only those this set already has
        CopyMissing = 1,   // only those this set lacks (added at the end)
        CopyAll = 2        // both
    };
    // ... and how (bits).
    enum CopyFlag : int {
        CopyModifiedOnly = 1,  // skip source parameters whose modified flag is clear
        CopyDefinitions = 2    // existing parameters also take the source's definition
    };

    KvParamSet() = default;
    explicit KvParamSet(const KvString& name) : name_(name) {}

    const KvString& name() const { return name_; }
    const KvString& getName() const { return name_; }
    void setName(const KvString& name) { name_ = name; }

    size_t size() const { return params_.size(); }
    bool isEmpty() const { return params_.isEmpty(); }
    // Removes every parameter; the name stays.
    void clear() { params_.clear(); }

    // Throws KvExcept for an index out of range.
    const KvParam& at(size_t index) const;
    const KvParam& operator[](size_t index) const { return at(index); }
    const KvParam* begin() const { return params_.begin(); }
    const KvParam* end() const { return params_.end(); }

    // Null / npos when there is no parameter of that name.
    const KvParam* find(const KvString& name) const;
    KvParam* find(const KvString& name);
    size_t indexOf(const KvString& name) const;
    bool contains(const KvString& name) const { return find(name) != nullptr; }

    // Appends; false (and no change) when the name is taken.
    bool add(const KvParam& param);
    template <class V>
    bool add(const KvString& name, const KvString& description, const V& value) {
        return add(KvParam(name, description, value));
    }
    bool add(const KvString& name, const KvString& description, const char* value) {
        return add(KvParam(name, description, value));
    }
    // Replaces the parameter of that name in place, or appends.
    void set(const KvParam& param);
    bool remove(const KvString& name);

    // Typed reads by name; false when absent or when the text is not of the kind.
    bool get(const KvString& name, KvString& value) const;
    bool get(const KvString& name, double& value) const;
    bool get(const KvString& name, long long& value) const;
    bool get(const KvString& name, bool& value) const;

    // Changes the value of an existing parameter and marks it modified when
    // the text changes; false when there is no such parameter.
    template <class V>
    bool setValue(const KvString& name, const V& value) {
        KvParam* p = find(name);
        if (!p) return false;
        KvParam changed(*p);
        changed.setValue(value);
        if (changed.getValue() != p->getValue()) {
            changed.setModified(true);
            *p = changed;
        }
        return true;
    }
    bool setValue(const KvString& name, const char* value) { return setValue(name, KvString(value)); }

    // --- modified flags
    bool isModified() const;  // any parameter
    bool isModified(const KvString& name) const;
    bool setModified(const KvString& name, bool modified);
    void clearModified();
    kv::vector<bool> getModifiedFlags() const;

    // --- flat forms, as written to files
    // (name, value) per parameter, in order.
    KvKeyValueArray asKeyValueArray() const;
    // One definition per parameter, in order.
    kv::vector<KvStringArray> getDefinitions() const;
    // True, with the definition, when the set is not empty and every
    // parameter has the same definition.
    bool getCommonDefn(KvStringArray& definition) const;
    // Replaces the parameters (not the name). `definitions` holds one entry
    // per pair, or a single entry common to all, or nothing; `modified` one
    // flag per pair or nothing. A name met twice keeps its last value.
    void fromKeyValueArray(const KvKeyValueArray& pairs, const kv::vector<KvStringArray>& definitions,
                           const kv::vector<bool>& modified);

    // Takes parameters of `from` by `mode` (CopyMode) and `flags` (CopyFlag
    // bits). An existing parameter takes the value and the modified flag.
    void copyValues(const KvParamSet& from, int mode, int flags);

    bool operator==(const KvParamSet& o) const { return params_ == o.params_; }
    bool operator!=(const KvParamSet& o) const { return !(*this == o); }
    // Equality including the set's name.
    bool isIdentical(const KvParamSet& o) const { return name_ == o.name_ && params_ == o.params_; }

private:
    KvString name_;
    kv::vector<KvParam> params_;
};
