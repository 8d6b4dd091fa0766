#pragma once

#include <KvString.h>
#include <KvTimeStamp.h>
#include <KvTypeId.h>
#include <KvTypesExport.h>

// Root of every typed class. Ordering: objects that are not time-stamped
// order by address; a time-stamped object against one that is not is
// unordered (false both ways).
class KV_TYPES_EXPORT KvGenre {
public:
    KvGenre() = default;
    KvGenre(const KvGenre&) = default;
    KvGenre& operator=(const KvGenre&) = default;

    static const KvTypeId& getClassTypeId();
    static void initType() { getClassTypeId(); }
    static KvGenre* cast(KvGenre* p) { return p; }
    static const KvGenre* cast(const KvGenre* p) { return p; }

    virtual bool isOfType(const KvTypeId& id) const;
    virtual const KvTypeId& getTypeId() const;
    virtual const KvTimeStamp& getCreationTimeStamp(bool& isStamped) const;
    virtual KvString getEntityDescription() const;
    virtual bool operator<(const KvGenre& other) const;
    virtual ~KvGenre();

protected:
    virtual bool isTimeStamped() const { return false; }
};
