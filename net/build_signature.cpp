#include "net/build_signature.h"

#include "core/launcher_ids.h"
#include "framework/handles.h"
#include "net/operator_public_key.h"

#include <bcrypt.h>

#include <cstring>
#include <vector>

namespace {

struct AlgorithmTraits {
    static BCRYPT_ALG_HANDLE invalid() { return nullptr; }
    static void close(BCRYPT_ALG_HANDLE h) { ::BCryptCloseAlgorithmProvider(h, 0); }
};
struct KeyTraits {
    static BCRYPT_KEY_HANDLE invalid() { return nullptr; }
    static void close(BCRYPT_KEY_HANDLE h) { ::BCryptDestroyKey(h); }
};
struct HashTraits {
    static BCRYPT_HASH_HANDLE invalid() { return nullptr; }
    static void close(BCRYPT_HASH_HANDLE h) { ::BCryptDestroyHash(h); }
};
using UniqueAlgorithm = fw::Unique<BCRYPT_ALG_HANDLE, AlgorithmTraits>;
using UniqueKey = fw::Unique<BCRYPT_KEY_HANDLE, KeyTraits>;
using UniqueHash = fw::Unique<BCRYPT_HASH_HANDLE, HashTraits>;

bool Succeeded(NTSTATUS status) { return status >= 0; }

UniqueAlgorithm OpenAlgorithm(const wchar_t* name) {
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    if (!Succeeded(::BCryptOpenAlgorithmProvider(&algorithm, name, nullptr, 0))) return {};
    return UniqueAlgorithm(algorithm);
}

// A SHA-256 over whatever is fed to it; the hash object's memory is CNG's own
// (Windows 7 and later allocate it when none is given).
class Sha256 {
public:
    Sha256() : m_algorithm(OpenAlgorithm(BCRYPT_SHA256_ALGORITHM)) {
        BCRYPT_HASH_HANDLE hash = nullptr;
        if (m_algorithm && Succeeded(::BCryptCreateHash(m_algorithm.get(), &hash, nullptr, 0, nullptr, 0, 0)))
            m_hash.reset(hash);
    }
    bool Ok() const { return static_cast<bool>(m_hash); }
    bool Add(const void* data, size_t size) {
        return Ok() && Succeeded(::BCryptHashData(m_hash.get(), static_cast<PUCHAR>(const_cast<void*>(data)),
                                                  static_cast<ULONG>(size), 0));
    }
    bool Finish(std::array<uint8_t, 32>& digest) {
        return Ok() && Succeeded(::BCryptFinishHash(m_hash.get(), digest.data(), digest.size(), 0));
    }

private:
    UniqueAlgorithm m_algorithm;
    UniqueHash m_hash;
};

std::string LowerHex(const uint8_t* bytes, size_t size) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (size_t i = 0; i < size; ++i) {
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 15];
    }
    return text;
}

UniqueKey ImportPublicKey(BCRYPT_ALG_HANDLE algorithm, const PublicKey& key) {
    std::vector<uint8_t> blob(sizeof(BCRYPT_ECCKEY_BLOB) + key.size());
    BCRYPT_ECCKEY_BLOB header{BCRYPT_ECDSA_PUBLIC_P256_MAGIC, 32};
    std::memcpy(blob.data(), &header, sizeof header);
    std::memcpy(blob.data() + sizeof header, key.data(), key.size());
    BCRYPT_KEY_HANDLE handle = nullptr;
    if (!Succeeded(::BCryptImportKeyPair(algorithm, nullptr, BCRYPT_ECCPUBLIC_BLOB, &handle, blob.data(),
                                         static_cast<ULONG>(blob.size()), 0)))
        return {};
    return UniqueKey(handle);
}

}  // namespace

const PublicKey& OperatorPublicKey() {
    static const PublicKey key = [] {
        PublicKey k{};
        for (size_t i = 0; i < k.size(); ++i) k[i] = kOperatorPublicKey[i];
        return k;
    }();
    return key;
}

