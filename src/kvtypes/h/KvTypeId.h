#pragma once

#include <KvString.h>
#include <KvTypesExport.h>

// Run-time type identifier: a name and a parent. Identifiers with the same
// name are the same identifier (interned once per process), so equality is
// one pointer comparison and an identifier can be looked up by name.
class KV_TYPES_EXPORT KvTypeId {
public:
    KvTypeId() = default;                 // invalid
    explicit KvTypeId(const char* name);  // a root type
    KvTypeId(const char* name, const KvTypeId& parent);

    bool isValid() const { return d_ != nullptr; }
    bool operator==(const KvTypeId& o) const { return d_ == o.d_; }
    bool operator!=(const KvTypeId& o) const { return d_ != o.d_; }
    bool operator<(const KvTypeId& o) const;  // by name

    // True for this type and each of its ancestors.
    bool isOfType(const KvTypeId& type) const;
    KvTypeId getParent() const;
    KvString getName() const;
    // "Name < Parent < ... < Root"
    KvString describe() const;

    static KvTypeId lookup(const KvString& name);

    struct Data;
    const Data* data() const { return d_; }

private:
    explicit KvTypeId(const Data* d) : d_(d) {}
    const Data* d_ = nullptr;
};

KV_TYPES_EXPORT uint qHash(const KvTypeId& id, uint seed = 0);
