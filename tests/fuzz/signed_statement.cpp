// The operator's signed statement as the launcher reads it: only the exact
// form parses, and what parses is written back byte for byte, so a statement
// has one text and a signature covers exactly what the launcher acts on.
#include "net/signed_statement.h"
#include "tests/fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (auto statement = signing::ParseStatement(text)) {
        fuzz::Check(signing::FormatStatement(*statement) == text, "a statement has one text");
        fuzz::Check(statement->sha256Hex.size() == 64, "a whole digest");
        signing::BuildFacts facts{statement->version, statement->size, statement->sha256Hex};
        fuzz::Check(signing::CheckBinding(*statement, facts, statement->product, std::nullopt) ==
                        signing::Binding::Bound,
                    "a statement binds the facts it names");
        fuzz::Check(signing::CheckBinding(*statement, facts, statement->product, statement->version) ==
                        signing::Binding::NotNewer,
                    "a version is not newer than itself");
    }
    if (auto version = signing::ParseVersionText(text))
        fuzz::Check(signing::VersionText(*version) == text, "a version has one text");
    if (auto signature = signing::ParseSignatureHex(text)) fuzz::Check(size == 128, "128 digits");
    return 0;
}
