// The boss key's stored form ("ShortKey" of the settings file, which any user
// can edit) and the settings field's capture of a key.
#include "bosskey/hotkey.h"
#include "tests/fuzz/fuzz_input.h"

#include <fuzzer/FuzzedDataProvider.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    const int modifiers = in.ConsumeIntegral<int>();
    const int keyCode = in.ConsumeIntegral<int>();
    const unsigned pressed = in.ConsumeIntegralInRange<unsigned>(0, 300);
    const bool ctrl = in.ConsumeBool(), shift = in.ConsumeBool(), alt = in.ConsumeBool();
    const std::wstring stored = fuzz::WideFromBytes(in.ConsumeRemainingBytesAsString());

    // Whatever is stored reads as some pair, and that pair written and read
    // again stays the same.
    const Hotkey read = ParseHotkeySetting(stored);
    fuzz::Check(ParseHotkeySetting(FormatHotkeySetting(read)) == read, "a read setting round-trips");
    const Hotkey any{modifiers, keyCode};
    fuzz::Check(ParseHotkeySetting(FormatHotkeySetting(any)) == any, "every pair round-trips");
    if (stored.find(L',') == std::wstring::npos) fuzz::Check(read.keyCode == 0, "no comma, no key");

    fuzz::Check(KeyName(static_cast<unsigned>(keyCode)).size() <= 15, "a key name fits 15 characters");
    const std::wstring shown = FormatHotkey(keyCode, modifiers);
    fuzz::Check(keyCode == 0 ? shown == kNoBossKeyText : shown.ends_with(KeyName(static_cast<unsigned>(keyCode))),
                "no key shows as 无, any other ends with its name");

    // A boss key key pressed in the field is what the field gives back.
    const KeyCapture capture = CaptureKey(pressed, ctrl, shift, alt, 0);
    if (IsBossKeyKey(pressed)) {
        const std::optional<Hotkey> key = HotkeyFromFieldText(capture.text, capture.capturedKey);
        const int mods = (ctrl ? kModCtrl : 0) | (shift ? kModShift : 0) | (alt ? kModAlt : 0);
        fuzz::Check(key && *key == (Hotkey{mods, static_cast<int>(pressed)}), "a captured key comes back");
        fuzz::Check(capture.text == FormatHotkey(static_cast<int>(pressed), mods), "the field shows the key's text");
    }
    return 0;
}
