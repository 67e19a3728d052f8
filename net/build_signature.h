// The operator's signature on a published build, checked with the system's
// own cryptography (CNG: ECDSA P-256 over SHA-256) against the public key the
// launcher was built with. A build runs or replaces the launcher only when the
// signed statement describes the very file on disk.
#pragma once

#include "net/signed_statement.h"

#include <windows.h>

#include <array>
#include <optional>
#include <string>
#include <string_view>

using PublicKey = std::array<uint8_t, 64>;  // X || Y, big-endian

// The key this build trusts (the CMake setting XCJY_SIGNING_PUBLIC_KEY).
const PublicKey& OperatorPublicKey();

// TRUE when signature (r || s) is the key's signature of the message bytes.
bool VerifyEcdsaP256(const PublicKey& key, std::string_view message,
                     const std::array<uint8_t, signing::kSignatureBytes>& signature);

// The SHA-256 of a file as 64 lower-case hexadecimal digits, with its size.
// Reads through `file` (an open handle from its start), so that what is
// hashed is what the holder of the handle keeps from being changed.
bool HashOpenFile(HANDLE file, std::string& sha256Hex, uint64_t& size);

// The four numbers of a file's fixed file version (its version resource).
std::optional<signing::Version> FileVersionNumbers(const wchar_t* path);

enum class SignatureCheck {
    Good,
    Missing,     // no statement or no signature published
    Malformed,   // published, but not in the statement's or signature's form
    BadSignature,
    NotThisFile, // signed, but for another product, version, size or content
    NotNewer,    // signed, but not newer than the running build
    Unreadable,  // the file could not be read
};

struct SignedBuildCheck {
    std::wstring path;
    HANDLE openFile = nullptr;                  // optional: read through this handle
    std::wstring statement;                     // as published (INI value)
    std::wstring signatureHex;                  // as published (INI value)
    std::string product;                        // what the file must be
    std::optional<signing::Version> mustExceed; // an update's floor: the running version
    const PublicKey* key = nullptr;             // default: OperatorPublicKey()
};

SignatureCheck CheckSignedBuild(const SignedBuildCheck& check);

// The running launcher's own version, as its identity uses it.
signing::Version OwnVersion();
