#pragma once

#include <KvDelayedFunction.h>
#include <KvRefObjectArray1.h>

#include <cstdint>

class KvCloneMapper;

// Runs one pass of a clone mapper's commit or abandon inside the action
// queue, after the notifications queued before it.
class KV_BASE_EXPORT KvCloneMapperReplacer : public KvDelayedFunction {
public:
    enum Pass : uint32_t { MakeReplacements = 0, MakeTrueReplacements = 1, DiscardReplacements = 2 };

    KvCloneMapperReplacer(uint32_t pass, KvCloneMapper* mapper) : pass_(pass), mapper_(mapper) {}
    void execute() override;

protected:
    ~KvCloneMapperReplacer() override;

private:
    uint32_t pass_;
    KvCloneMapper* mapper_;  // not owned
    KvRefObjectArray1 objects_;
};
