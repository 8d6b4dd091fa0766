#pragma once

#include <KvBase.h>
#include <KvElement.h>
#include <KvGenre.h>
#include <KvString.h>
#include <KvVector.h>

#include <iosfwd>

// One element of the schema that describes the input of overset grid
// assembly. Adds to the generic schema element a factory for the schema
// reader, a copy under another parent, the evaluation of conditional
// attribute rules and the element's own XML form.
class KV_BASE_EXPORT KvOversetElement : public KvElement, public KvGenre {
    KV_TYPE_HEADER(KvOversetElement)

public:
    KvOversetElement(KvElement* parent, const KvString& name);
    // Copies the element part; the copy has no parent and no children.
    KvOversetElement(const KvOversetElement& other);
    KvOversetElement& operator=(const KvOversetElement& other);
    ~KvOversetElement() override;

    // The schema reader's factory for elements of this kind.
    static KvElement* create(KvElement* parent, KvString name);

    // A new element under `newParent` with this element's name, flags,
    // properties, rules, notes, annotations and attributes, but no children.
    // The attributes of this element lose their values (reset) as they are
    // handed over.
    KvOversetElement* clone(KvOversetElement* newParent);

    // The names of the attributes that become required when attribute `name`
    // takes `value`, from rules of the form
    //   if(name=regex(pattern)): required a b
    // in the first entry of the conditionals.
    kv::vector<KvString> evaluateAttributeConditionals(const KvString& name, const KvString& value) const;

    // The element as XML: the opening tag with its flags and properties,
    // its attributes, its children, the closing tag.
    std::ostream& toXml(std::ostream& os) const;
    using KvElement::toXml;
};
