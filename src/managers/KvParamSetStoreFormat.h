#pragma once

// The record of a parameter set's contents, shared by shared parameter sets
// and the local sets of parameter-set attributes: "Parameters" (key-value
// strings), "Modified" (flags) and either "CommonDefinition" or a section
// "Definitions" with one string list per parameter.

#include <KvDataStore.h>
#include <KvParamSet.h>

namespace kv::detail {

inline void writeParamSetContents(KvDataStore& store, const KvParamSet& params) {
    store.writeKeyValueArray("Parameters", params.asKeyValueArray());
    store.writeFlagArray("Modified", params.getModifiedFlags());
    KvStringArray common;
    if (params.getCommonDefn(common)) {
        store.writeStringArray("CommonDefinition", common);
        return;
    }
    if (!store.openSection("Definitions")) return;
    for (const KvParam& p : params)
        store.writeStringArray(p.getName(), p.getDefinition());
    store.closeSection();
}

// Leaves `params` as it is when the store holds no readable "Parameters".
inline void readParamSetContents(const KvDataStore& store, KvParamSet& params) {
    KvKeyValueArray pairs;
    if (!store.hasKey("Parameters") || !store.readKeyValueArray("Parameters", pairs)) return;
    kv::vector<bool> modified;
    if (store.hasKey("Modified")) store.readFlagArray("Modified", modified);
    kv::vector<KvStringArray> definitions;
    if (store.hasKey("CommonDefinition")) {
        KvStringArray common;
        if (store.readStringArray("CommonDefinition", common)) {
            // One list for all; a single parameter takes it as its own.
            definitions.push_back(common);
        }
    } else if (store.hasKey("Definitions") && store.enterSection("Definitions")) {
        for (const KvKeyValue& pair : pairs) {
            KvStringArray definition;
            store.readStringArray(pair.first, definition);
            definitions.push_back(definition);
        }
        store.closeSection();
    }
    params.fromKeyValueArray(pairs, definitions, modified);
}

}  // namespace kv::detail
