// Shared pieces: every symbol has an icon on any theme, a long tile value shrinks to 60 %
// before it is cut, and relative times read naturally in both languages.
#include <gtest/gtest.h>


#include "app/ui/sessions/session_card_delegate.h"
#include "app/ui/widgets/components.h"
#include "app/ui/widgets/icons.h"
#include "app/ui/widgets/plural_text.h"
#include "app/ui/widgets/relative_time.h"
#include "app/ui/widgets/theme.h"
#include "app/ui/widgets/ui_text.h"
#include "core/l10n.h"
#include "tests/ui/ui_test_support.h"

namespace quillon::testing {
namespace {

TEST(Icons, EverySymbolHasAThemeNameAndNoIconIsBlank) {
    for (std::string_view name : ui::Icons::symbols()) {
        EXPECT_FALSE(ui::Icons::themeNames(name).empty()) << name;
        EXPECT_FALSE(ui::Icons::symbol(name).pixmap(16, 16).isNull()) << name;
    }
    EXPECT_TRUE(ui::Icons::themeNames("no.such.symbol").empty());
    EXPECT_FALSE(ui::Icons::symbol("no.such.symbol").pixmap(16, 16).isNull());
    // On the installed theme every symbol resolves to a real icon, not the drawn dot.
    ui::Theme::applyAppearance(AppAppearance::light);
    for (std::string_view name : ui::Icons::symbols()) {
        bool found = false;
        for (std::string_view themeName : ui::Icons::themeNames(name)) found |= QIcon::hasThemeIcon(ui::qs(themeName));
        EXPECT_TRUE(found) << name << " in " << QIcon::themeName().toStdString();
    }
    ui::Theme::applyAppearance(AppAppearance::system);
}

TEST(ShrinkingLabel, ShrinksToSixtyPercentBeforeItElides) {
    ui::ShrinkingLabel label;
    label.setText(QStringLiteral("tmux 3.3a-very-long-build-name"));
    const int full = label.sizeHint().width();
    label.resize(full + 10, label.sizeHint().height());
    EXPECT_DOUBLE_EQ(label.fittedScale(), 1.0);
    EXPECT_FALSE(label.isElided());
    label.resize(full * 3 / 4, label.height());
    EXPECT_LT(label.fittedScale(), 1.0);
    EXPECT_GE(label.fittedScale(), ui::ShrinkingLabel::minimumScale);
    EXPECT_FALSE(label.isElided());
    label.resize(full / 3, label.height());
    EXPECT_DOUBLE_EQ(label.fittedScale(), ui::ShrinkingLabel::minimumScale);
    EXPECT_TRUE(label.isElided());
}

TEST(RelativeTime, ShortStyleInBothLanguages) {
    const TimePoint now = Clock::now();
    using namespace std::chrono;
    const std::vector<std::tuple<seconds, const char*, const char*>> cases{
        {5s, "5 sec. ago", "acum 5 sec."}, {5min, "5 min. ago", "acum 5 min."}, {3h, "3 hr. ago", "acum 3 h"},
        {48h, "2 days ago", "acum 2 zile"}};
    for (const auto& [age, en, ro] : cases) {
        L10n::setLanguage(AppLanguage::en);
        EXPECT_EQ(ui::RelativeTime::format(now - age, now).toStdString(), en);
        L10n::setLanguage(AppLanguage::ro);
        EXPECT_EQ(ui::RelativeTime::format(now - age, now).toStdString(), ro);
    }
    L10n::setLanguage(AppLanguage::en);
}

TEST(PluralText, EachLanguageByItsOwnRules) {
    constexpr auto ro = "{0, plural, one {# fereastră} few {# ferestre} other {# de ferestre}}";
    constexpr auto en = "{0, plural, one {# window} other {# windows}}";
    const std::vector<std::tuple<std::int64_t, const char*, const char*>> cases{
        {0, "0 windows", "0 ferestre"},       {1, "1 window", "1 fereastră"},
        {2, "2 windows", "2 ferestre"},       {19, "19 windows", "19 ferestre"},
        {20, "20 windows", "20 de ferestre"}, {101, "101 windows", "101 ferestre"}};
    for (const auto& [count, english, romanian] : cases) {
        L10n::setLanguage(AppLanguage::en);
        EXPECT_EQ(ui::pluralText(count, ro, en).toStdString(), english);
        L10n::setLanguage(AppLanguage::ro);
        EXPECT_EQ(ui::pluralText(count, ro, en).toStdString(), romanian);
    }
    // What the screens count with, as a session card shows it.
    TmuxSession session{"s", "$1", Clock::now(), false, 1, std::nullopt, "/", {}};
    const std::vector<std::tuple<std::int64_t, const char*, const char*>> cards{
        {1, "1 window · created", "1 fereastră · creată"}, {2, "2 windows · created", "2 ferestre · creată"},
        {20, "20 windows · created", "20 de ferestre · creată"}};
    for (const auto& [count, english, romanian] : cards) {
        session.windowCount = count;
        L10n::setLanguage(AppLanguage::en);
        EXPECT_TRUE(ui::SessionCardDelegate::detailLine(session, Clock::now()).startsWith(english));
        L10n::setLanguage(AppLanguage::ro);
        EXPECT_TRUE(ui::SessionCardDelegate::detailLine(session, Clock::now()).startsWith(romanian))
            << ui::SessionCardDelegate::detailLine(session, Clock::now()).toStdString();
    }
    EXPECT_EQ(ui::sessionCountText(1).toStdString() + ", " + ui::paneCountText(20).toStdString(), "1 sesiune, 20 de pane-uri");
    L10n::setLanguage(AppLanguage::en);
}

}  // namespace
}  // namespace quillon::testing
