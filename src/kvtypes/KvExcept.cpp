#include <KvExcept.h>

KvExcept::KvExcept(const KvString& message) : message_(message) {}
KvExcept::KvExcept(const char* message) : message_(message) {}

KvExcept KvExcept::allocError() { return KvExcept("Out of memory"); }

KvExcept KvExcept::boundsError(const char* where) {
    return KvExcept(KvString(where ? where : "") + ": index out of range");
}
