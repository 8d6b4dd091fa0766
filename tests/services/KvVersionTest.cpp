#include <KvLegacyMode.h>
#include <KvPlatform.h>
#include <KvRuntime.h>
#include <KvVersion.h>

#include <gtest/gtest.h>

#include <QRegularExpression>

TEST(KvVersion, ComposedNamesAgreeWithTheirParts) {
    const KvString version = KvVersion::getVersion();
    EXPECT_EQ(KvVersion::getShortDisplayVersion(), version);
    const std::string longName = KvVersion::getLongProgram().str();
    const std::string program = KvVersion::getProgram().str();
    ASSERT_GT(longName.size(), program.size() + 1);
    const std::string family = longName.substr(0, longName.size() - program.size() - 1);
    EXPECT_EQ(longName, family + " " + program);
    EXPECT_EQ(KvVersion::getProgramHtml().str(), family + "<sup>&trade;</sup> " + program + "<sup>&reg;</sup>");
    EXPECT_EQ(KvVersion::getProgramAndVersion().str(), longName + " " + version.str());
    EXPECT_EQ(KvVersion::getProgramAndVersionHtml(), KvVersion::getProgramHtml() + " " + version);
    EXPECT_EQ(KvVersion::getMachTypeString(static_cast<KvVersion::MachType>(7)), KvString("UNKNOWN"));
}

TEST(KvVersion, OtherReleasesAreFormattedByScheme) {
    using V = KvVersion;
    EXPECT_EQ(V::buildVersionString(18, 4, V::Candidate, 2, 1), KvString("V18.4R2C1"));
    EXPECT_EQ(V::buildVersionString(17, 2, V::Beta, 1, 0), KvString("V17.2B1"));
    EXPECT_EQ(V::buildVersionString(18, 3, V::Release, 1, 0), KvString("V18.3"));
    EXPECT_EQ(V::buildVersionString(18, 3, V::Release, 2, 0), KvString("V18.3R2"));
    EXPECT_EQ(V::buildVersionString(18, 3, static_cast<V::ReleaseType>(9), 2, 0), KvString("V18.3?2"));
    EXPECT_EQ(V::buildVersionString(23, 1, V::Release, 0, 0), KvString("2023.1"));
    EXPECT_EQ(V::buildVersionString(23, 1, V::Candidate, 0, 5), KvString("2023.1 EAP #5"));
    EXPECT_EQ(V::buildVersionString(21, 1, V::Alpha, 2, 0), KvString("V21.1.2 EAP"));
    EXPECT_EQ(V::buildVersionString(19, 0, V::Release, 4, 0), KvString("V19.0.4"));
}

TEST(KvVersion, BuildDateAndNumber) {
    KvVersion::u64 mo, d, y, h, mi, s;
    EXPECT_TRUE(KvVersion::parseBuildDate("Jan  3 2024", "14:05:09", mo, d, y, h, mi, s));
    EXPECT_EQ(std::vector<KvVersion::u64>({mo, d, y, h, mi, s}), std::vector<KvVersion::u64>({1, 3, 2024, 14, 5, 9}));
    EXPECT_EQ(KvVersion::buildNumberString("Jan  3 2024", "14:05:09"), KvString("0289031405"));
    EXPECT_EQ(KvVersion::buildNumberString("Dec 31 2031", "23:59:00"), KvString("0384312359"));

    // Any part that is not a number, and the whole date reads as zeros.
    for (auto bad : {std::make_pair("Jax  3 2024", "14:05:09"), std::make_pair("Jan  3 20x4", "14:05:09"),
                     std::make_pair("Jan  3 2024", "14:0a:09"), std::make_pair("Jan 3", "14:05:09")}) {
        mo = d = y = h = mi = s = 99;
        EXPECT_FALSE(KvVersion::parseBuildDate(bad.first, bad.second, mo, d, y, h, mi, s)) << bad.first;
        EXPECT_EQ(mo + d + y + h + mi + s, 0u);
        EXPECT_EQ(KvVersion::buildNumberString(bad.first, bad.second),
                  KvString("Built on ") + bad.second + " " + bad.first + ".");
    }

    // This build's own stamp.
    KvVersion::getBuildDate(mo, d, y, h, mi, s);
    EXPECT_GE(y, 2024u);
    const KvString stamp = KvVersion::getBuildDateString();  // "hh:mm:ss Mmm dd yyyy"
    ASSERT_EQ(stamp.length(), 20u);
    const KvString time = stamp.subString(0, 8), date = stamp.subString(9);
    KvVersion::u64 parsed[6];
    EXPECT_TRUE(KvVersion::parseBuildDate(date.getString(), time.getString(), parsed[0], parsed[1], parsed[2],
                                          parsed[3], parsed[4], parsed[5]));
    EXPECT_EQ(std::vector<KvVersion::u64>(parsed, parsed + 6), std::vector<KvVersion::u64>({mo, d, y, h, mi, s}));
    EXPECT_EQ(KvVersion::getBuildNumberString(), KvVersion::buildNumberString(date.getString(), time.getString()));
    const QString banner = KvVersion::getStandardBuildString().toQString();
    const QRegularExpression form(
        "^2022\\.2\\.3 EAP -- (Optimized|Debug) Build \\d{10} \\(\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:00\\) "
        "(Windows|Linux|macOS) 64-bit$");
    EXPECT_TRUE(form.match(banner).hasMatch()) << banner.toStdString();
}

TEST(KvLegacyMode, TextRoundTripAndProcessValue) {
    const char* names[] = {"V180", "V182", "V183", "V184", "V185", "V221", "Current"};
    for (int v = KvLegacyMode::V180; v <= KvLegacyMode::Current; ++v) {
        const auto version = static_cast<KvLegacyMode::Version>(v);
        EXPECT_EQ(KvLegacyMode::toString(version), KvString(names[v]));
        bool ok = false;
        EXPECT_EQ(KvLegacyMode::fromString(KvLegacyMode::toString(version), &ok), version);
        EXPECT_TRUE(ok);
    }
    bool ok = true;
    EXPECT_EQ(KvLegacyMode::fromString("v185", &ok), KvLegacyMode::Current);
    EXPECT_FALSE(ok);
    EXPECT_EQ(KvLegacyMode::toString(static_cast<KvLegacyMode::Version>(9)), KvString("Current"));

    EXPECT_EQ(KvLegacyMode::getVersion(), KvLegacyMode::Current);
}

TEST(KvRuntime, ParametersNameTheProgramAndItsFolders) {
    const KvParamSet& params = KvRuntime::getParams();
    ASSERT_EQ(params.size(), 8u + KvPlatform::NumFolderIds);
    EXPECT_EQ(params.find("AppName")->getValue(), KvVersion::getProgram());
    EXPECT_EQ(params.find("AppVersion")->getValue(), KvVersion::getVersion());
    EXPECT_EQ(params.find("AppNameAndVersion")->getValue(), KvVersion::getProgramAndVersion());
    EXPECT_EQ(params.find("AppMachine")->getValue(), KvVersion::getMachineString() + "64");
    EXPECT_EQ(params[8].getName(), KvString("DirUserHome"));
    const KvParam* temp = params.find("DirSystemTemp");
    ASSERT_NE(temp, nullptr);
    EXPECT_EQ(temp->getValue(), KvPlatform::getDir(KvPlatform::SystemTempFolder));
    EXPECT_EQ(KvRuntime::getParams().size(), params.size());  // filled once
}
