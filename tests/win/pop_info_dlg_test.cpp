// The pop-up notice against notices the operator site publishes.
#include "core/start_program.h"
#include "net/pop_info_dlg.h"
#include "skin/dpi_scale.h"
#include "tests/win/opsite_client.h"
#include "tests/win/test_util.h"

#include <gtest/gtest.h>

#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {


std::wstring Setting(const wchar_t* key) {
    std::wstring path;
    MakeExeDirPath(L"Statistic.ini", path);
    wchar_t value[1100] = {};
    ::GetPrivateProfileStringW(L"XCJY", key, L"<none>", value, 1100, path.c_str());
    return value;
}

// Ends every process whose executable is named `name`; how many there were.
int EndProcessesNamed(const wchar_t* name) {
    int count = 0;
    fw::UniqueHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL ok = ::Process32FirstW(snapshot.get(), &entry); ok; ok = ::Process32NextW(snapshot.get(), &entry)) {
        if (::lstrcmpiW(entry.szExeFile, name) != 0) continue;
        ++count;
        fw::UniqueHandle process(::OpenProcess(PROCESS_TERMINATE, FALSE, entry.th32ProcessID));
        if (process) ::TerminateProcess(process.get(), 0);
    }
    return count;
}

std::wstring Today(int daysFromNow) {
    SYSTEMTIME st{};
    ::GetLocalTime(&st);
    FILETIME ft{};
    ::SystemTimeToFileTime(&st, &ft);
    ULARGE_INTEGER t{{ft.dwLowDateTime, ft.dwHighDateTime}};
    t.QuadPart += static_cast<long long>(daysFromNow) * 24 * 3600 * 10000000LL;
    ft = {t.LowPart, t.HighPart};
    ::FileTimeToSystemTime(&ft, &st);
    wchar_t text[16];
    std::swprintf(text, 16, L"%04d-%02d-%02d", st.wYear, st.wMonth, st.wDay);
    return text;
}

class PopInfoTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (opsite::Address().empty()) GTEST_SKIP() << "run through tests/with_opsite.sh";
        opsite::Control(L"reset");
        MakeExeDirPath(L"Statistic.ini", settings_);
        ::DeleteFileW(settings_.c_str());
        g_nNoticeShown = 1;
    }
    void TearDown() override {
        ::DeleteFileW(settings_.c_str());
        owner_.DestroyWindow();
    }

    static std::string Publish(const std::wstring& text) {
        return opsite::Control(L"notice?text=" + opsite::Encode(text));
    }
    // Links stay empty: a test must not start the system's browser.
    static std::wstring Record(const std::wstring& end, const std::wstring& picture, const std::wstring& body,
                               int count = 3) {
        return L"N7|" + end + L"|星潮纪元·新服开启||" + body + L"|" + picture + L"|" + std::to_wstring(count);
    }
    // Creates the notice as the main window does (owned by it, shown since
    // the main window is visible) and lets it settle.
    void Open(CPopInfoDlg& dlg) {
        if (!owner_.m_hWnd)
            owner_.CreateEx(0, L"STATIC", L"main", WS_POPUP | WS_VISIBLE, RECT{0, 0, 20, 20}, nullptr, 0);
        ASSERT_TRUE(dlg.Create(&owner_));
        ::ShowWindow(dlg.m_hWnd, SW_SHOWNOACTIVATE);
        testutil::PumpUntilPreTranslated([] { return false; }, 150);
    }
    static void Shot(HWND wnd, const wchar_t* name) {
        testutil::Repaint(wnd);
        testutil::SaveShot(testutil::CaptureScreen(wnd), name);
    }
    std::wstring settings_;
    CWnd owner_;
};

