// The operator's signature on a build, checked through CNG against a build
// that the local operator site signs with the demo key (the key this test
// build trusts). Runs in the 64-bit build as well: nothing here needs PE32.
#include "net/build_signature.h"
#include "tests/win/opsite_client.h"
#include "tests/win/test_util.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

// Another P-256 key: a real point, so that only the signature check refuses.
const PublicKey kForeignKey = {0xc0, 0x38, 0x71, 0xbd, 0x43, 0xe8, 0xa8, 0x46, 0x01, 0xce, 0xe5, 0xc1, 0x10, 0xd9, 0x02, 0xa8, 0x14, 0xba, 0xe3, 0x9b, 0xc2, 0xfb, 0xb9, 0x3b, 0x35, 0xa6, 0xa1, 0x1b, 0x12, 0xa7, 0x3f, 0x9d, 0xf8, 0xf3, 0x65, 0x2c, 0x60, 0x1e, 0xc7, 0xf4, 0xbc, 0x13, 0xaa, 0xed, 0x2e, 0x3b, 0xbd, 0xe8, 0xdd, 0x52, 0xff, 0xf5, 0xb8, 0xf8, 0x8d, 0xfb, 0xf6, 0xdd, 0x58, 0x00, 0x20, 0xdb, 0x69, 0xd6};

class BuildSignature : public ::testing::Test {
protected:
    void SetUp() override {
        if (opsite::Address().empty()) GTEST_SKIP() << "run through tests/with_opsite.sh";
        opsite::Control(L"reset");
        wchar_t self[MAX_PATH] = {}, temp[MAX_PATH] = {};
        ::GetModuleFileNameW(nullptr, self, MAX_PATH);
        ::GetTempPathW(MAX_PATH, temp);
        build_ = std::wstring(temp) + L"xcjy_signed_build.exe";
        // This test program carries the launcher's version resource (15,1,23,3).
        ASSERT_TRUE(::CopyFileW(self, build_.c_str(), FALSE));
        std::string answer = opsite::Control(L"publish?exe=" + opsite::Encode(opsite::UnixPath(build_)));
        ASSERT_NE(answer.find("identity"), std::string::npos) << answer;
        check_.path = build_;
        check_.statement = opsite::PublishedValue("Statement");
        check_.signatureHex = opsite::PublishedValue("Signature");
        check_.product = "XCJY";
        check_.mustExceed = signing::Version{15, 1, 23, 2};
        ASSERT_FALSE(check_.statement.empty());
    }
    void TearDown() override {
        if (!build_.empty()) ::DeleteFileW(build_.c_str());
    }

    std::wstring build_;
    SignedBuildCheck check_;
};

TEST_F(BuildSignature, OnlyTheOperatorsStatementOfThisFileIsGood) {
    EXPECT_EQ(CheckSignedBuild(check_), SignatureCheck::Good);
    struct Case {
        const char* what;
        std::function<void(SignedBuildCheck&)> alter;
        SignatureCheck expected;
    } cases[] = {
        {"statement altered (size)",
         [](SignedBuildCheck& c) { c.statement.replace(c.statement.find(L";size=") + 6, 1, L"9"); },
         SignatureCheck::BadSignature},
        {"signature bit flipped",
         [](SignedBuildCheck& c) { c.signatureHex[10] = c.signatureHex[10] == L'0' ? L'1' : L'0'; },
         SignatureCheck::BadSignature},
        {"another operator's key", [](SignedBuildCheck& c) { c.key = &kForeignKey; }, SignatureCheck::BadSignature},
        {"not newer than the running build", [](SignedBuildCheck& c) { c.mustExceed = OwnVersion(); },
         SignatureCheck::NotNewer},
        {"signed as another product", [](SignedBuildCheck& c) { c.product = "Hyxd"; }, SignatureCheck::NotThisFile},
        {"no signature", [](SignedBuildCheck& c) { c.signatureHex.clear(); }, SignatureCheck::Missing},
        {"no statement", [](SignedBuildCheck& c) { c.statement.clear(); }, SignatureCheck::Missing},
        {"signature cut short", [](SignedBuildCheck& c) { c.signatureHex.pop_back(); }, SignatureCheck::Malformed},
        {"no such file", [](SignedBuildCheck& c) { c.path += L".gone"; }, SignatureCheck::Unreadable},
    };
    for (const Case& c : cases) {
        SignedBuildCheck check = check_;
        c.alter(check);
        EXPECT_EQ(CheckSignedBuild(check), c.expected) << c.what;
    }
    EXPECT_EQ(OwnVersion(), (signing::Version{15, 1, 23, 3}));
}

TEST_F(BuildSignature, AFileChangedAfterSigningIsRefused) {
    {
        fw::UniqueFile file(::CreateFileW(build_.c_str(), FILE_APPEND_DATA, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(file);
        DWORD written = 0;
        ASSERT_TRUE(::WriteFile(file.get(), "x", 1, &written, nullptr));
    }
    EXPECT_EQ(CheckSignedBuild(check_), SignatureCheck::NotThisFile);
}

TEST(Sha256, KnownDigestThroughAnOpenHandle) {
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring path = std::wstring(temp) + L"xcjy_sha256.bin";
    {
        fw::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        DWORD written = 0;
        ASSERT_TRUE(::WriteFile(file.get(), "abc", 3, &written, nullptr));
    }
    fw::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    std::string hex;
    uint64_t size = 0;
    ASSERT_TRUE(HashOpenFile(file.get(), hex, size));
    EXPECT_EQ(hex, "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(size, 3u);
    file.reset();
    ::DeleteFileW(path.c_str());
}

}  // namespace
