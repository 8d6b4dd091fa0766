#include <KvElement.h>

#include <ostream>

KvElement::KvElement(KvElement* parent, const KvString& name) : parent_(parent), name_(name) {
    if (parent_) parent_->children_.push_back(this);
}

KvElement::KvElement(const KvElement& other) : parent_(nullptr) { copyContents(other); }

KvElement& KvElement::operator=(const KvElement& other) {
    if (this != &other) {
        deleteAttributes();
        copyContents(other);
    }
    return *this;
}

KvElement::~KvElement() {
    kv::vector<KvElement*> children;
    children.swap(children_);
    for (KvElement* c : children) {
        c->parent_ = nullptr;  // so that it does not look for itself in our list
        delete c;
    }
    deleteAttributes();
    if (parent_) parent_->children_.eraseAll(this);
}

void KvElement::copyContents(const KvElement& other) {
    name_ = other.name_;
    onlyOneAllowed_ = other.onlyOneAllowed_;
    deprecated_ = other.deprecated_;
    hidden_ = other.hidden_;
    properties_ = other.properties_;
    conditionals_ = other.conditionals_;
    choices_ = other.choices_;
    notes_ = other.notes_;
    annotations_ = other.annotations_;
    for (const AttributeMap* m : {&other.required_, &other.optional_})
        for (const auto& entry : *m)
            addAttribute(entry.second->clone(this));
}

void KvElement::deleteAttributes() {
    AttributeMap required, optional;
    required.swap(required_);
    optional.swap(optional_);
    for (const AttributeMap* m : {&required, &optional})
        for (const auto& entry : *m)
            delete entry.second;
}

KvElement* KvElement::findChild(const KvString& name) const {
    for (KvElement* c : children_)
        if (c->name_ == name) return c;
    return nullptr;
}

bool KvElement::addAttribute(KvAttribute* attribute) {
    if (!attribute || getAttribute(attribute->getName())) return false;
    attribute->element_ = this;
    (attribute->isRequired() ? required_ : optional_)[attribute->getName()] = attribute;
    return true;
}

bool KvElement::removeAttribute(const KvString& name) {
    for (AttributeMap* m : {&required_, &optional_}) {
        auto it = m->find(name);
        if (it != m->end()) {
            KvAttribute* a = it->second;
            m->erase(it);
            delete a;
            return true;
        }
    }
    return false;
}

KvAttribute* KvElement::getAttribute(const KvString& name) const {
    auto r = required_.find(name);
    if (r != required_.end()) return r->second;
    auto o = optional_.find(name);
    return o != optional_.end() ? o->second : nullptr;
}

std::ostream& KvElement::toXml(std::ostream& os, int indent) const {
    auto pad = [&os](int n) {
        for (int i = 0; i < n; ++i)
            os << "  ";
    };
    pad(indent);
    os << "<" << name_;
    if (deprecated_) os << " deprecated='yes'";
    if (onlyOneAllowed_) os << " only_one_allowed='yes'";
    if (hidden_) os << " hidden='yes'";
    writeListProperties(os) << ">\n";
    for (const AttributeMap* m : {&required_, &optional_})
        for (const auto& entry : *m)
            entry.second->toXml(os, indent + 1);
    for (const KvElement* c : children_)
        c->toXml(os, indent + 1);
    pad(indent);
    return os << "</" << name_ << ">\n";
}

std::ostream& KvElement::writeListProperties(std::ostream& os) const {
    const std::pair<const StringListMap*, const char*> maps[] = {
        {&properties_, ";"}, {&conditionals_, ";"}, {&choices_, "|"}};
    for (const auto& m : maps) {
        for (const auto& entry : *m.first) {
            os << " " << entry.first << "='";
            for (size_t i = 0; i < entry.second.size(); ++i)
                os << (i ? m.second : "") << xmlEscape(entry.second[i]);
            os << "'";
        }
    }
    return os;
}

KvString KvElement::xmlEscape(const KvString& text) {
    std::string out;
    out.reserve(text.length());
    for (char c : text.str()) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '\'':
                out += "&apos;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out += c;
        }
    }
    return KvString(std::move(out));
}
