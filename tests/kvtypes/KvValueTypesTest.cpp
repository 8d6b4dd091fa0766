#include <KvColor.h>
#include <KvElement.h>
#include <KvExcept.h>
#include <KvIndex2.h>
#include <KvNotch.h>
#include <KvRenderSettings.h>
#include <KvXformMatrix.h>

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

TEST(KvColor, PacksTransparencyRedGreenBlue) {
    EXPECT_EQ(KvColor(0u), KvColor());
    EXPECT_EQ(KvColor().alpha(), 1.0f);  // packed 0 is opaque black
    KvColor c(0x80FF4020u);
    EXPECT_EQ(c.trgb(), 0x80FF4020u);
    EXPECT_EQ(c.red(), 1.0f);
    EXPECT_NEAR(c.alpha(), 127.0 / 255.0, 1e-6);
    EXPECT_EQ(KvColor(0.0f, 0.0f, 1.0f, 0.0f).trgb(), 0xFF0000FFu);

    c.setRGB(KvColor(0.0f, 1.0f, 0.0f, 1.0f));
    EXPECT_EQ(c.trgb(), 0x8000FF00u);  // alpha kept
    KvColor clamped(2.0f, -1.0f, NAN, 0.5f);
    EXPECT_EQ(clamped.red(), 1.0f);
    EXPECT_EQ(clamped.green(), 0.0f);
    EXPECT_EQ(clamped.blue(), 0.0f);
}

TEST(KvRenderSettings, LegacyIntegerFormPadsWithZeros) {
    KvRenderSettings s = KvRenderSettings::fromLegacyArray({0x00FF0000u, 2, 3});
    EXPECT_EQ(s.getSecondaryColor(), KvColor(1.0f, 0.0f, 0.0f));
    EXPECT_EQ(s.getColorMode(), 2u);
    EXPECT_EQ(s.getSecondaryColorMode(), 3u);
    EXPECT_EQ(s.getDisplayStyle(), 0u);
    EXPECT_EQ(s.getIsolines(), KvIndex2(0, 0));
    EXPECT_EQ(s.getLineWidth(), 0u);
    EXPECT_NE(s, KvRenderSettings());

    KvRenderSettings t;
    t.setIsolines(KvIndex2(7, 8));
    t.setLineDensity(KvIndex2(2, 3));
    t.setTriangleDensity(4);
    t.setRenderMode(5);
    kv::vector<uint32_t> legacy = t.toLegacyArray();
    ASSERT_EQ(legacy.size(), KvRenderSettings::LegacySize);
    EXPECT_EQ(legacy[5], 7u);
    EXPECT_EQ(legacy[9], 3u);
    EXPECT_EQ(KvRenderSettings::fromLegacyArray(legacy), t);
}

TEST(KvXformMatrix, ComposesRightToLeftAndInverts) {
    KvXformMatrix m = KvXformMatrix::translation(1, 2, 3) * KvXformMatrix::scaling(2, 2, 2);
    double p[3] = {1, 1, 1};
    m.transformPoint(p);
    EXPECT_EQ(p[0], 3.0);  // scaled first, then moved
    EXPECT_EQ(p[2], 5.0);
    double v[3] = {1, 1, 1};
    m.transformVector(v);
    EXPECT_EQ(v[1], 2.0);

    KvXformMatrix r = KvXformMatrix::rotation(M_PI / 2, 0, 0, 1) * m;
    bool ok = false;
    KvXformMatrix back = r.inverse(&ok) * r;
    EXPECT_TRUE(ok);
    for (size_t i = 0; i < 4; ++i)
        for (size_t j = 0; j < 4; ++j)
            EXPECT_NEAR(back.get(i, j), i == j ? 1.0 : 0.0, 1e-12);

    EXPECT_TRUE(KvXformMatrix::scaling(1, 0, 1).inverse(&ok).isIdentity());
    EXPECT_FALSE(ok);
    EXPECT_THROW(m.get(4, 0), KvExcept);
    EXPECT_THROW(m.set(0, 4, 1.0), KvExcept);
}

