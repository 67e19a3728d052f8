#include "bosskey/hotkey.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

namespace {

// The expected names, written out by hand from the key table of the product's
// documentation, column by column, with each code as the platform's
// virtual-key list gives it (hexadecimal, its VK_ name beside it). It is kept
// in another order and notation than the code's table on purpose: a copy of
// that table would repeat its typos.
std::map<unsigned, std::wstring> ExpectedKeyNames() {
    std::map<unsigned, std::wstring> names = {
        // first column
        {0x08 /* VK_BACK */, L"Back"},
        {0x09 /* VK_TAB */, L"Tab"},
        {0x0D /* VK_RETURN */, L"Enter"},
        {0x10 /* VK_SHIFT */, L"Shift"},
        {0x11 /* VK_CONTROL */, L"Ctrl"},
        {0x12 /* VK_MENU */, L"Alt"},
        {0x13 /* VK_PAUSE */, L"Pause Break"},
        {0x14 /* VK_CAPITAL */, L"Caps"},
        {0x1B /* VK_ESCAPE */, L"Esc"},
        {0x21 /* VK_PRIOR */, L"Page Up"},
        {0x22 /* VK_NEXT */, L"Page Down"},
        {0x23 /* VK_END */, L"End"},
        // second column
        {0x24 /* VK_HOME */, L"Home"},
        {0x25 /* VK_LEFT */, L"Left"},
        {0x26 /* VK_UP */, L"Up"},
        {0x27 /* VK_RIGHT */, L"Right"},
        {0x28 /* VK_DOWN */, L"Down"},
        {0x2D /* VK_INSERT */, L"Insert"},
        {0x2E /* VK_DELETE */, L"Del"},
        {0x5B /* VK_LWIN */, L"LWin"},
        {0x5C /* VK_RWIN */, L"RWin"},
        {0x6A /* VK_MULTIPLY */, L"Num *"},
        {0x6B /* VK_ADD */, L"Num +"},
        {0x6D /* VK_SUBTRACT */, L"Num -"},
        {0x6E /* VK_DECIMAL */, L"Num Del"},
        {0x6F /* VK_DIVIDE */, L"Num /"},
        {0x90 /* VK_NUMLOCK */, L"Num Lock"},
        // third column
        {0x91 /* VK_SCROLL */, L"Scroll Lock"},
        {0xBA /* VK_OEM_1 */, L";"},
        {0xBB /* VK_OEM_PLUS */, L"+"},
        {0xBC /* VK_OEM_COMMA */, L","},
        {0xBD /* VK_OEM_MINUS */, L"-"},
        {0xBE /* VK_OEM_PERIOD */, L"."},
        {0xBF /* VK_OEM_2 */, L"/"},
        {0xC0 /* VK_OEM_3 */, L"`"},
        {0xDB /* VK_OEM_4 */, L"["},
        {0xDC /* VK_OEM_5 */, std::wstring(1, wchar_t{0x5C})},
        {0xDD /* VK_OEM_6 */, L"]"},
        {0xDE /* VK_OEM_7 */, L"'"},
    };
    // The names that follow a rule.
    for (wchar_t c = L'0'; c <= L'9'; ++c) names[c] = std::wstring(1, c);
    for (wchar_t c = L'A'; c <= L'Z'; ++c) names[c] = std::wstring(1, c);
    for (unsigned n = 0; n <= 9; ++n) names[0x60 /* VK_NUMPAD0 */ + n] = L"Num " + std::to_wstring(n);
    for (unsigned n = 1; n <= 12; ++n) names[0x70 /* VK_F1 */ + n - 1] = L"F" + std::to_wstring(n);
    return names;
}

TEST(KeyName, EveryCodeHasItsDocumentedNameAndNoOtherIsNamed) {
    const std::map<unsigned, std::wstring> expected = ExpectedKeyNames();
    ASSERT_EQ(expected.size(), 36u + 10u + 12u + 39u);
    for (unsigned code = 0; code < 512; ++code) {
        auto it = expected.find(code);
        EXPECT_EQ(KeyName(code), it == expected.end() ? L"" : it->second) << "code " << code;
        EXPECT_LE(KeyName(code).size(), 15u) << code;
    }
    // Unnamed by name: the space bar, the application key, the keypad separator.
    for (unsigned code : {0x20u, 0x5Du, 0x6Cu, 0xFFFFFFFFu}) EXPECT_EQ(KeyName(code), L"") << code;
}

TEST(IsBossKeyKey, ExactlyTheAllowedCodes) {
    std::set<unsigned> allowed = {20, 45, 144};
    for (unsigned c = 112; c <= 122; ++c) allowed.insert(c);
    for (unsigned c = 48; c <= 57; ++c) allowed.insert(c);
    for (unsigned c = 65; c <= 90; ++c) allowed.insert(c);
    for (unsigned c = 33; c <= 40; ++c) allowed.insert(c);
    for (unsigned c = 96; c <= 107; ++c) allowed.insert(c);
    for (unsigned c = 109; c <= 111; ++c) allowed.insert(c);
    for (unsigned c = 186; c <= 192; ++c) allowed.insert(c);
    for (unsigned c = 219; c <= 222; ++c) allowed.insert(c);
    for (unsigned code = 0; code < 300; ++code) EXPECT_EQ(IsBossKeyKey(code), allowed.count(code) == 1) << code;
    // The edges named for it.
    EXPECT_TRUE(IsBossKeyKey(122));
    EXPECT_FALSE(IsBossKeyKey(123));
    EXPECT_FALSE(IsBossKeyKey(32));
    EXPECT_FALSE(IsBossKeyKey(93));
    EXPECT_FALSE(IsBossKeyKey(108));
    EXPECT_TRUE(IsBossKeyKey(144));
}

TEST(FormatHotkey, PrefixesInCtrlShiftAltOrderWhateverTheBits) {
    const struct {
        int key, mods;
        const wchar_t* text;
    } cases[] = {
        {121, 0, L"F10"},
        {0, 0, L"无"},
        {0, 7, L"无"},
        {121, 7, L"Ctrl  +  Shift  +  Alt  +  F10"},
        {65, 6, L"Ctrl  +  Shift  +  A"},
        {65, 5, L"Shift  +  Alt  +  A"},
        {65, 3, L"Ctrl  +  Alt  +  A"},
        {88, 2, L"Ctrl  +  X"},
        {88, 1, L"Alt  +  X"},
        {32, 2, L"Ctrl  +  "},  // a key without a name
        {65, 8, L"A"},          // the Windows-key bit shows nothing
    };
    for (const auto& c : cases) EXPECT_EQ(FormatHotkey(c.key, c.mods), c.text) << c.key << "," << c.mods;
}

TEST(ParseHotkeySetting, StoredFormsAndGarbage) {
    const struct {
        const wchar_t* value;
        Hotkey key;
    } cases[] = {
        {L"0,121", {0, 121}},
        {L"0,0", {0, 0}},
        {L"2", {2, 0}},
        {L"6,65", {6, 65}},
        {L" 2, 88", {2, 88}},
        {L"\t+2,\t-3", {2, -3}},
        {L"-1,-1", {-1, -1}},
        {L"2x,88y", {2, 88}},
        {L"+-2,88", {0, 88}},
        {L"2 ,8 8", {2, 8}},
        {L",", {0, 0}},
        {L"", {0, 0}},
        {L"abc", {0, 0}},
        {L"abc,def", {0, 0}},
        {L"1,2,3", {1, 2}},
        {L"99999999999,-99999999999", {2147483647, -2147483647 - 1}},
    };
    for (const auto& c : cases) EXPECT_EQ(ParseHotkeySetting(c.value), c.key) << testing::PrintToString(c.value);
    EXPECT_EQ(ParseHotkeySetting(kDefaultHotkeySetting), (Hotkey{0, kVkF10}));
    EXPECT_EQ(FormatHotkeySetting({6, 65}), L"6,65");
    EXPECT_EQ(FormatHotkeySetting({0, 0}), L"0,0");
}

TEST(CaptureKey, ClearingKeysNamedKeysAndOthers) {
    const struct {
        unsigned key;
        bool ctrl, shift, alt;
        const wchar_t* text;
        int captured;
    } cases[] = {
        {88, true, false, false, L"Ctrl  +  X", 88},
        {17, true, false, false, L"Ctrl  +  ", 121},  // Ctrl alone
        {46, true, false, false, L"无", 121},          // Del clears, prefixes or not
        {8, false, false, false, L"无", 121},
        {91, false, false, false, L"无", 121},
        {92, false, false, false, L"无", 121},
        {123, false, true, false, L"无", 121},
        {121, false, false, false, L"F10", 121},
        {65, true, true, true, L"Ctrl  +  Shift  +  Alt  +  A", 65},
        {32, false, false, false, L"", 121},            // space: nothing
        {9, false, true, false, L"Shift  +  ", 121},    // Tab is no boss key
        {144, false, false, false, L"Num Lock", 144},
    };
    for (const auto& c : cases) {
        KeyCapture got = CaptureKey(c.key, c.ctrl, c.shift, c.alt, 121);
        EXPECT_EQ(got.text, c.text) << c.key;
        EXPECT_EQ(got.capturedKey, c.captured) << c.key;
    }
}

TEST(HotkeyFromFieldText, WhatOkStores) {
    EXPECT_EQ(HotkeyFromFieldText(L"Ctrl  +  X", 88), (Hotkey{2, 88}));
    EXPECT_EQ(HotkeyFromFieldText(L"Ctrl  +  Shift  +  Alt  +  A", 65), (Hotkey{7, 65}));
    EXPECT_EQ(HotkeyFromFieldText(L"无", 88), (Hotkey{0, 0}));
    EXPECT_EQ(HotkeyFromFieldText(L"F10", 121), (Hotkey{0, 121}));
    EXPECT_FALSE(HotkeyFromFieldText(L"Ctrl  +  ", 88));
    EXPECT_FALSE(HotkeyFromFieldText(L"", 88));
}

}  // namespace
