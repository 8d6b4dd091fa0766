#pragma once

// The containers of framework entities, with their undo form: a list of undo
// references, one per element in container order, that survives the deletion
// and re-creation of the entities by undo and redo.
//
// Each is declared in a header of its own:
//   KV_FRAMEWORK_ENTITY_CONTAINER(KvFrameworkEntityArray1, RefArray, false);

#include <KvFrameworkEntity.h>
#include <KvRefContainers.h>
#include <KvUndoBridge.h>
#include <KvUndoReference.h>
#include <KvVector.h>

#include <type_traits>

template <class Self>
class KvFrameworkEntityReferences {
public:
    // `out` becomes the elements' undo references (null for a null element).
    void reference(kv::vector<KvUndoReference>& out) const {
        const Self& self = static_cast<const Self&>(*this);
        out.clear();
        out.reserve(self.size());
        for (const KvFrameworkEntity* e : self)
            out.push_back(e ? e->reference() : KvUndoReference());
    }

    // `c` becomes the entities that `refs` name now, in order; an entity that
    // no longer exists gives a null element.
    static void dereference(Self& c, const kv::vector<KvUndoReference>& refs) {
        using Array = kv::RefArray<KvFrameworkEntity, Self::isConstForm, typename Self::bases>;
        c.clear();
        for (const KvUndoReference& ref : refs) {
            KvFrameworkEntity* e = KvFrameworkEntity::cast(KvUndoBridge::dereference(ref));
            if constexpr (std::is_base_of<Array, Self>::value)
                c.push_back(e);
            else
                c.insert(e);
        }
    }
};

#define KV_FRAMEWORK_ENTITY_CONTAINER(Name, Kind, Const)                                                     \
    class KV_BASE_EXPORT Name                                                                                \
        : public kv::Kind<KvFrameworkEntity, Const, kv::Bases<KvTSObject, KvAttributedObject, KvRefObject>>, \
          public KvFrameworkEntityReferences<Name> {                                                         \
    public:                                                                                                  \
        using Kind::Kind;                                                                                    \
        Name() = default;                                                                                    \
        Name(const Kind& o) : Kind(o) {}                                                                     \
    }
