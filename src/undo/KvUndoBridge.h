#pragma once

#include <KvFollowsNothing.h>
#include <KvUndoObject.h>

// Records undo states on behalf of an object that is not an undo object
// itself. A concrete bridge lives beside its object, answers getObject(), and
// writes its states back into that object. Observers of the bridged object,
// not of the bridge, hear about restores.
class KV_BASE_EXPORT KvUndoBridge : public KvFollowsNothing<KvUndoObject> {
    KV_TYPE_HEADER(KvUndoBridge)
public:
    KvUndoBridge();
    KvUndoBridge(const KvUndoBridge& o);
    ~KvUndoBridge() override;
    KvUndoBridge& operator=(const KvUndoBridge& o);

    bool canUndo() const override { return true; }

    // The object on whose behalf the bridge records states.
    virtual KvGenre* getObject() const = 0;

    // The bridged object of the bridge that `ref` names; null when the
    // referenced object is no bridge.
    static KvGenre* dereference(const KvUndoReference& ref);

protected:
    // For recreateObject(): not registered.
    explicit KvUndoBridge(const KvUndoState& state);

    void signalUndoChange() override;
    void restoreState(const KvUndoState& state);
    void postRestoreState(const KvUndoState& state);
};
