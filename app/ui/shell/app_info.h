#pragma once
// Read-only facts about the application, fixed by the build.

#include <QString>

namespace quillon::ui::AppInfo {

QString version();    // the project version
QString build();      // the commit the build was configured at
QString name();       // "Quillon"
QString copyright();  // empty when none

}  // namespace quillon::ui::AppInfo
