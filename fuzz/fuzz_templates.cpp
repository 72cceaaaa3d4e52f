// Session templates as the app's document keeps them. A value that decodes reads back the same
// after it is written again; one that does not is refused with an exception, never half read.

#include <cstdint>
#include <string>

#include "app/session_template.h"
#include "fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quillon;
    const auto document = nlohmann::json::parse(data, data + size, nullptr, false);
    if (document.is_discarded()) return 0;
    std::vector<SessionTemplate> templates;
    try {
        templates = templatesFromJson(document);
    } catch (const std::exception&) {
        return 0;
    }
    FUZZ_CHECK(templates.size() == document.size());
    const nlohmann::json written = toJson(templates);
    FUZZ_CHECK(templatesFromJson(nlohmann::json::parse(written.dump())) == templates);
    return 0;
}
