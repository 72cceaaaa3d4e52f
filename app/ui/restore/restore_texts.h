#pragma once
// What the restore screens say: the offer ("Restore 3 sessions from 14:05") and the result of
// a restore, counted by the language's plural rules.

#include <QString>

#include "app/snapshot_keeper.h"
#include "core/restore_plan.h"

namespace quillon::ui {

// "HH:mm" in local time.
QString shortTime(TimePoint instant);
QString restoreOfferText(const RestoreOffer& offer);
// One line per fact: what came back, what was left alone, missing folders, failures.
QString restoreReportText(const RestoreReport& report);

}  // namespace quillon::ui
