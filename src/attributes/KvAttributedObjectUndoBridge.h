#pragma once

#include <KvUndoBridge.h>

class KvAttributedObject;
class KvAttributedObjectState;

// Stands for an attributed object in the undo engine. The object creates,
// observes and disposes of its bridge; each undo hook is passed on to it.
class KV_BASE_EXPORT KvAttributedObjectUndoBridge : public KvUndoBridge {
    KV_TYPE_HEADER(KvAttributedObjectUndoBridge)
public:
    explicit KvAttributedObjectUndoBridge(KvAttributedObject* obj);
    // Rebuilds the deleted object that `state` describes.
    explicit KvAttributedObjectUndoBridge(const KvAttributedObjectState& state);
    ~KvAttributedObjectUndoBridge() override;

    // Null once the object is gone.
    KvGenre* getObject() const override;
    KvAttributedObject* getAttributedObject() const { return object_; }
    KvUndoState* getState() const override;
    void prepareToSaveState() const override;
    void resetCachedValues() override;

protected:
    bool prerestore() override;
    void postrestore(bool prerestoreResult) override;
    void restoreState(const KvAttributedObjectState& state);

private:
    friend class KvAttributedObject;
    friend class KvAttributedObjectState;

    KvAttributedObjectUndoBridge();

    KvAttributedObject* object_ = nullptr;
};
