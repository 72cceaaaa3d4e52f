#include "app/ui/widgets/plural_text.h"

#include <unicode/locid.h>
#include <unicode/msgfmt.h>
#include <unicode/unistr.h>

#include <map>
#include <memory>
#include <string>
#include <utility>

#include "core/l10n.h"

namespace quillon::ui {
namespace {

// Formatters are parsed once per pattern and language; screens ask on the GUI thread only.
icu::MessageFormat* formatter(std::string_view pattern, AppLanguage language) {
    static std::map<std::pair<std::string, bool>, std::unique_ptr<icu::MessageFormat>> cache;
    const bool english = language == AppLanguage::en;
    auto& slot = cache[{std::string(pattern), english}];
    if (!slot) {
        UErrorCode status = U_ZERO_ERROR;
        const auto text = icu::UnicodeString::fromUTF8(icu::StringPiece(pattern.data(), std::int32_t(pattern.size())));
        slot = std::make_unique<icu::MessageFormat>(text, icu::Locale(english ? "en" : "ro"), status);
        if (U_FAILURE(status)) slot.reset();
    }
    return slot.get();
}

}  // namespace

QString pluralText(std::int64_t count, std::string_view roPattern, std::string_view enPattern) {
    const auto language = L10n::currentLanguage();
    auto* format = formatter(language == AppLanguage::en ? enPattern : roPattern, language);
    if (!format) return QString::number(count);
    const icu::Formattable arguments[] = {icu::Formattable(count)};
    icu::UnicodeString result;
    icu::FieldPosition position;
    UErrorCode status = U_ZERO_ERROR;
    format->format(arguments, 1, result, position, status);
    if (U_FAILURE(status)) return QString::number(count);
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(result.getBuffer()), result.length());
}

QString sessionCountText(std::int64_t count) {
    return pluralText(count, "{0, plural, one {# sesiune} few {# sesiuni} other {# de sesiuni}}",
                      "{0, plural, one {# session} other {# sessions}}");
}

QString windowCountText(std::int64_t count) {
    return pluralText(count, "{0, plural, one {# fereastră} few {# ferestre} other {# de ferestre}}",
                      "{0, plural, one {# window} other {# windows}}");
}

QString paneCountText(std::int64_t count) {
    return pluralText(count, "{0, plural, one {# pane} few {# pane-uri} other {# de pane-uri}}",
                      "{0, plural, one {# pane} other {# panes}}");
}

}  // namespace quillon::ui
