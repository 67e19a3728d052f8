// What the operator's publishing tool writes, read back by the launcher's own
// parsers: the notice record and the build identity.
#include "net/md5.h"
#include "net/notice_record.h"
#include "net/signed_statement.h"
#include "net/version_identity.h"

#include <gtest/gtest.h>

#include <iconv.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

namespace {

const std::string kTool = std::string(XCJY_SOURCE_DIR) + "/tools/publish/publish.py";

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

int RunCommand(const std::string& command, std::string* output = nullptr) {
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return -1;
    char buffer[256];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        if (output) output->append(buffer, n);
    return ::pclose(pipe);
}

// GBK bytes to wide text, as the launcher's system code page (936) reads them.
std::wstring FromGbk(const std::string& bytes) {
    iconv_t cd = ::iconv_open("WCHAR_T", "GBK");
    if (cd == reinterpret_cast<iconv_t>(-1)) return {};
    std::wstring out(bytes.size(), L'\0');
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = bytes.size();
    char* to = reinterpret_cast<char*>(out.data());
    size_t outLeft = out.size() * sizeof(wchar_t);
    ::iconv(cd, &in, &inLeft, &to, &outLeft);
    ::iconv_close(cd);
    out.resize(out.size() - outLeft / sizeof(wchar_t));
    return out;
}

std::string TempDir() {
    // Other test runs on the machine use the same temp folder.
    std::string dir = ::testing::TempDir() + "publish_readback_" + std::to_string(::getpid());
    RunCommand("rm -rf '" + dir + "' && mkdir -p '" + dir + "'");
    return dir;
}

}  // namespace

TEST(PublishReadBack, NoticeIsTheRecordTheLauncherParses) {
    std::string dir = TempDir();
    std::string text = "N9|2099-12-31 23:59|星潮纪元·新服开启|https://xcjy.rvgame.cn/news|首周登录即领豪华礼包|"
                       "http://img.rvgame.cn/p.jpg|3";
    ASSERT_EQ(RunCommand("python3 '" + kTool + "' notice '" + text + "' --domain rvgame.cn --out '" + dir + "'"), 0);
    std::string bytes = ReadFile(dir + "/XCJY.txt");
    ASSERT_FALSE(bytes.empty());
    EXPECT_LT(bytes.size(), 1024u);
    auto record = notice::ParseNoticeRecord(FromGbk(bytes), L"2024-06-15");
    ASSERT_TRUE(record.has_value());
    EXPECT_EQ(record->id, L"N9");
    EXPECT_EQ(record->endDate, L"2099-12-31");
    EXPECT_EQ(record->title, L"星潮纪元·新服开启");
    EXPECT_EQ(record->link, L"https://xcjy.rvgame.cn/news");
    EXPECT_EQ(record->content, L"首周登录即领豪华礼包");
    EXPECT_EQ(record->picUrl, L"http://img.rvgame.cn/p.jpg");
    EXPECT_EQ(record->showCount, 3);
    EXPECT_EQ(notice::ChooseLayout(*record), notice::Layout::PictureAndText);

    // What the tool refuses, the launcher would not show either.
    EXPECT_NE(RunCommand("python3 '" + kTool + "' notice 'N9|2024-06-14|t|||b||1' --domain rvgame.cn --out '" + dir +
                  "' 2>/dev/null"),
              0);
    RunCommand("rm -rf '" + dir + "'");
}

TEST(PublishReadBack, BuildIdentityIsTheOneTheLauncherForms) {
    std::string dir = TempDir();
    // A PE image whose version resource says 15,1,23,3 (the tests' fixture maker).
    ASSERT_EQ(RunCommand("python3 -c \"import sys; sys.path.insert(0, '" + std::string(XCJY_SOURCE_DIR) +
                         "/tests/opsite'); from pe_fixture import pe_with_version; "
                         "open(sys.argv[1], 'wb').write(pe_with_version(tail=b'x' * 5000))\" '" + dir + "/RV.exe'"),
              0);
    const uint32_t fixed[4] = {0xFEEF04BD, 0x00010000, (15u << 16) | 1u, (23u << 16) | 3u};
    std::string printed;
    ASSERT_EQ(RunCommand("python3 '" + kTool + "' build '" + dir + "/RV.exe' http://up.rvgame.cn/XCJY.exe --key '" +
                             std::string(XCJY_SOURCE_DIR) + "/tools/opsite/demo-signing-key.private.pem' --out '" + dir + "'",
                  &printed),
              0);
    std::FILE* file = std::fopen((dir + "/RV.exe").c_str(), "rb");
    ASSERT_NE(file, nullptr);
    auto digest = Md5HexOfStream(file);
    std::fclose(file);
    ASSERT_TRUE(digest.has_value());
    std::wstring identity = MakeVersionIdentity(*digest, VersionTextFromFixed(fixed[2], fixed[3]));
    std::wstring fromTool(printed.begin(), printed.end());
    while (!fromTool.empty() && (fromTool.back() == L'\n' || fromTool.back() == L'\r')) fromTool.pop_back();
    EXPECT_TRUE(SameIdentity(fromTool, identity)) << printed;

    std::string config = ReadFile(dir + "/ConfigXcjy.htm");
    EXPECT_NE(config.find("XCJY=" + printed.substr(0, 32) + "\r\n"), std::string::npos) << config;
    EXPECT_NE(config.find("UpdAddr=http://up.rvgame.cn/XCJY.exe\r\n"), std::string::npos) << config;
    // The signed statement is one the launcher parses, naming this build.
    size_t at = config.find("Statement=");
    ASSERT_NE(at, std::string::npos) << config;
    at += 10;
    auto statement = signing::ParseStatement(config.substr(at, config.find("\r\n", at) - at));
    ASSERT_TRUE(statement) << config;
    EXPECT_EQ(statement->product, "XCJY");
    EXPECT_EQ(statement->version, (signing::Version{15, 1, 23, 3}));
    EXPECT_EQ(statement->size, ReadFile(dir + "/RV.exe").size());
    RunCommand("rm -rf '" + dir + "'");
}
