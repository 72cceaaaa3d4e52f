#include "app/ui/restore/restore_texts.h"

#include <QDateTime>
#include <QStringList>

#include "app/ui/widgets/plural_text.h"
#include "app/ui/widgets/ui_text.h"

namespace quillon::ui {
namespace {

QString joined(const std::vector<std::string>& names) {
    QStringList list;
    for (const std::string& name : names) list << qs(name);
    return list.join(QStringLiteral(", "));
}

}  // namespace

QString shortTime(TimePoint instant) {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(instant.time_since_epoch()).count();
    return QDateTime::fromMSecsSinceEpoch(ms).toString(QStringLiteral("HH:mm"));
}

QString restoreOfferText(const RestoreOffer& offer) {
    return pluralText(offer.sessions,
                      "{0, plural, one {Restaurează # sesiune} few {Restaurează # sesiuni} other {Restaurează # de sesiuni}}",
                      "{0, plural, one {Restore # session} other {Restore # sessions}}") +
           qL(" din ", " from ") + shortTime(offer.taken);
}

QString restoreReportText(const RestoreReport& report) {
    QStringList lines;
    if (report.sessions > 0 || report.failures.empty()) {
        lines << qL("Restaurate: ", "Restored: ") +
                     sessionCountText(report.sessions) + QStringLiteral(", ") + windowCountText(report.windows) +
                     QStringLiteral(", ") + paneCountText(report.panes) + QStringLiteral(".");
    }
    if (!report.existing.empty())
        lines << qL("Rulează deja, lăsate neatinse: ", "Already running, left alone: ") + joined(report.existing);
    if (!report.missingDirectories.empty())
        lines << qL("Dosare care nu mai există (deschis dosarul personal): ",
                    "Folders that no longer exist (opened the home folder): ") +
                     joined(report.missingDirectories);
    for (const RestoreFailure& failure : report.failures)
        lines << qL("Nu am putut restaura ", "Could not restore ") +
                     (failure.session.empty() ? QString() : qs(failure.session) + QStringLiteral(": ")) +
                     qs(failure.message);
    return lines.join(QStringLiteral("\n"));
}

}  // namespace quillon::ui
