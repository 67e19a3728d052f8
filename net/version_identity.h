// The identity of a launcher build: its file's MD5 digest with the version
// text in its last characters. Builds are told apart by this text alone, never
// ordered by version.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The digest text cut so that the version text (with every "." removed) fills
// its last characters: for "15,1,23,3", 23 hexadecimal digits and 9 characters.
std::wstring MakeVersionIdentity(std::wstring_view md5Hex, std::wstring_view version);
// Identities are compared without regard to letter case (ASCII).
bool SameIdentity(std::wstring_view a, std::wstring_view b);
// "a,b,c,d" from the fixed version of a version resource.
std::wstring VersionTextFromFixed(uint32_t versionMs, uint32_t versionLs);
// The machines a Windows executable is built for: 32-bit x86 (PE32) and
// x86-64 (PE32+).
enum class PeMachine { X86, X64 };
// The first bytes of a file look like a Windows executable (not a DLL) for
// `machine`: "MZ", a PE header inside these bytes, that machine with its
// optional header (PE32 for x86, PE32+ for x86-64) and the executable-image
// flag.
bool LooksLikeExecutableFor(std::string_view head, PeMachine machine);
