#pragma once

#include <KvAction.h>
#include <KvMapper.h>
#include <KvRefPtr.h>

// An action that may carry a mapper from the source's old state to its new.
class KV_BASE_EXPORT KvMapperAction : public KvAction {
public:
    KvMapperAction(KvObservedObject* source, const KvMapper* mapper) : KvAction(source), mapper_(mapper) {}
    KvMapperAction(const KvMapperAction& o) = default;
    KvString getClassName() override;
    const KvMapper* getMapper() const { return mapper_.get(); }

protected:
    ~KvMapperAction() override = default;

private:
    KvRefPtr<const KvMapper> mapper_;
};
