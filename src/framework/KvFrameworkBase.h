#pragma once

#include <KvString.h>
#include <KvUndoRefObject.h>
#include <KvXformMatrix.h>

class KvAttributedObject;
class KvFrameworkBaseState;
class KvNameAttribute;

// A container of named entities: the application's databases, and the
// frameworks nested in them. A framework places itself in its parent with a
// transform, says which frameworks lie directly inside it, registers the names
// of the entities in it and finds them by name.
//
// One framework is the active one: new names are registered there, and the
// active framework path falls back to it. Nobody holds it through the active
// pointer: whoever makes a framework active clears the pointer before the
// framework goes.
class KV_BASE_EXPORT KvFrameworkBase : public KvUndoRefObject {
    KV_TYPE_HEADER(KvFrameworkBase)
public:
    ~KvFrameworkBase() override;

    // The transform that places this framework in its parent.
    virtual KvXformMatrix getFrameworkXform() const = 0;
    virtual void reservedFrameworkOp1() = 0;
    virtual KvString getFrameworkName() const = 0;
    // True while `child` lies directly inside this framework.
    virtual bool containsFramework(KvFrameworkBase* child) const = 0;
    virtual void reservedFrameworkOp2() = 0;
    // Registers `newName` for the entity that carries `attribute`, in place of
    // `oldName` (null for a first registration); returns the name given.
    virtual KvString registerEntityName(KvNameAttribute* attribute, const KvString& oldName,
                                        const KvString& newName) = 0;
    // Undo has put `restoredName` back in place of `oldName`.
    virtual void restoreEntityName(KvNameAttribute* attribute, const KvString& oldName,
                                   const KvString& restoredName) = 0;
    virtual KvAttributedObject* findEntity(const KvString& name) const = 0;
    // As registerEntityName, for a name read from a legacy file.
    virtual KvString registerLegacyEntityName(KvNameAttribute* attribute, const KvString& name) = 0;

    static KvFrameworkBase* getActive();
    // By name in the active framework; null without one.
    static KvAttributedObject* getEntity(const KvString& name);
    // In the active framework; without one the name passes unchanged.
    static KvString registerName(KvNameAttribute* attribute, const KvString& name);
    static KvString registerLegacyName(KvNameAttribute* attribute, const KvString& name);
    // Kept for the application; the library does not read it.
    static const KvString& getBaseName();
    static void setBaseName(const KvString& name);

protected:
    KvFrameworkBase();
    // For recreateObject(): not registered.
    explicit KvFrameworkBase(const KvFrameworkBaseState& state);
    static void setActive(KvFrameworkBase* framework);

    // The framework a name attribute is registered in (null for null).
    static KvFrameworkBase* getNameAttributeFramework(const KvNameAttribute* attribute);
    // Tells the attribute that this framework now holds, or no longer holds,
    // its name; nothing for null.
    void setWithNameAttribute(KvNameAttribute* attribute);
    void clearFromNameAttribute(KvNameAttribute* attribute);
};
