#pragma once

#include <KvAction.h>
#include <KvRefPtr.h>

class KvMapper;

// An action that may carry a mapper from the source's old state to its new.
class KV_BASE_EXPORT KvMapperAction : public KvAction {
public:
    KvMapperAction(KvObservedObject* source, const KvMapper* mapper);
    KvMapperAction(const KvMapperAction& o);
    KvString getClassName() override { return "MapperAction"; }
    const KvMapper* getMapper() const { return mapper_.get(); }

protected:
    ~KvMapperAction() override;

private:
    KvRefPtr<const KvMapper> mapper_;
};
