#include <KvAttribute.h>
#include <KvBase.h>
#include <KvOversetElement.h>

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace {

std::string xml(const KvOversetElement& e) {
    std::ostringstream out;
    e.toXml(out);
    return out.str();
}

std::string joined(const kv::vector<KvString>& names) {
    std::string out;
    for (const KvString& n : names)
        out += n.str() + " ";
    return out;
}

KvAttribute* attribute(KvElement* e, const char* name, bool required, const char* value = nullptr) {
    auto* a = new KvAttribute(e, name, "string", required);
    if (value) a->setValue(value);
    e->addAttribute(a);
    return a;
}

}  // namespace

TEST(KvOversetElement, TypeAndCastsThroughTheSecondBase) {
    KvBase::initTypes();
    KvElement::Factory factory = &KvOversetElement::create;
    KvElement root(nullptr, "root");
    KvElement* made = factory(&root, "grid");
    ASSERT_EQ(root.getChildren().size(), 1u);
    EXPECT_EQ(root.getChildren()[0], made);

    auto* e = dynamic_cast<KvOversetElement*>(made);
    ASSERT_NE(e, nullptr);
    KvGenre* g = e;
    EXPECT_NE(static_cast<void*>(g), static_cast<void*>(e));  // the genre part lies elsewhere
    EXPECT_EQ(KvOversetElement::cast(g), e);
    EXPECT_EQ(KvOversetElement::cast(static_cast<const KvGenre*>(g)), e);
    EXPECT_EQ(KvOversetElement::cast(static_cast<KvGenre*>(nullptr)), nullptr);
    KvGenre plain;
    EXPECT_EQ(KvOversetElement::cast(&plain), nullptr);
    EXPECT_EQ(g->getTypeId(), KvOversetElement::getClassTypeId());
    EXPECT_EQ(KvOversetElement::getClassTypeId().getName().str(), "OversetElement");
    EXPECT_EQ(KvOversetElement::getClassTypeId().getParent(), KvGenre::getClassTypeId());
    EXPECT_TRUE(g->isOfType(KvGenre::getClassTypeId()));
    EXPECT_EQ(KvTypeId::lookup("OversetElement"), KvOversetElement::getClassTypeId());
}

TEST(KvOversetElement, ConditionalsNameTheAttributesThatBecomeRequired) {
    KvOversetElement e(nullptr, "body");
    EXPECT_TRUE(e.evaluateAttributeConditionals("type", "wall").isEmpty());

    e.conditionals()["a_rules"] = {
        "if(type=regex(^wall$)): required spacing layers",
        "if(kind=regex(wall)): required other",      // tests another attribute
        "when(type=regex(wall)): required ignored",  // not a rule
        "if(type=wall): required nopattern",         // no pattern
        "if(type=regex(^inlet|^wall)): required mass_flow",
        "if(type=regex(^outlet)): required pressure",  // does not match
    };
    e.conditionals()["b_rules"] = {"if(type=regex(.)): required second_entry"};  // only the first entry counts
    EXPECT_EQ(joined(e.evaluateAttributeConditionals("type", "wall")), "spacing layers mass_flow ");
    EXPECT_EQ(joined(e.evaluateAttributeConditionals("type", "inlet")), "mass_flow ");
    EXPECT_EQ(joined(e.evaluateAttributeConditionals("type", "Wall")), "");  // case counts
    EXPECT_EQ(joined(e.evaluateAttributeConditionals("kind", "a wall")), "other ");
    EXPECT_EQ(joined(e.evaluateAttributeConditionals("types", "wall")), "");
}

