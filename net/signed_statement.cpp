#include "net/signed_statement.h"

#include "core/hex_digit.h"

#include <charconv>

namespace signing {

namespace {

// Reads "name=" and the value up to the next ';' (or the end) from text,
// moving past both.
std::optional<std::string_view> TakeField(std::string_view& text, std::string_view name) {
    if (text.size() <= name.size() || text.substr(0, name.size()) != name || text[name.size()] != '=')
        return std::nullopt;
    text.remove_prefix(name.size() + 1);
    size_t end = text.find(';');
    std::string_view value = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    return value;
}

template <typename Number>
std::optional<Number> ParseDecimal(std::string_view text, Number limit) {
    // Digits only: from_chars would take a sign or stop early silently.
    if (text.empty() || text.size() > 20 || (text.size() > 1 && text[0] == '0')) return std::nullopt;
    for (char c : text)
        if (c < '0' || c > '9') return std::nullopt;
    Number value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value > limit) return std::nullopt;
    return value;
}

bool IsLowerHexDigest(std::string_view text) {
    if (text.size() != 64) return false;
    for (char c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    return true;
}

bool IsProductName(std::string_view text) {
    if (text.empty()) return false;
    for (char c : text)
        if (c <= ' ' || c > '~' || c == ';' || c == '=') return false;
    return true;
}

}  // namespace

std::optional<Version> ParseVersionText(std::string_view text) {
    Version version{};
    for (size_t i = 0; i < version.size(); ++i) {
        size_t comma = text.find(',');
        const bool last = i + 1 == version.size();
        if (last != (comma == std::string_view::npos)) return std::nullopt;
        std::optional<uint32_t> number = ParseDecimal<uint32_t>(text.substr(0, comma), 0xFFFF);
        if (!number) return std::nullopt;
        version[i] = *number;
        text.remove_prefix(last ? text.size() : comma + 1);
    }
    return version;
}

std::string VersionText(const Version& version) {
    return std::to_string(version[0]) + "," + std::to_string(version[1]) + "," + std::to_string(version[2]) + "," +
           std::to_string(version[3]);
}

std::string FormatStatement(const BuildStatement& statement) {
    return std::string(kStatementFormat) + ";product=" + statement.product +
           ";version=" + VersionText(statement.version) + ";size=" + std::to_string(statement.size) +
           ";sha256=" + statement.sha256Hex;
}

std::optional<BuildStatement> ParseStatement(std::string_view text) {
    if (text.substr(0, kStatementFormat.size()) != kStatementFormat || text.size() == kStatementFormat.size() ||
        text[kStatementFormat.size()] != ';')
        return std::nullopt;
    text.remove_prefix(kStatementFormat.size() + 1);
    auto product = TakeField(text, "product");
    if (!product || !IsProductName(*product)) return std::nullopt;
    auto versionText = TakeField(text, "version");
    std::optional<Version> version = versionText ? ParseVersionText(*versionText) : std::nullopt;
    if (!version) return std::nullopt;
    auto sizeText = TakeField(text, "size");
    std::optional<uint64_t> size = sizeText ? ParseDecimal<uint64_t>(*sizeText, UINT64_MAX) : std::nullopt;
    if (!size) return std::nullopt;
    // The digest is the last field: nothing may follow it, not even a ';'.
    if (text.find(';') != std::string_view::npos) return std::nullopt;
    auto digest = TakeField(text, "sha256");
    if (!digest || !text.empty() || !IsLowerHexDigest(*digest)) return std::nullopt;
    return BuildStatement{std::string(*product), *version, *size, std::string(*digest)};
}

std::optional<std::string> NarrowAscii(std::wstring_view text) {
    std::string narrow;
    narrow.reserve(text.size());
    for (wchar_t c : text) {
        if (c < L' ' || c > L'~') return std::nullopt;
        narrow += static_cast<char>(c);
    }
    return narrow;
}

std::optional<std::array<uint8_t, kSignatureBytes>> ParseSignatureHex(std::string_view hex) {
    if (hex.size() != 2 * kSignatureBytes) return std::nullopt;
    std::array<uint8_t, kSignatureBytes> bytes{};
    for (size_t i = 0; i < bytes.size(); ++i) {
        int high = hex::DigitValue(hex[2 * i]), low = hex::DigitValue(hex[2 * i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        bytes[i] = static_cast<uint8_t>(high * 16 + low);
    }
    return bytes;
}

Binding CheckBinding(const BuildStatement& statement, const BuildFacts& facts, std::string_view product,
                     const std::optional<Version>& mustExceed) {
    if (statement.product != product) return Binding::OtherProduct;
    if (statement.version != facts.version) return Binding::OtherVersion;
    if (statement.size != facts.size) return Binding::OtherSize;
    if (statement.sha256Hex != facts.sha256Hex) return Binding::OtherDigest;
    if (mustExceed && !(statement.version > *mustExceed)) return Binding::NotNewer;
    return Binding::Bound;
}

}  // namespace signing