bool VerifyEcdsaP256(const PublicKey& key, std::string_view message,
                     const std::array<uint8_t, signing::kSignatureBytes>& signature) {
    Sha256 sha;
    std::array<uint8_t, 32> digest{};
    if (!sha.Add(message.data(), message.size()) || !sha.Finish(digest)) return false;
    UniqueAlgorithm ecdsa = OpenAlgorithm(BCRYPT_ECDSA_P256_ALGORITHM);
    if (!ecdsa) return false;
    UniqueKey publicKey = ImportPublicKey(ecdsa.get(), key);
    if (!publicKey) return false;
    auto sig = signature;  // the API takes non-const buffers
    return ::BCryptVerifySignature(publicKey.get(), nullptr, digest.data(), digest.size(), sig.data(), sig.size(),
                                   0) == 0;
}

bool HashOpenFile(HANDLE file, std::string& sha256Hex, uint64_t& size) {
    LARGE_INTEGER start{};
    if (!::SetFilePointerEx(file, start, nullptr, FILE_BEGIN)) return false;
    Sha256 sha;
    std::vector<uint8_t> block(256 * 1024);
    uint64_t total = 0;
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(file, block.data(), static_cast<DWORD>(block.size()), &got, nullptr)) return false;
        if (got == 0) break;
        if (!sha.Add(block.data(), got)) return false;
        total += got;
    }
    std::array<uint8_t, 32> digest{};
    if (!sha.Finish(digest)) return false;
    sha256Hex = LowerHex(digest.data(), digest.size());
    size = total;
    return true;
}

std::optional<signing::Version> FileVersionNumbers(const wchar_t* path) {
    DWORD ignored = 0;
    DWORD size = ::GetFileVersionInfoSizeW(path, &ignored);
    if (size == 0) return std::nullopt;
    std::vector<char> data(size);
    if (!::GetFileVersionInfoW(path, 0, size, data.data())) return std::nullopt;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedSize = 0;
    if (!::VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &fixedSize) || !fixed ||
        fixedSize < sizeof(VS_FIXEDFILEINFO))
        return std::nullopt;
    return signing::Version{fixed->dwFileVersionMS >> 16, fixed->dwFileVersionMS & 0xFFFF,
                            fixed->dwFileVersionLS >> 16, fixed->dwFileVersionLS & 0xFFFF};
}

signing::Version OwnVersion() {
    std::optional<std::string> text = signing::NarrowAscii(LAUNCHER_VERSION);
    std::optional<signing::Version> version = text ? signing::ParseVersionText(*text) : std::nullopt;
    return version.value_or(signing::Version{});
}

SignatureCheck CheckSignedBuild(const SignedBuildCheck& check) {
    if (check.statement.empty() || check.signatureHex.empty()) return SignatureCheck::Missing;
    std::optional<std::string> text = signing::NarrowAscii(check.statement);
    std::optional<std::string> hex = signing::NarrowAscii(check.signatureHex);
    std::optional<signing::BuildStatement> statement = text ? signing::ParseStatement(*text) : std::nullopt;
    auto signature = hex ? signing::ParseSignatureHex(*hex) : std::nullopt;
    if (!statement || !signature) return SignatureCheck::Malformed;
    // The signature first: nothing of an unsigned statement is looked at.
    if (!VerifyEcdsaP256(check.key ? *check.key : OperatorPublicKey(), *text, *signature))
        return SignatureCheck::BadSignature;

    signing::BuildFacts facts;
    fw::UniqueFile own;
    HANDLE file = check.openFile;
    if (!file || file == INVALID_HANDLE_VALUE) {
        own.reset(::CreateFileW(check.path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
        file = own.get();
    }
    std::optional<signing::Version> version = FileVersionNumbers(check.path.c_str());
    if (file == INVALID_HANDLE_VALUE || !version || !HashOpenFile(file, facts.sha256Hex, facts.size)) return SignatureCheck::Unreadable;
    facts.version = *version;
    switch (signing::CheckBinding(*statement, facts, check.product, check.mustExceed)) {
    case signing::Binding::Bound:
        return SignatureCheck::Good;
    case signing::Binding::NotNewer:
        return SignatureCheck::NotNewer;
    default:
        return SignatureCheck::NotThisFile;
    }
}
