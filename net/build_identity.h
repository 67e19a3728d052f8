// The identity of a launcher file on disk: the running build's own, and a
// downloaded build's, formed the same way.
#pragma once

#include <string>

// The MD5 digest of a file as 32 lower-case hexadecimal digits; false (out
// untouched) when the file cannot be read.
bool ComputeFileMd5(const wchar_t* path, std::wstring& out);
// The running executable's identity with LAUNCHER_VERSION; empty when the
// executable cannot be read.
std::wstring LocalIdentity();
// A downloaded build's identity with the version text of its own version
// resource; empty when it is no executable for the machine this program was
// built for (32-bit x86 for the product) or has no version.
std::wstring IdentityOfExecutable(const wchar_t* path);
