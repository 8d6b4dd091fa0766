#pragma once

#include <KvString.h>
#include <KvTypesExport.h>

#include <exception>

// The one exception type of the libraries: a fixed, readable message.
class KV_TYPES_EXPORT KvExcept : public std::exception {
public:
    explicit KvExcept(const KvString& message);
    explicit KvExcept(const char* message);

    const char* what() const noexcept override { return message_.getString(); }
    const KvString& getMessage() const { return message_; }

    static KvExcept allocError();
    // "<where>: index out of range"
    static KvExcept boundsError(const char* where);

private:
    KvString message_;
};
