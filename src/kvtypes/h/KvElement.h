#pragma once

#include <KvAttribute.h>
#include <KvParam.h>
#include <KvString.h>
#include <KvTypesExport.h>
#include <KvVector.h>

#include <iosfwd>
#include <map>

// A node of a schema tree: a named element with three flags, string-list
// properties, conditional rules, choice lists, notes, annotations, required
// and optional attributes (KvAttribute) and child elements.
//
// An element made with a parent joins the parent's children; a parent
// deletes its children and its attributes with itself, and a child deleted
// on its own leaves its parent's list.
class KV_TYPES_EXPORT KvElement {
public:
    using StringListMap = std::map<KvString, KvStringArray>;
    using StringMap = std::map<KvString, KvString>;
    using AttributeMap = std::map<KvString, KvAttribute*>;
    // How a schema reader makes elements of a given kind.
    using Factory = KvElement* (*)(KvElement* parent, KvString name);

    KvElement(KvElement* parent, const KvString& name);
    // Copies name, flags, maps, notes and annotations and clones the
    // attributes; the copy has no parent and no children.
    KvElement(const KvElement& other);
    // The same, keeping this element's parent and children.
    KvElement& operator=(const KvElement& other);
    virtual ~KvElement();

    const KvString& getName() const { return name_; }
    void setName(const KvString& name) { name_ = name; }
    KvElement* getParent() const { return parent_; }
    const kv::vector<KvElement*>& getChildren() const { return children_; }
    // The first child of that name, or null.
    KvElement* findChild(const KvString& name) const;

    bool isOnlyOneAllowed() const { return onlyOneAllowed_; }
    void setOnlyOneAllowed(bool v) { onlyOneAllowed_ = v; }
    bool isDeprecated() const { return deprecated_; }
    void setDeprecated(bool v) { deprecated_ = v; }
    bool isHidden() const { return hidden_; }
    void setHidden(bool v) { hidden_ = v; }

    // Properties with several values (written joined by ";").
    StringListMap& properties() { return properties_; }
    const StringListMap& properties() const { return properties_; }
    // Rules that make attributes required depending on others (";").
    StringListMap& conditionals() { return conditionals_; }
    const StringListMap& conditionals() const { return conditionals_; }
    // Lists of alternatives (written joined by "|").
    StringListMap& choices() { return choices_; }
    const StringListMap& choices() const { return choices_; }
    KvStringArray& notes() { return notes_; }
    const KvStringArray& notes() const { return notes_; }
    StringMap& annotations() { return annotations_; }
    const StringMap& annotations() const { return annotations_; }

    // Takes ownership and files the attribute as required or optional by its
    // isRequired(). False, without taking it, when either map already holds
    // an attribute of that name or `attribute` is null.
    bool addAttribute(KvAttribute* attribute);
    // Deletes the attribute of that name; false when there is none.
    bool removeAttribute(const KvString& name);
    KvAttribute* getAttribute(const KvString& name) const;
    const AttributeMap& getRequiredAttributes() const { return required_; }
    const AttributeMap& getOptionalAttributes() const { return optional_; }

    // The element, its attributes and its children as XML, indented by two
    // blanks per level.
    virtual std::ostream& toXml(std::ostream& os, int indent) const;

    // `text` with & < > ' " replaced by entities.
    static KvString xmlEscape(const KvString& text);

protected:
    // The three string-list maps as XML attributes, in key order.
    std::ostream& writeListProperties(std::ostream& os) const;

private:
    void copyContents(const KvElement& other);
    void deleteAttributes();

    KvElement* parent_;
    KvString name_;
    bool onlyOneAllowed_ = false;
    bool deprecated_ = false;
    bool hidden_ = false;
    StringListMap properties_;
    StringListMap conditionals_;
    StringListMap choices_;
    KvStringArray notes_;
    StringMap annotations_;
    AttributeMap required_;
    AttributeMap optional_;
    kv::vector<KvElement*> children_;
};
