#pragma once

#include <KvTypesExport.h>

#include <cstdint>

// Application-wide progress reporting through nested ranges. Values given to
// update() are fractions of the innermost range; the installed handler sees
// the overall fraction and may ask to cancel.
class KV_TYPES_EXPORT KvProgress {
public:
    class KV_TYPES_EXPORT Handler {
    public:
        virtual ~Handler();
        virtual void rangePushed(double /*begin*/, double /*end*/) {}
        virtual void rangePopped() {}
        // Overall fraction in [0, 1]; return true to ask for a cancel.
        virtual bool progress(double fraction) = 0;
    };

    static void setActive(Handler* handler);
    static Handler* getActive();

    static void pushRange(double begin, double end);
    // Pushes [begin, end] split into `count` items: `current` gets `begin`,
    // `step` the share of one item.
    static void pushRange(double begin, double end, uint64_t count, double& current, double& step);
    // `value` is a fraction of the innermost range. Returns true when the
    // user asked to cancel.
    static bool update(double value);
    static void popRange();
    static int getDepth();
};
