// The statement the operator signs for a published build: which product it
// is, its own version, its size and its SHA-256. The launcher checks the
// signature over the statement's bytes, then that the statement describes the
// file on disk; a statement is never trusted for what it does not bind.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace signing {

inline constexpr std::string_view kStatementFormat = "xcjy-build/1";
// The product name of the launcher's own builds; a game client's is its name.
inline constexpr std::string_view kLauncherProduct = "XCJY";
inline constexpr size_t kSignatureBytes = 64;  // r || s of P-256

using Version = std::array<uint32_t, 4>;

struct BuildStatement {
    std::string product;
    Version version{};
    uint64_t size = 0;
    std::string sha256Hex;  // 64 lower-case hexadecimal digits
};

// What the launcher learns of a file itself.
struct BuildFacts {
    Version version{};
    uint64_t size = 0;
    std::string sha256Hex;
};

// "a,b,c,d" with four decimal numbers of at most 65535 (a version resource's
// fixed version), nothing else.
std::optional<Version> ParseVersionText(std::string_view text);
std::string VersionText(const Version& version);

// The statement's text as the publishing tool writes and signs it.
std::string FormatStatement(const BuildStatement& statement);
// Exactly the format FormatStatement writes (fields in that order, the
// digest in lower case); anything else is no statement.
std::optional<BuildStatement> ParseStatement(std::string_view text);

// A wide text of printable ASCII only, narrowed; nothing otherwise. The INI
// reader hands the statement over as wide text.
std::optional<std::string> NarrowAscii(std::wstring_view text);

// 128 hexadecimal digits (either case) into the 64 signature bytes.
std::optional<std::array<uint8_t, kSignatureBytes>> ParseSignatureHex(std::string_view hex);

enum class Binding {
    Bound,       // the statement describes this file as this product
    OtherProduct,
    OtherVersion,
    OtherSize,
    OtherDigest,
    NotNewer,    // an update must be newer than the running build
};

// Whether a (signature-checked) statement describes the file with these facts
// as `product`; with `mustExceed`, its version must also be newer than that.
Binding CheckBinding(const BuildStatement& statement, const BuildFacts& facts, std::string_view product,
                     const std::optional<Version>& mustExceed);

}  // namespace signing
