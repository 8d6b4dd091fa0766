#include <KvAttribute.h>

#include <KvElement.h>

#include <ostream>

KvAttribute::KvAttribute(KvElement* element, const KvString& name, const KvString& type, bool required)
    : element_(element), name_(name), type_(type), required_(required) {}

KvAttribute::~KvAttribute() = default;

bool KvAttribute::isValid(const KvString& value) const {
    KvParam probe;
    probe.setValue(value);
    const KvString& t = type_;
    if (t == KvString("integer")) {
        long long v;
        if (!probe.getInt(v)) return false;
    } else if (t == KvString("real")) {
        double v;
        if (!probe.getNumber(v)) return false;
    } else if (t == KvString("boolean")) {
        bool v;
        if (!probe.getBool(v)) return false;
    } else if (t == KvString("enum") && allowed_.isEmpty()) {
        return false;
    }
    if (!allowed_.isEmpty() && !allowed_.contains(value)) return false;
    return !validator_ || validator_(value);
}

bool KvAttribute::setValue(const KvString& value) {
    if (!isValid(value)) return false;
    value_ = value;
    hasValue_ = true;
    return true;
}

void KvAttribute::reset() {
    value_.setNull();
    hasValue_ = false;
}

KvAttribute* KvAttribute::clone(KvElement* newElement) const {
    auto* c = new KvAttribute(newElement, name_, type_, required_);
    c->default_ = default_;
    c->allowed_ = allowed_;
    c->validator_ = validator_;
    c->value_ = value_;
    c->hasValue_ = hasValue_;
    return c;
}

std::ostream& KvAttribute::toXml(std::ostream& os, int indent) const {
    for (int i = 0; i < indent; ++i)
        os << "  ";
    os << "<attribute name='" << KvElement::xmlEscape(name_) << "' type='" << KvElement::xmlEscape(type_) << "'";
    if (required_) os << " required='yes'";
    if (!default_.isNull()) os << " default='" << KvElement::xmlEscape(default_) << "'";
    if (!allowed_.isEmpty()) {
        os << " values='";
        for (size_t i = 0; i < allowed_.size(); ++i)
            os << (i ? "|" : "") << KvElement::xmlEscape(allowed_[i]);
        os << "'";
    }
    if (hasValue_) os << " value='" << KvElement::xmlEscape(value_) << "'";
    return os << "/>\n";
}
