// The Linux build never names a macOS product, path or habit; the macOS words stay for a
// macOS build, in both languages.
#include <gtest/gtest.h>

#include "core/l10n.h"
#include "core/platform_texts.h"

namespace quillon {
namespace {

TEST(PlatformTexts, LinuxWordsNeverNameMacOSThings) {
    const std::vector<PlatformText> all{
        PlatformText::installCommand,      PlatformText::installItWith,         PlatformText::installTmuxWith,
        PlatformText::installThenReopen,   PlatformText::fileManagerButton,     PlatformText::openDirectoryTooltip,
        PlatformText::openInFileManager,   PlatformText::refreshTooltip,        PlatformText::closeNotificationFooter,
        PlatformText::aboutDescription,    PlatformText::shellCommandExample};
    EXPECT_EQ(currentPlatform(), DesktopPlatform::linuxDesktop);
    for (AppLanguage language : {AppLanguage::en, AppLanguage::ro}) {
        L10n::setLanguage(language);
        for (PlatformText text : all) {
            const std::string linux = platformText(text, DesktopPlatform::linuxDesktop);
            EXPECT_FALSE(linux.empty());
            for (const char* mac : {"Finder", "brew", "Homebrew", "⌘", "macOS", "osascript"})
                EXPECT_EQ(linux.find(mac), std::string::npos) << linux;
            EXPECT_NE(platformText(text, DesktopPlatform::macOS), linux) << linux;
        }
    }
    L10n::setLanguage(AppLanguage::en);
    EXPECT_EQ(platformText(PlatformText::refreshTooltip, DesktopPlatform::macOS), "Reload server state (⌘R)");
    EXPECT_EQ(platformText(PlatformText::refreshTooltip), "Reload server state (Ctrl+R)");
}

}  // namespace
}  // namespace quillon
