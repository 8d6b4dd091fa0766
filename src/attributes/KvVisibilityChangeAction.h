#pragma once

#include <KvDelayedFunction.h>
#include <KvRefPtr.h>

#include <cstddef>

class KvVisibilityAttribute;

// Tells the active visibility manager, once a whole undo step is restored,
// that the owners of an attribute changed visibility.
class KV_BASE_EXPORT KvVisibilityChangeAction : public KvDelayedFunction {
public:
    KvVisibilityChangeAction(size_t oldLayer, KvVisibilityAttribute* attribute);
    void execute() override;

protected:
    ~KvVisibilityChangeAction() override;

private:
    size_t oldLayer_;
    KvRefPtr<KvVisibilityAttribute> attribute_;
};