TEST(KvOversetElement, WritesItsOwnXml) {
    KvOversetElement bare(nullptr, "empty");
    bare.setHidden(true);  // not part of this form
    EXPECT_EQ(xml(bare), "<empty>\n</empty>\n");

    KvOversetElement e(nullptr, "zone");
    e.setDeprecated(true);
    e.setOnlyOneAllowed(true);
    e.properties()["units"] = {"m", "mm"};
    e.properties()["kind"] = {"solid"};
    e.conditionals()["rules"] = {"if(a=regex(x)): required b", "if(c=regex(<y>)): required d"};
    e.choices()["mode"] = {"fast", "exact"};
    attribute(&e, "size", false, "3");
    attribute(&e, "name", true);
    attribute(&e, "alpha", false);
    auto* child = new KvOversetElement(&e, "part");
    attribute(child, "id", true);
    EXPECT_EQ(xml(e),
              "<zone deprecated='yes' only_one_allowed='yes' kind='solid' units='m;mm'"
              " rules='if(a=regex(x)): required b;if(c=regex(&lt;y&gt;)): required d' mode='fast|exact'>\n"
              "<attribute name='name' type='string' required='yes'/>\n"
              "<attribute name='alpha' type='string'/>\n"
              "<attribute name='size' type='string' value='3'/>\n"
              "<part>\n"
              "  <attribute name='id' type='string' required='yes'/>\n"
              "</part>\n"
              "</zone>\n");
}

TEST(KvOversetElement, CloneCopiesAllButChildrenAndResetsTheSource) {
    KvOversetElement parent(nullptr, "parent");
    KvOversetElement e(nullptr, "zone");
    e.setHidden(true);
    e.setDeprecated(true);
    e.properties()["units"] = {"m"};
    e.conditionals()["rules"] = {"if(a=regex(x)): required b"};
    e.choices()["mode"] = {"fast", "exact"};
    e.notes() = {"a note"};
    e.annotations()["doc"] = "text";
    KvAttribute* required = attribute(&e, "name", true, "hull");
    KvAttribute* optional = attribute(&e, "size", false, "3");
    new KvOversetElement(&e, "child");

    KvOversetElement* c = e.clone(&parent);
    ASSERT_EQ(parent.getChildren().size(), 1u);
    EXPECT_EQ(parent.getChildren()[0], c);
    EXPECT_EQ(c->getParent(), &parent);
    EXPECT_TRUE(c->getChildren().empty());
    EXPECT_EQ(c->getName().str(), "zone");
    EXPECT_TRUE(c->isHidden());
    EXPECT_TRUE(c->isDeprecated());
    EXPECT_FALSE(c->isOnlyOneAllowed());
    EXPECT_EQ(c->properties(), e.properties());
    EXPECT_EQ(c->conditionals(), e.conditionals());
    EXPECT_EQ(c->choices(), e.choices());
    EXPECT_EQ(c->notes(), e.notes());
    EXPECT_EQ(c->annotations(), e.annotations());

    KvAttribute* cr = c->getAttribute("name");
    KvAttribute* co = c->getAttribute("size");
    ASSERT_TRUE(cr && co);
    EXPECT_NE(cr, required);
    EXPECT_EQ(cr->getElement(), c);
    EXPECT_TRUE(cr->isRequired());
    EXPECT_EQ(cr->getValue().str(), "hull");
    EXPECT_EQ(co->getValue().str(), "3");
    EXPECT_FALSE(required->hasValue());
    EXPECT_FALSE(optional->hasValue());
    EXPECT_EQ(e.getChildren().size(), 1u);

    KvOversetElement orphan = *c;  // the element part only: no parent, no children
    EXPECT_EQ(orphan.getParent(), nullptr);
    EXPECT_EQ(orphan.getAttribute("name")->getValue().str(), "hull");
    orphan = e;
    EXPECT_FALSE(orphan.getAttribute("name")->hasValue());
    EXPECT_EQ(xml(orphan),
              "<zone deprecated='yes' units='m' rules='if(a=regex(x)): required b' mode='fast|exact'>\n"
              "<attribute name='name' type='string' required='yes'/>\n"
              "<attribute name='size' type='string'/>\n"
              "</zone>\n");
}
