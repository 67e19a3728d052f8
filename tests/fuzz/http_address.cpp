// The address split of the HTTP fetch: the update address comes from the
// remote configuration and the picture address from the notice, so any text
// may arrive here.
#include "net/http_request.h"
#include "tests/fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::wstring address = fuzz::WideFromBytes(data, size);
    const std::optional<http::AddressParts> parts = http::SplitAddress(address);

    const std::size_t slash = address.find(L'/');
    const std::wstring hostPart = address.substr(0, slash);
    const std::wstring pathPart = slash == std::wstring::npos ? std::wstring() : address.substr(slash + 1);
    if (!parts) {
        fuzz::Check(hostPart.size() > http::kMaxHost || pathPart.size() > http::kMaxPath,
                    "only an address too long for the buffers is refused");
        return 0;
    }
    fuzz::Check(parts->host.size() <= http::kMaxHost && parts->path.size() <= http::kMaxPath, "the parts fit");
    fuzz::Check(parts->host.find_first_of(L"/:") == std::wstring::npos, "the host holds no / and no :");
    fuzz::Check(parts->path == pathPart, "the path is everything after the first /, as it is");

    // Re-joined, host, port text and path give back the address.
    const std::size_t colon = hostPart.find(L':');
    std::wstring rejoined = parts->host;
    if (colon != std::wstring::npos) rejoined += hostPart.substr(colon);
    if (slash != std::wstring::npos) rejoined += L"/" + parts->path;
    fuzz::Check(rejoined == address, "host, port text and path re-join to the address");

    // The port: the leading digits after the ":", kept in 16 bits; 80 without ":".
    if (colon == std::wstring::npos) {
        fuzz::Check(parts->port == 80, "port 80 without a colon");
    } else {
        unsigned expected = 0;
        for (std::size_t i = colon + 1; i < hostPart.size() && hostPart[i] >= L'0' && hostPart[i] <= L'9'; ++i)
            expected = (expected * 10 + static_cast<unsigned>(hostPart[i] - L'0')) & 0xFFFF;
        fuzz::Check(parts->port == expected, "the port is the leading digits, in 16 bits");
    }
    return 0;
}
