#pragma once

#include <KvBaseExport.h>

class KvFrameworkPath;

// The application's answer to "which framework path is active"; installed
// with KvFrameworkPath::setActivePathQuery.
class KV_BASE_EXPORT KvFrameworkPathQueryActive {
public:
    virtual ~KvFrameworkPathQueryActive() = default;
    virtual const KvFrameworkPath& queryActivePath() = 0;
};
