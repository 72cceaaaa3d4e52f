#include "app/ui/widgets/relative_time.h"

#include <unicode/locid.h>
#include <unicode/reldatefmt.h>
#include <unicode/unistr.h>

#include <cmath>
#include <memory>

#include "core/l10n.h"

namespace quillon::ui::RelativeTime {
namespace {

struct Step {
    double seconds;
    URelativeDateTimeUnit unit;
};

// The largest unit whose length the interval reaches.
constexpr Step steps[] = {
    {365.0 * 86400, UDAT_REL_UNIT_YEAR}, {30.0 * 86400, UDAT_REL_UNIT_MONTH}, {7.0 * 86400, UDAT_REL_UNIT_WEEK},
    {86400, UDAT_REL_UNIT_DAY},          {3600, UDAT_REL_UNIT_HOUR},          {60, UDAT_REL_UNIT_MINUTE},
};

// One formatter per language, built on first use on the GUI thread.
icu::RelativeDateTimeFormatter* formatter(AppLanguage language) {
    static std::unique_ptr<icu::RelativeDateTimeFormatter> cached[2];
    auto& slot = cached[language == AppLanguage::en ? 1 : 0];
    if (!slot) {
        UErrorCode status = U_ZERO_ERROR;
        const icu::Locale locale(language == AppLanguage::en ? "en" : "ro");
        slot = std::make_unique<icu::RelativeDateTimeFormatter>(locale, nullptr, UDAT_STYLE_SHORT,
                                                                UDISPCTX_CAPITALIZATION_NONE, status);
        if (U_FAILURE(status)) slot.reset();
    }
    return slot.get();
}

}  // namespace

QString format(TimePoint instant, TimePoint now) {
    const double offset = std::chrono::duration<double>(instant - now).count();
    Step chosen{1, UDAT_REL_UNIT_SECOND};
    for (const Step& step : steps)
        if (std::fabs(offset) >= step.seconds) {
            chosen = step;
            break;
        }
    const double amount = std::trunc(offset / chosen.seconds);
    auto* icu = formatter(L10n::currentLanguage());
    if (!icu) return QString::number(amount);
    icu::UnicodeString text;
    UErrorCode status = U_ZERO_ERROR;
    icu->formatNumeric(amount, chosen.unit, text, status);
    if (U_FAILURE(status)) return QString::number(amount);
    return QString(reinterpret_cast<const QChar*>(text.getBuffer()), text.length());
}

}  // namespace quillon::ui::RelativeTime
