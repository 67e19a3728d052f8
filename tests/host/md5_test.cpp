#include "net/md5.h"
#include "net/version_identity.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include <unistd.h>

TEST(Md5, Rfc1321TestSuite) {
    struct Case {
        const char* input;
        const wchar_t* digest;
    } cases[] = {
        {"", L"d41d8cd98f00b204e9800998ecf8427e"},
        {"a", L"0cc175b9c0f1b6a831c399e269772661"},
        {"abc", L"900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", L"f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", L"c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", L"d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         L"57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const Case& c : cases) EXPECT_EQ(Md5Hex(c.input), c.digest) << c.input;
}

TEST(Md5, FedInPiecesAcrossBlockEdges) {
    std::string data(1000, '\0');
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7);
    for (size_t cut : {0, 1, 55, 56, 63, 64, 65, 999}) {
        Md5 md5;
        md5.Update(data.data(), cut);
        md5.Update(data.data() + cut, data.size() - cut);
        EXPECT_EQ(Md5HexText(md5.Final()), Md5Hex(data)) << cut;
    }
}

// A large file against the system's md5sum.
TEST(Md5, LargeFileMatchesMd5sum) {
    // Named for this process: test runs of several work trees share /tmp, and
    // one run's removal made another's md5sum read an empty file.
    std::string path = ::testing::TempDir() + "md5_large_" + std::to_string(::getpid()) + ".bin";
    {
        std::ofstream out(path, std::ios::binary);
        uint32_t x = 12345;
        for (int i = 0; i < 5 * 1024 * 1024 + 333; ++i) {
            x = x * 1103515245 + 12345;
            out.put(static_cast<char>(x >> 16));
        }
    }
    std::FILE* file = std::fopen(path.c_str(), "rb");
    ASSERT_NE(file, nullptr);
    auto digest = Md5HexOfStream(file);
    std::fclose(file);
    ASSERT_TRUE(digest.has_value());

    std::string command = "md5sum '" + path + "'";
    std::FILE* pipe = ::popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    char expected[33] = {};
    ASSERT_EQ(std::fread(expected, 1, 32, pipe), 32u);
    ::pclose(pipe);
    std::remove(path.c_str());
    EXPECT_EQ(*digest, std::wstring(expected, expected + 32));
}

TEST(VersionIdentity, DigestCutForTheVersionText) {
    std::wstring digest = L"0123456789abcdef0123456789abcdef";
    std::wstring identity = MakeVersionIdentity(digest, L"15,1,23,3");
    EXPECT_EQ(identity, L"0123456789abcdef0123456" L"15,1,23,3");
    EXPECT_EQ(identity.size(), 32u);
    EXPECT_EQ(MakeVersionIdentity(digest, L"1.2.3"), L"0123456789abcdef0123456789abc123");
}

TEST(VersionIdentity, ComparedWithoutLetterCase) {
    EXPECT_TRUE(SameIdentity(L"0123456789ABCDEF012345615,1,23,3", L"0123456789abcdef012345615,1,23,3"));
    EXPECT_FALSE(SameIdentity(L"0123456789abcdef012345615,1,23,3", L"0123456789abcdef012345715,1,23,3"));
    EXPECT_FALSE(SameIdentity(L"0123456789abcdef012345615,1,23,3", L"0123456789abcdef012345615,1,23,4"));
    EXPECT_FALSE(SameIdentity(L"abc", L"abcd"));
}

TEST(VersionIdentity, VersionTextFromTheFixedVersion) {
    EXPECT_EQ(VersionTextFromFixed((15u << 16) | 1u, (23u << 16) | 3u), L"15,1,23,3");
}

namespace {

std::string PeHead(uint16_t machine, uint16_t characteristics, uint16_t magic, uint32_t peAt = 0x80) {
    std::string head(512, '\0');
    head[0] = 'M';
    head[1] = 'Z';
    auto put = [&](size_t at, uint32_t value, int size) {
        for (int i = 0; i < size; ++i) head[at + i] = static_cast<char>(value >> (8 * i));
    };
    put(0x3C, peAt, 4);
    if (peAt + 26 <= head.size()) {
        head.replace(peAt, 4, std::string("PE\0\0", 4));
        put(peAt + 4, machine, 2);
        put(peAt + 22, characteristics, 2);
        put(peAt + 24, magic, 2);
    }
    return head;
}

}  // namespace

TEST(VersionIdentity, ExecutableCheck) {
    constexpr PeMachine x86 = PeMachine::X86, x64 = PeMachine::X64;
    struct Case {
        std::string head;
        PeMachine machine;
        bool executable;
        const char* what;
    } cases[] = {
        {PeHead(0x14C, 0x0102, 0x10B), x86, true, "32-bit executable for the 32-bit product"},
        {PeHead(0x8664, 0x0022, 0x20B), x64, true, "64-bit executable for a 64-bit build"},
        {PeHead(0x8664, 0x0022, 0x20B), x86, false, "the 32-bit product refuses a 64-bit build"},
        {PeHead(0x14C, 0x0102, 0x10B), x64, false, "a 64-bit build refuses a 32-bit one"},
        {PeHead(0x14C, 0x0102, 0x20B), x86, false, "x86 machine with a PE32+ header"},
        {PeHead(0x8664, 0x0022, 0x10B), x64, false, "x86-64 machine with a PE32 header"},
        {PeHead(0x14C, 0x2102, 0x10B), x86, false, "a DLL"},
        {PeHead(0x8664, 0x2022, 0x20B), x64, false, "a 64-bit DLL"},
        {PeHead(0x14C, 0x0100, 0x10B), x86, false, "not an executable image"},
        {PeHead(0x14C, 0x0102, 0x10B, 0x7FFFFFF0), x86, false, "header outside the file"},
        {"<html><body>500 Internal Server Error</body></html>", x86, false, "an error page"},
        {"MZ", x86, false, "two bytes"},
    };
    for (const Case& c : cases) EXPECT_EQ(LooksLikeExecutableFor(c.head, c.machine), c.executable) << c.what;
}