TEST_F(PopInfoTest, ThreeLayouts) {
    const std::wstring body = L"新服「星海之潮」今日10点开启，首周登录即领豪华礼包，充值再享双倍星钻！更多活动请看官网。";
    struct Case {
        const wchar_t* name;
        bool picture, text;
        SIZE size;
    } cases[] = {
        {L"notice_picture_text.png", true, true, {250, 191}},
        {L"notice_text.png", false, true, {250, 167}},
        {L"notice_picture.png", true, false, {160, 212}},
    };
    RECT work{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    for (const Case& c : cases) {
        ::DeleteFileW(settings_.c_str());
        Publish(Record(L"2099-12-31", c.picture ? L"{{PICTURE}}" : L"", c.text ? body : L""));
        CPopInfoDlg dlg;
        Open(dlg);
        ASSERT_TRUE(::IsWindowVisible(dlg.m_hWnd)) << c.name;
        RECT r = dlg.GetWindowRect();
        EXPECT_EQ(r.right - r.left, c.size.cx) << c.name;
        EXPECT_EQ(r.bottom - r.top, c.size.cy) << c.name;
        EXPECT_EQ(r.right, work.right) << c.name << ": bottom-right corner of the work area";
        EXPECT_EQ(r.bottom, work.bottom) << c.name;
        EXPECT_TRUE(::GetWindowLongPtrW(dlg.m_hWnd, GWL_EXSTYLE) & WS_EX_TOPMOST);
        EXPECT_TRUE(::GetWindowLongPtrW(dlg.m_hWnd, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
        if (c.text) {
            EXPECT_TRUE(::IsWindowVisible(dlg.m_stTitle.m_hWnd));
            EXPECT_EQ(dlg.m_stTitle.m_strText, L"星潮纪元·新服开启");
            const size_t width = c.picture ? 11 : 18;
            EXPECT_EQ(dlg.m_stLines[0].m_strText, body.substr(0, width)) << c.name;
            EXPECT_TRUE(::GetWindowLongPtrW(dlg.m_stLines[0].m_hWnd, GWL_STYLE) & SS_NOTIFY);
        } else {
            EXPECT_FALSE(::IsWindowVisible(dlg.m_stTitle.m_hWnd));
            EXPECT_TRUE(::IsWindowVisible(dlg.m_stLines[1].m_hWnd)) << "the picture label";
            EXPECT_GT(dlg.m_stLines[1].m_nImageWidth, 0);
        }
        if (c.picture && c.text) {
            EXPECT_GT(dlg.m_stPicture.m_nImageWidth, 0) << "the downloaded picture";
        }
        Shot(dlg.m_hWnd, c.name);
    }
}

// The notice at the display's scale (ctest runs the DisplayScale suites at
// 120, 144 and 192 dpi too): the window is its skin's scaled size, each label
// lies at its 100 % place scaled (within a pixel), inside the window and clear
// of the others and of the close button, and the texts fit their labels.
class DisplayScaleNotice : public PopInfoTest {
public:
    static RECT Relative(HWND wnd, HWND origin) {
        RECT r{}, o{};
        ::GetWindowRect(wnd, &r);
        ::GetWindowRect(origin, &o);
        ::OffsetRect(&r, -o.left, -o.top);
        return r;
    }
    static bool Near(const RECT& got, const skin::Rect& want) {
        return std::abs(got.left - want.left) <= 1 && std::abs(got.top - want.top) <= 1 &&
               std::abs(got.right - want.right) <= 1 && std::abs(got.bottom - want.bottom) <= 1;
    }
    // The size of `text` as the label draws it, in its own font.
    static SIZE TextSize(CStaticEx& label, const std::wstring& text) {
        fw::WindowDC dc(label.m_hWnd);
        HFONT font = label.m_font.GetSafeHandle() ? static_cast<HFONT>(label.m_font) : label.GetFont();
        fw::ScopedSelect select(dc, font);
        RECT r{0, 0, 0, 0};
        ::DrawTextW(dc, text.c_str(), -1, &r, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
        return {r.right - r.left, r.bottom - r.top};
    }
};

struct NoticeLabel {
    const char* name;
    int line;  // -1: the title, -2: the picture, -3: "详细>>", else a body line
    skin::Rect design;
};
struct NoticeCase {
    const wchar_t* shot;
    bool picture, text;
    skin::Size size;
    skin::Rect close;
    std::vector<NoticeLabel> labels;
};

// The notice laid out for `dpi`: its size, close button and labels at their
// scaled design places, in the work area's bottom-right corner, the picture
// (75 x 80 at 100 %) drawn at the scale.
void ExpectNoticeAtTheScale(CPopInfoDlg& dlg, const NoticeCase& c, int dpi) {
    SCOPED_TRACE(testing::Message() << "at " << dpi << " dpi");
    const RECT whole = DisplayScaleNotice::Relative(dlg.m_hWnd, dlg.m_hWnd);
    const skin::Size size = skin::ScaleSize(c.size, dpi);
    EXPECT_EQ(whole.right, size.cx);
    EXPECT_EQ(whole.bottom, size.cy);
    RECT work{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const RECT placed = dlg.GetWindowRect();
    EXPECT_EQ(placed.right, work.right) << "in the bottom-right corner";
    EXPECT_EQ(placed.bottom, work.bottom);
    const RECT close = DisplayScaleNotice::Relative(dlg.m_btnClose.m_hWnd, dlg.m_hWnd);
    EXPECT_TRUE(DisplayScaleNotice::Near(close, skin::ScaleRect(c.close, dpi))) << "close button";

    std::vector<std::pair<std::string, RECT>> seen{{"close", close}};
    for (const NoticeLabel& l : c.labels) {
        CStaticEx& label = l.line == -1 ? dlg.m_stTitle
                           : l.line == -2 ? dlg.m_stPicture
                           : l.line == -3 ? dlg.m_stMore
                                          : dlg.m_stLines[l.line];
        const RECT r = DisplayScaleNotice::Relative(label.m_hWnd, dlg.m_hWnd);
        EXPECT_TRUE(::IsWindowVisible(label.m_hWnd)) << l.name;
        EXPECT_TRUE(DisplayScaleNotice::Near(r, skin::ScaleRect(l.design, dpi)))
            << l.name << ": (" << r.left << "," << r.top << ")-(" << r.right << "," << r.bottom << ")";
        if (l.line != 1 || c.text) {  // the picture alone overhangs the left edge by design
            EXPECT_GE(r.left, 0) << l.name;
            EXPECT_LE(r.right, whole.right) << l.name;
        }
        EXPECT_LE(r.bottom, whole.bottom) << l.name;
        if (l.line == -2 || (l.line == 1 && !c.text)) {
            EXPECT_EQ(label.m_nImageWidth, skin::ScalePx(75, dpi)) << "the picture";
            EXPECT_EQ(label.m_nImageHeight, skin::ScalePx(80, dpi)) << "the picture";
        }
        const std::wstring text = l.line == -3 ? L"详细>>" : label.m_strText;
        if (!text.empty()) {
            const SIZE need = DisplayScaleNotice::TextSize(label, text);
            EXPECT_LE(need.cx, r.right - r.left) << l.name << " text width";
            EXPECT_LE(need.cy, r.bottom - r.top + 1) << l.name << " text height";
        }
        for (const auto& [name, other] : seen) {
            // The picture alone reaches a pixel up under the close strip
            // by design (where the strip's tab is keyed away).
            if (!c.text && name == "close") continue;
            RECT both{};
            EXPECT_FALSE(::IntersectRect(&both, &r, &other)) << l.name << " / " << name;
        }
        seen.emplace_back(l.name, r);
    }
    // Nothing else of the template shows: only the body lines the case does
    // not list (as many as the text fills).
    CStaticEx* const others[] = {&dlg.m_stPicture, &dlg.m_stTitle, &dlg.m_stMore};
    for (CStaticEx* label : others) {
        const bool listed = std::any_of(c.labels.begin(), c.labels.end(), [&](const NoticeLabel& l) {
            return (l.line == -2 && label == &dlg.m_stPicture) || (l.line == -1 && label == &dlg.m_stTitle) ||
                   (l.line == -3 && label == &dlg.m_stMore);
        });
        if (!listed) {
            EXPECT_FALSE(::IsWindowVisible(label->m_hWnd)) << ::GetDlgCtrlID(label->m_hWnd);
        }
    }
    if (!c.text) {
        for (int line : {0, 2, 3, 4}) EXPECT_FALSE(::IsWindowVisible(dlg.m_stLines[line].m_hWnd)) << "line " << line;
    }
}

// Each layout at the display's scale; then moved to a display of another
// scale, laid out again there, its picture drawn again from the bytes it
// downloaded: nothing more reaches the site.
TEST_F(DisplayScaleNotice, LaidOutAtTheScaledDesign) {
    const int dpi = fw::SystemDpi();
    const int other = dpi == 192 ? 144 : 192;
    // Eleven (eighteen without a picture) characters a line, as the notice cuts them.
    const std::wstring body = L"新服「星海之潮」今日10点开启，首周登录即领豪华礼包，充值再享双倍星钻！更多活动请看官网。";
    const NoticeCase cases[] = {
        {L"notice_picture_text", true, true, {250, 191}, {193, 3, 247, 25},
         {{"picture", -2, {15, 67, 90, 147}}, {"title", -1, {100, 48, 230, 63}}, {"line 1", 0, {100, 68, 233, 81}},
          {"line 5", 4, {100, 132, 233, 145}}, {"more", -3, {195, 168, 237, 181}}}},
        {L"notice_text", false, true, {250, 167}, {193, 3, 247, 25},
         {{"title", -1, {0, 45, 250, 60}}, {"line 1", 0, {18, 65, 234, 78}}, {"line 3", 2, {18, 97, 234, 110}},
          {"more", -3, {195, 145, 237, 158}}}},
        {L"notice_picture", true, false, {160, 212}, {106, 1, 160, 23}, {{"picture", 1, {-3, 22, 160, 212}}}},
    };
    for (const NoticeCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "layout " << (&c - cases));
        ::DeleteFileW(settings_.c_str());
        Publish(Record(L"2099-12-31", c.picture ? L"{{PICTURE}}" : L"", c.text ? body : L""));
        CPopInfoDlg dlg;
        Open(dlg);
        ASSERT_TRUE(::IsWindowVisible(dlg.m_hWnd));
        ExpectNoticeAtTheScale(dlg, c, dpi);
        Shot(dlg.m_hWnd, (std::wstring(c.shot) + L"_" + std::to_wstring(dpi) + L"dpi.png").c_str());

        opsite::Control(L"requests?clear=1");
        RECT suggested = dlg.GetWindowRect();
        ::SendMessageW(dlg.m_hWnd, WM_DPICHANGED, MAKEWPARAM(other, other), reinterpret_cast<LPARAM>(&suggested));
        testutil::PumpUntilPreTranslated([] { return false; }, 100);
        ExpectNoticeAtTheScale(dlg, c, other);
        Shot(dlg.m_hWnd, (std::wstring(c.shot) + L"_" + std::to_wstring(dpi) + L"dpi_moved_to_" +
                          std::to_wstring(other) + L"dpi.png")
                             .c_str());
        EXPECT_EQ(opsite::CountRequests("HTTP/1.1"), 0) << "no second download";
    }
}

TEST_F(PopInfoTest, NoticesThatAreNotShown) {
    std::wstring big = L"N7|2099-12-31|title|||Hello||3";  // ASCII: one byte a character
    big += std::wstring(1024 - big.size(), L'0');           // the count's digits: 1024 bytes in all
    const std::wstring refused[] = {
        Record(Today(-1), L"", L"Hello"),   // ended yesterday
        L"N7|2099-12-31|only|four|fields",  // a separator missing
        big,
    };
    for (const std::wstring& text : refused) {
        Publish(text);
        CPopInfoDlg dlg;
        Open(dlg);
        // Its own posted SC_MINIMIZE has closed it.
        EXPECT_FALSE(::IsWindowVisible(dlg.m_hWnd)) << text.substr(0, 40);
        RECT r = dlg.GetWindowRect();
        EXPECT_EQ(r.right - r.left, 0) << "never seen: no size";
        EXPECT_EQ(Setting(L"PopEnable"), L"<none>") << "nothing written for a notice not shown";
    }
    std::wstring fits = big.substr(0, 1023);
    Publish(fits);
    CPopInfoDlg dlg;
    Open(dlg);
    EXPECT_TRUE(::IsWindowVisible(dlg.m_hWnd)) << "1023 bytes are shown";

    Publish(Record(Today(0), L"", L"Hello"));
    CPopInfoDlg today;
    Open(today);
    EXPECT_TRUE(::IsWindowVisible(today.m_hWnd)) << "shown on its end date";
}

TEST_F(PopInfoTest, ClosedOrClickedNoticeStaysAwayUntilANewOne) {
    const std::wstring text = Record(L"2099-12-31", L"", L"Hello");
    Publish(text);
    {
        CPopInfoDlg dlg;
        Open(dlg);
        ASSERT_TRUE(::IsWindowVisible(dlg.m_hWnd));
        EXPECT_EQ(Setting(L"PopEnable"), L"1");
        ::PostMessageW(dlg.m_hWnd, WM_COMMAND, kIdCaptionClose, 0);  // the skinned close button
        EXPECT_TRUE(testutil::PumpUntilPreTranslated([&] { return !::IsWindowVisible(dlg.m_hWnd); }, 3000));
        EXPECT_EQ(Setting(L"PopEnable"), L"0");
    }
    {
        CPopInfoDlg again;
        Open(again);
        EXPECT_FALSE(::IsWindowVisible(again.m_hWnd)) << "dismissed";
    }
    Publish(L"N8" + text.substr(2));
    {
        CPopInfoDlg fresh;
        Open(fresh);
        ASSERT_TRUE(::IsWindowVisible(fresh.m_hWnd)) << "a new notice is shown";
        EXPECT_EQ(Setting(L"PopEnable"), L"1");
        // A click on a body line closes it for good as well.
        ::SendMessageW(fresh.m_hWnd, WM_COMMAND, MAKEWPARAM(1016, STN_CLICKED),
                       reinterpret_cast<LPARAM>(fresh.m_stLines[0].m_hWnd));
        EXPECT_FALSE(::IsWindowVisible(fresh.m_hWnd));
        EXPECT_EQ(Setting(L"PopEnable"), L"0");
    }
}

// A click on a notice whose link is no http/https address opens nothing:
// were the check gone, the shell would start the program the link names.
TEST_F(PopInfoTest, ClickOnALinkThatIsNoWebAddressOpensNothing) {
    EndProcessesNamed(L"regsvr32.exe");
    for (const wchar_t* link : {L"C:\\windows\\system32\\regsvr32.exe", L"file:///C:/windows/system32/regsvr32.exe",
                                L"regsvr32.exe", L"  http://127.0.0.1/"}) {
        Publish(L"L1|2099-12-31|标题|" + std::wstring(link) + L"|正文||3");
        CPopInfoDlg dlg;
        Open(dlg);
        ASSERT_TRUE(::IsWindowVisible(dlg.m_hWnd)) << link;
        ::SendMessageW(dlg.m_hWnd, WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(dlg.m_stTitle.m_hWnd), STN_CLICKED),
                       reinterpret_cast<LPARAM>(dlg.m_stTitle.m_hWnd));
        EXPECT_FALSE(::IsWindowVisible(dlg.m_hWnd)) << link << ": the click closes the notice";
        testutil::PumpUntilPreTranslated([] { return false; }, 1500);
        EXPECT_EQ(EndProcessesNamed(L"regsvr32.exe"), 0) << link << " was opened";
    }
}

TEST_F(PopInfoTest, HostileNoticeCannotRewriteTheSettingsFile) {
    ::WritePrivateProfileStringW(L"XCJY", L"ShortKey", L"1601", settings_.c_str());
    ::WritePrivateProfileStringW(L"XCJY", L"UnInst", L"3", settings_.c_str());
    // A title that would end its line and write keys and a section of its own.
    std::wstring text = L"N9|2099-12-31|t\r\nShortKey=0\r\nUnInst=0\r\n[XCJY]\r\nPopEnable=0\r\n[Other]\nx=1||body||3";
    Publish(text);
    {
        CPopInfoDlg dlg;
        Open(dlg);
    }
    std::string raw = testutil::ReadFileText(settings_);
    size_t sections = 0;
    for (size_t at = raw.find('['); at != std::string::npos; at = raw.find('[', at + 1))
        // At a line's start, in a narrow or a UTF-16 file.
        if (at == 0 || raw[at - 1] == '\n' || (at >= 2 && raw[at - 1] == '\0' && raw[at - 2] == '\n')) ++sections;
    EXPECT_EQ(sections, 1u) << raw;
    EXPECT_EQ(Setting(L"ShortKey"), L"1601");
    EXPECT_EQ(Setting(L"UnInst"), L"3");
    EXPECT_EQ(Setting(L"PopEnable"), L"1");
}

TEST_F(PopInfoTest, ShownAsOftenAsTheCountSays) {
    for (int count : {3, 1, 0}) {
        ::DeleteFileW(settings_.c_str());
        g_nNoticeShown = 1;
        Publish(Record(L"2099-12-31", L"", L"Hello", count));
        CPopInfoDlg dlg;
        dlg.m_nShowMs = 150;
        dlg.m_nPauseMs = 150;
        Open(dlg);
        int showings = 1;  // Open() has shown it
        bool wasVisible = true;
        bool ended = testutil::PumpUntilPreTranslated(
            [&] {
                bool visible = ::IsWindowVisible(dlg.m_hWnd) != FALSE;
                if (visible && !wasVisible) ++showings;
                wasVisible = visible;
                return !visible && Setting(L"PopEnable") == L"1" && g_nNoticeShown >= std::max(count, 1) &&
                       showings >= std::max(count, 1);
            },
            5000);
        testutil::PumpUntilPreTranslated([] { return false; }, 400);
        EXPECT_TRUE(ended) << count;
        EXPECT_EQ(showings, std::max(count, 1)) << count;
        EXPECT_FALSE(::IsWindowVisible(dlg.m_hWnd));
        EXPECT_EQ(Setting(L"PopEnable"), L"1") << "ran out: shown again next run";
    }
}

}  // namespace
