#include <KvAttribute.h>
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

std::string required(const KvOversetElement& e, const char* name, const char* value) {
    std::string out;
    for (const KvString& n : e.evaluateAttributeConditionals(name, value))
        out += n.str() + " ";
    return out;
}

KvAttribute* attribute(KvElement* e, const char* name, bool isRequired, const char* value = nullptr) {
    auto* a = new KvAttribute(e, name, "string", isRequired);
    if (value) a->setValue(value);
    e->addAttribute(a);
    return a;
}

}  // namespace

TEST(KvOversetElement, FactoryAndCastThroughTheSecondBase) {
    KvElement root(nullptr, "root");
    KvElement::Factory factory = &KvOversetElement::create;
    auto* e = dynamic_cast<KvOversetElement*>(factory(&root, "grid"));
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(root.getChildren()[0], e);
    KvGenre* g = e;
    EXPECT_NE(static_cast<void*>(g), static_cast<void*>(e));  // the genre part lies elsewhere
    EXPECT_EQ(KvOversetElement::cast(g), e);
    KvGenre plain;
    EXPECT_EQ(KvOversetElement::cast(&plain), nullptr);
}

TEST(KvOversetElement, ConditionalsNameTheAttributesThatBecomeRequired) {
    KvOversetElement e(nullptr, "body");
    EXPECT_EQ(required(e, "type", "wall"), "");
    e.conditionals()["a_rules"] = {
        "if(type=regex(^wall$)): required spacing layers",
        "if(kind=regex(wall)): required other",      // tests another attribute
        "when(type=regex(wall)): required ignored",  // not a rule
        "if(type=wall): required nopattern",
        "if(type=regex(^inlet|^wall)): required mass_flow",
    };
    e.conditionals()["b_rules"] = {"if(type=regex(.)): required unused"};  // only the first entry counts
    EXPECT_EQ(required(e, "type", "wall"), "spacing layers mass_flow ");
    EXPECT_EQ(required(e, "type", "inlet"), "mass_flow ");
    EXPECT_EQ(required(e, "type", "Wall"), "");
    EXPECT_EQ(required(e, "kind", "a wall"), "other ");
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
    attribute(new KvOversetElement(&e, "part"), "id", true);
    EXPECT_EQ(xml(e),
              "<zone deprecated='yes' only_one_allowed='yes' kind='solid' units='m;mm'"
              " rules='if(a=regex(x)): required b;if(c=regex(&lt;y&gt;)): required d' mode='fast|exact'>\n"
              "<attribute name='name' type='string' required='yes'/>\n"
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
    e.properties()["units"] = {"m"};
    e.conditionals()["rules"] = {"if(a=regex(x)): required b"};
    e.choices()["mode"] = {"fast"};
    e.notes() = {"a note"};
    e.annotations()["doc"] = "text";
    attribute(&e, "name", true, "hull");
    attribute(&e, "size", false, "3");
    new KvOversetElement(&e, "child");
    const std::string before = xml(e);

    KvOversetElement* c = e.clone(&parent);
    EXPECT_EQ(parent.getChildren()[0], c);
    EXPECT_EQ(xml(*c),
              "<zone units='m' rules='if(a=regex(x)): required b' mode='fast'>\n"
              "<attribute name='name' type='string' required='yes' value='hull'/>\n"
              "<attribute name='size' type='string' value='3'/>\n"
              "</zone>\n");
    EXPECT_TRUE(c->isHidden());
    EXPECT_EQ(c->notes(), e.notes());
    EXPECT_EQ(c->annotations(), e.annotations());
    EXPECT_EQ(c->getAttribute("name")->getElement(), c);
    EXPECT_FALSE(e.getAttribute("name")->hasValue());
    EXPECT_FALSE(e.getAttribute("size")->hasValue());
    EXPECT_EQ(e.getChildren().size(), 1u);
}
