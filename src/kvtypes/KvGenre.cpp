#include <KvGenre.h>

#include <functional>

const KvTypeId& KvGenre::getClassTypeId() {
    static const KvTypeId id("Genre");
    return id;
}

bool KvGenre::isOfType(const KvTypeId& id) const { return id == getClassTypeId(); }
const KvTypeId& KvGenre::getTypeId() const { return getClassTypeId(); }

const KvTimeStamp& KvGenre::getCreationTimeStamp(bool& isStamped) const {
    static const KvTimeStamp none = KvTimeStamp::fromValue(0);
    isStamped = false;
    return none;
}

KvString KvGenre::getEntityDescription() const { return getTypeId().getName(); }

bool KvGenre::operator<(const KvGenre& other) const {
    if (isTimeStamped() || other.isTimeStamped()) return false;
    return std::less<const KvGenre*>()(this, &other);
}

KvGenre::~KvGenre() = default;
