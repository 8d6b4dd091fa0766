#pragma once

#include <KvString.h>
#include <KvTypesExport.h>
#include <KvVector.h>

#include <type_traits>

using KvStringArray = kv::vector<KvString>;

// One named parameter.
//
// The value is kept as text; numbers and booleans are stored in a canonical
// text form and read back through the typed accessors, so a parameter passes
// unchanged through every text-only channel (files, scripts, key-value lists).
//
// The definition is a list of strings: the description first, then whatever
// the application attaches (allowed values, ranges, units ...). Keeping the
// description inside the definition means it is saved and compared with it.
class KV_TYPES_EXPORT KvParam {
public:
    KvParam() = default;
    explicit KvParam(const KvString& name) : name_(name) {}
    KvParam(const KvString& name, const KvString& description, const KvString& value);
    KvParam(const KvString& name, const KvString& description, const char* value)
        : KvParam(name, description, KvString(value)) {}
    KvParam(const KvString& name, const KvString& description, double value);
    KvParam(const KvString& name, const KvString& description, bool value);
    template <class T, std::enable_if_t<std::is_integral<T>::value && !std::is_same<T, bool>::value, int> = 0>
    KvParam(const KvString& name, const KvString& description, T value) : KvParam(name) {
        setDescription(description);
        setValue(value);
    }

    const KvString& getName() const { return name_; }
    void setName(const KvString& name) { name_ = name; }

    // --- value
    const KvString& getValue() const { return value_; }
    void setValue(const KvString& text) { value_ = text; }
    void setValue(const char* text) { value_ = KvString(text); }
    void setValue(double value);
    void setValue(bool value) { value_ = KvString(value ? "true" : "false"); }
    template <class T, std::enable_if_t<std::is_integral<T>::value && !std::is_same<T, bool>::value, int> = 0>
    void setValue(T value) {
        if (std::is_signed<T>::value)
            value_ = KvString::number(static_cast<long long>(value));
        else
            value_ = KvString::number(static_cast<unsigned long long>(value));
    }

    // Each is true when the whole text reads as that kind. Numbers accept
    // surrounding blanks; booleans accept true/false, yes/no, on/off, 1/0 in
    // any letter case.
    bool getNumber(double& value) const;
    bool getInt(long long& value) const;
    bool getBool(bool& value) const;
    // The same with a fallback of 0 / false.
    double toDouble(bool* ok = nullptr) const;
    long long toInt(bool* ok = nullptr) const;
    bool toBool(bool* ok = nullptr) const;

    // --- definition
    const KvStringArray& getDefinition() const { return definition_; }
    void setDefinition(const KvStringArray& definition) { definition_ = definition; }
    // The first entry of the definition; empty when there is none.
    KvString getDescription() const;
    void setDescription(const KvString& description);

    // --- modified flag (set when the user changed the value)
    bool isModified() const { return modified_; }
    void setModified(bool modified) { modified_ = modified; }

    bool operator==(const KvParam& o) const {
        return name_ == o.name_ && value_ == o.value_ && modified_ == o.modified_ && definition_ == o.definition_;
    }
    bool operator!=(const KvParam& o) const { return !(*this == o); }

private:
    KvString name_;
    KvString value_;
    KvStringArray definition_;
    bool modified_ = false;
};
