#pragma once

#include <KvTypeId.h>
#include <KvUndoObject.h>
#include <KvUndoState.h>

// A recorded value of the scalar datum class `Datum`.
template <class T, class Datum>
class KvUndoScalarDatumState : public KvUndoState {
public:
    explicit KvUndoScalarDatumState(T value) : KvUndoState(Datum::getClassTypeId()), value_(value) {}

    KvUndoObject* recreateObject() const override { return new Datum(value_); }
    // The state's object type is the datum class's.
    void restoreObject(KvUndoObject* obj) const override {
        if (obj && obj->isOfType(getObjectType())) static_cast<Datum*>(obj)->restoreValue(value_);
    }
    // Only states of one object are ever compared, so the class is not checked.
    bool isSame(const KvUndoState* other) const override {
        return other && static_cast<const KvUndoScalarDatumState*>(other)->value_ == value_;
    }

    T getValue() const { return value_; }

private:
    T value_;
};
