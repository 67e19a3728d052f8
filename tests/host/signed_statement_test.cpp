#include "net/signed_statement.h"

#include <gtest/gtest.h>

using namespace signing;

namespace {

const std::string kDigest = "9f86d081884c7d659a2feaa0c55ad015a3bf4f1b2b0b822cd15d6c15b0f00a08";
const std::string kGood = "xcjy-build/1;product=XCJY;version=15,1,23,4;size=123456;sha256=" + kDigest;

BuildFacts FactsOf(const BuildStatement& s) { return {s.version, s.size, s.sha256Hex}; }

}  // namespace

TEST(SignedStatement, ParsesWhatItFormats) {
    std::optional<BuildStatement> s = ParseStatement(kGood);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->product, "XCJY");
    EXPECT_EQ(s->version, (Version{15, 1, 23, 4}));
    EXPECT_EQ(s->size, 123456u);
    EXPECT_EQ(s->sha256Hex, kDigest);
    EXPECT_EQ(FormatStatement(*s), kGood);
}

TEST(SignedStatement, AnythingButTheExactFormIsRefused) {
    const std::string tail = ";size=1;sha256=" + kDigest;
    for (std::string bad : {
             std::string(""),
             "xcjy-build/2;product=XCJY;version=1,0,0,0" + tail,
             "xcjy-build/1;version=1,0,0,0;product=XCJY" + tail,      // order
             "xcjy-build/1;product=;version=1,0,0,0" + tail,
             "xcjy-build/1;product=X Y;version=1,0,0,0" + tail,
             "xcjy-build/1;product=XCJY;version=1,0,0" + tail,
             "xcjy-build/1;product=XCJY;version=1,0,0,0,0" + tail,
             "xcjy-build/1;product=XCJY;version=1,0,0,65536" + tail,
             "xcjy-build/1;product=XCJY;version=1,0,0,+1" + tail,
             "xcjy-build/1;product=XCJY;version=1,0,0,01" + tail,
             "xcjy-build/1;product=XCJY;version=1,0,0,0;size=-1;sha256=" + kDigest,
             "xcjy-build/1;product=XCJY;version=1,0,0,0;size=18446744073709551616;sha256=" + kDigest,
             "xcjy-build/1;product=XCJY;version=1,0,0,0" + tail + ";extra=1",
             "xcjy-build/1;product=XCJY;version=1,0,0,0" + tail + ";",  // found by the fuzz target
             "xcjy-build/1;product=XCJY;version=1,0,0,0;size=1;sha256=" + kDigest.substr(1),
             "xcjy-build/1;product=XCJY;version=1,0,0,0;size=1;sha256=9F" + kDigest.substr(2),
         })
        EXPECT_FALSE(ParseStatement(bad)) << bad;
}

TEST(SignedStatement, BindsEveryFieldToTheFile) {
    const BuildStatement s = *ParseStatement(kGood);
    const Version older{15, 1, 23, 3};
    EXPECT_EQ(CheckBinding(s, FactsOf(s), "XCJY", older), Binding::Bound);
    EXPECT_EQ(CheckBinding(s, FactsOf(s), "XCJY", std::nullopt), Binding::Bound);

    struct Case {
        const char* what;
        void (*alter)(BuildFacts&);
        Binding expected;
    } cases[] = {
        {"version", [](BuildFacts& f) { f.version[3] = 5; }, Binding::OtherVersion},
        {"size", [](BuildFacts& f) { ++f.size; }, Binding::OtherSize},
        {"digest", [](BuildFacts& f) { f.sha256Hex[63] = '9'; }, Binding::OtherDigest},
    };
    for (const Case& c : cases) {
        BuildFacts facts = FactsOf(s);
        c.alter(facts);
        EXPECT_EQ(CheckBinding(s, facts, "XCJY", older), c.expected) << c.what;
    }
    EXPECT_EQ(CheckBinding(s, FactsOf(s), "Hyxd", std::nullopt), Binding::OtherProduct);
    // An update must be newer than the running build: the same version or an
    // older one (a signed build replayed to roll back) is refused.
    for (Version running : {Version{15, 1, 23, 4}, Version{15, 1, 24, 0}, Version{16, 0, 0, 0}})
        EXPECT_EQ(CheckBinding(s, FactsOf(s), "XCJY", running), Binding::NotNewer);
}

TEST(SignedStatement, SignatureAndTextForms) {
    EXPECT_TRUE(ParseSignatureHex(std::string(128, 'a')));
    auto bytes = ParseSignatureHex(std::string(126, '0') + "Fe");
    ASSERT_TRUE(bytes);
    EXPECT_EQ((*bytes)[63], 0xFE);
    for (std::string bad : {std::string(127, 'a'), std::string(130, 'a'), std::string(127, 'a') + "g"})
        EXPECT_FALSE(ParseSignatureHex(bad)) << bad;
    EXPECT_EQ(NarrowAscii(L"a=b;c"), "a=b;c");
    EXPECT_FALSE(NarrowAscii(L"a\x00e9"));
    EXPECT_FALSE(NarrowAscii(L"a\tb"));
}
