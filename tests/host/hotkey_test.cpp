#include "bosskey/hotkey.h"

#include <gtest/gtest.h>

#include <set>

namespace {

TEST(KeyName, EveryNamedCodeAndTheUnnamedOnes) {
    const std::pair<unsigned, const wchar_t*> cases[] = {
        {48, L"0"},        {57, L"9"},         {65, L"A"},          {90, L"Z"},         {96, L"Num 0"},
        {105, L"Num 9"},   {112, L"F1"},       {121, L"F10"},       {122, L"F11"},      {123, L"F12"},
        {8, L"Back"},      {9, L"Tab"},        {13, L"Enter"},      {16, L"Shift"},     {17, L"Ctrl"},
        {18, L"Alt"},      {19, L"Pause Break"}, {20, L"Caps"},     {27, L"Esc"},       {33, L"Page Up"},
        {34, L"Page Down"}, {35, L"End"},      {36, L"Home"},       {37, L"Left"},      {38, L"Up"},
        {39, L"Right"},    {40, L"Down"},      {45, L"Insert"},     {46, L"Del"},       {91, L"LWin"},
        {92, L"RWin"},     {106, L"Num *"},    {107, L"Num +"},     {109, L"Num -"},    {110, L"Num Del"},
        {111, L"Num /"},   {144, L"Num Lock"}, {145, L"Scroll Lock"}, {186, L";"},      {187, L"+"},
        {188, L","},       {189, L"-"},        {190, L"."},         {191, L"/"},        {192, L"`"},
        {219, L"["},       {220, L"\\"},       {221, L"]"},         {222, L"'"},
        // Unnamed: space, the application key, the keypad separator, gaps and the ends.
        {32, L""},         {93, L""},          {108, L""},          {0, L""},           {47, L""},
        {58, L""},         {64, L""},          {91 + 3, L""},       {124, L""},         {146, L""},
        {193, L""},        {223, L""},         {255, L""},          {0xFFFFFFFFu, L""},
    };
    for (const auto& [code, name] : cases) EXPECT_EQ(KeyName(code), name) << "code " << code;
    for (unsigned code = 0; code < 512; ++code) EXPECT_LE(KeyName(code).size(), 15u) << code;
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