TEST(KvIndex2, OrdersLexicographicallyAndChecksIndices) {
    KvIndex2 a(1, 9), b(2, 0);
    EXPECT_TRUE(a < b);
    EXPECT_FALSE(b < a);
    EXPECT_TRUE(KvIndex2(1, 2) < KvIndex2(1, 3));
    a[1] = 4;
    EXPECT_EQ(a, KvIndex2(1, 4));
    EXPECT_THROW(a[2], KvExcept);
}

TEST(KvNotch, MadeNotchesAreNewAndLater) {
    KvNotch none;
    KvNotch first = KvNotch::make(), second = KvNotch::make();
    EXPECT_TRUE(none.isNull());
    EXPECT_TRUE(first < second);
    EXPECT_NE(first, none);
    EXPECT_EQ(KvNotch(first), first);
}

namespace {
int g_elementsDeleted = 0;
struct CountedElement : KvElement {
    using KvElement::KvElement;
    ~CountedElement() override { ++g_elementsDeleted; }
};
}  // namespace

TEST(KvElement, TreeOwnsChildrenAndAttributes) {
    g_elementsDeleted = 0;
    auto* root = new CountedElement(nullptr, "grid");
    auto* a = new CountedElement(root, "block");
    auto* b = new CountedElement(root, "block2");
    new CountedElement(a, "face");
    ASSERT_EQ(root->getChildren().size(), 2u);
    EXPECT_EQ(root->findChild("block2"), b);
    delete b;  // leaves its parent
    EXPECT_EQ(root->getChildren().size(), 1u);

    auto* size = new KvAttribute(a, "size", "integer", true);
    size->setDefault("4");
    EXPECT_TRUE(a->addAttribute(size));
    auto* dup = new KvAttribute(a, "size");
    EXPECT_FALSE(a->addAttribute(dup));
    delete dup;
    auto* kind = new KvAttribute(a, "kind", "enum");
    kind->setAllowedValues({"solid", "fluid"});
    EXPECT_TRUE(a->addAttribute(kind));
    EXPECT_EQ(a->getRequiredAttributes().size(), 1u);
    EXPECT_EQ(a->getOptionalAttributes().size(), 1u);

    EXPECT_FALSE(size->setValue("4.5"));
    EXPECT_EQ(size->getValue(), KvString("4"));
    EXPECT_TRUE(size->setValue("12"));
    EXPECT_FALSE(kind->setValue("gas"));
    EXPECT_TRUE(kind->setValue("fluid"));
    size->setValidator([](const KvString& v) { return v != KvString("13"); });
    EXPECT_FALSE(size->setValue("13"));
    size->reset();
    EXPECT_FALSE(size->hasValue());
    EXPECT_TRUE(KvAttribute(nullptr, "x", "boolean").isValid("yes"));
    EXPECT_FALSE(KvAttribute(nullptr, "x", "real").isValid("abc"));

    // A copy takes the attributes (as clones) but neither parent nor children.
    a->properties()["units"] = {"m", "mm"};
    a->setDeprecated(true);
    KvElement copy(*a);
    EXPECT_EQ(copy.getParent(), nullptr);
    EXPECT_TRUE(copy.getChildren().isEmpty());
    ASSERT_TRUE(copy.getAttribute("kind"));
    EXPECT_NE(copy.getAttribute("kind"), kind);
    EXPECT_EQ(copy.getAttribute("kind")->getElement(), &copy);
    EXPECT_EQ(copy.getAttribute("kind")->getValue(), KvString("fluid"));

    std::ostringstream xml;
    copy.toXml(xml, 0);
    EXPECT_EQ(xml.str(),
              "<block deprecated='yes' units='m;mm'>\n"
              "  <attribute name='size' type='integer' required='yes' default='4'/>\n"
              "  <attribute name='kind' type='enum' values='solid|fluid' value='fluid'/>\n"
              "</block>\n");
    EXPECT_EQ(KvElement::xmlEscape("a<'&'>\""), KvString("a&lt;&apos;&amp;&apos;&gt;&quot;"));

    delete root;
    EXPECT_EQ(g_elementsDeleted, 4);
}
