#include <KvOversetElement.h>

#include <KvAttribute.h>

#include <QRegExp>
#include <QString>

#include <ostream>
#include <utility>

KV_TYPE_SOURCE(KvOversetElement, "OversetElement", KvGenre)

KvOversetElement::KvOversetElement(KvElement* parent, const KvString& name) : KvElement(parent, name) {}

KvOversetElement::KvOversetElement(const KvOversetElement& other) : KvElement(other), KvGenre(other) {}

KvOversetElement& KvOversetElement::operator=(const KvOversetElement& other) {
    KvElement::operator=(other);
    return *this;
}

KvOversetElement::~KvOversetElement() = default;

KvElement* KvOversetElement::create(KvElement* parent, KvString name) { return new KvOversetElement(parent, name); }

KvOversetElement* KvOversetElement::clone(KvOversetElement* newParent) {
    auto* copy = new KvOversetElement(newParent, getName());
    copy->setOnlyOneAllowed(isOnlyOneAllowed());
    copy->setDeprecated(isDeprecated());
    copy->setHidden(isHidden());
    copy->properties() = properties();
    copy->conditionals() = conditionals();
    copy->choices() = choices();
    copy->notes() = notes();
    copy->annotations() = annotations();
    for (const AttributeMap* m : {&getRequiredAttributes(), &getOptionalAttributes()}) {
        for (const auto& entry : *m) {
            KvAttribute* attribute = entry.second->clone(copy);
            if (!copy->addAttribute(attribute)) delete attribute;
            entry.second->reset();
        }
    }
    return copy;
}

kv::vector<KvString> KvOversetElement::evaluateAttributeConditionals(const KvString& name,
                                                                     const KvString& value) const {
    kv::vector<KvString> result;
    if (conditionals().empty()) return result;
    const QString tested = name.toQString();
    const QString subject = value.toQString();
    QRegExp attributeRx("\\((\\w+)=");
    QRegExp patternRx("regex\\((\\S+)\\)\\):");
    QRegExp wordRx("(\\w+)");
    for (const KvString& rule : conditionals().begin()->second) {
        if (!rule.startsWith("if")) continue;
        const QString text = rule.toQString();
        if (attributeRx.indexIn(text) < 0 || attributeRx.cap(1) != tested) continue;
        if (patternRx.indexIn(text) < 0) continue;
        if (QRegExp(patternRx.cap(1)).indexIn(subject) < 0) continue;
        bool afterRequired = false;
        for (int pos = wordRx.indexIn(text); pos >= 0; pos = wordRx.indexIn(text, pos + wordRx.matchedLength())) {
            const QString word = wordRx.cap(1);
            if (afterRequired)
                result.push_back(KvString::fromQString(word));
            else
                afterRequired = word == QLatin1String("required");
        }
    }
    return result;
}

std::ostream& KvOversetElement::toXml(std::ostream& os) const {
    os << "<" << getName();
    if (isDeprecated()) os << " deprecated='yes'";
    if (isOnlyOneAllowed()) os << " only_one_allowed='yes'";
    writeListProperties(os) << ">\n";
    for (const AttributeMap* m : {&getRequiredAttributes(), &getOptionalAttributes()})
        for (const auto& entry : *m)
            entry.second->toXml(os, 0);
    for (const KvElement* child : getChildren())
        child->toXml(os, 0);
    return os << "</" << getName() << ">\n";
}
