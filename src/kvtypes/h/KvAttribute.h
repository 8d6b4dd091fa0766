#pragma once

#include <KvParam.h>
#include <KvString.h>
#include <KvTypesExport.h>

#include <functional>
#include <iosfwd>
#include <utility>

class KvElement;

// One attribute of a schema element (KvElement): its name, value type,
// whether it is required, a default, the allowed values, an optional extra
// validator, and the value given to it since the last reset().
//
// Value types: "string" (anything), "integer", "real", "boolean" (true/false,
// yes/no, on/off, 1/0) and "enum" (one of the allowed values). A non-empty
// list of allowed values restricts every type.
class KV_TYPES_EXPORT KvAttribute {
public:
    using Validator = std::function<bool(const KvString& value)>;

    KvAttribute(KvElement* element, const KvString& name, const KvString& type = "string", bool required = false);
    KvAttribute(const KvAttribute&) = delete;
    KvAttribute& operator=(const KvAttribute&) = delete;
    virtual ~KvAttribute();

    // The element that holds the attribute (set again when an element adds it).
    KvElement* getElement() const { return element_; }
    const KvString& getName() const { return name_; }
    const KvString& getType() const { return type_; }
    bool isRequired() const { return required_; }
    void setRequired(bool required) { required_ = required; }

    const KvString& getDefault() const { return default_; }
    void setDefault(const KvString& value) { default_ = value; }
    const KvStringArray& getAllowedValues() const { return allowed_; }
    void setAllowedValues(const KvStringArray& values) { allowed_ = values; }
    void setValidator(Validator validator) { validator_ = std::move(validator); }

    bool isValid(const KvString& value) const;
    // Stores a valid value; false (and no change) for an invalid one.
    bool setValue(const KvString& value);
    bool hasValue() const { return hasValue_; }
    // The value given, or the default.
    const KvString& getValue() const { return hasValue_ ? value_ : default_; }
    // Forgets the value given.
    void reset();

    // A copy for another element: definition and value; not added to it.
    virtual KvAttribute* clone(KvElement* newElement) const;
    // One empty XML tag, indented by two blanks per level.
    virtual std::ostream& toXml(std::ostream& os, int indent) const;

private:
    KvElement* element_;
    KvString name_;
    KvString type_;
    bool required_;
    KvString default_;
    KvStringArray allowed_;
    Validator validator_;
    KvString value_;
    bool hasValue_ = false;

    friend class KvElement;
};
