// The PNG decoder of the launcher's pictures: any bytes are refused or decoded
// within the picture's own buffer, and the same bytes always give the same
// pixels.
#include "skin/png_decode.h"
#include "tests/fuzz/fuzz_input.h"

#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view png(reinterpret_cast<const char*>(data), size);
    const std::optional<skin::PngInfo> info = skin::ReadPngInfo(png);
    std::vector<std::uint8_t> pixels(16);
    if (!info) {
        fuzz::Check(!skin::DecodePngPremultiplied(png, pixels.data(), pixels.size()), "refused by its header");
        return 0;
    }
    fuzz::Check(info->width >= 1 && info->height >= 1 && info->width <= skin::kMaxPngSide &&
                    info->height <= skin::kMaxPngSide,
                "a size within the limits");
    // A header may announce far more than the input could ever fill; the
    // decoder writes only into what it is given, so a small picture's worth
    // is all it needs here.
    const std::size_t bytes = static_cast<std::size_t>(info->width) * static_cast<std::size_t>(info->height) * 4;
    if (bytes > (1u << 22)) return 0;
    pixels.assign(bytes, 0);
    const bool decoded = skin::DecodePngPremultiplied(png, pixels.data(), pixels.size());
    std::vector<std::uint8_t> again(bytes, 0xFF);
    fuzz::Check(skin::DecodePngPremultiplied(png, again.data(), again.size()) == decoded, "the same verdict");
    if (decoded) {
        fuzz::Check(pixels == again, "the same pixels");
        for (std::size_t i = 0; i < bytes; i += 4)
            fuzz::Check(pixels[i] <= pixels[i + 3] && pixels[i + 1] <= pixels[i + 3] && pixels[i + 2] <= pixels[i + 3],
                        "premultiplied: no colour above its alpha");
    }
    return 0;
}
