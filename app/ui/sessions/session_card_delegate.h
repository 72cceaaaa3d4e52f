#pragma once
// The dashboard's card of a session: status dot, name, the most urgent state of its panes,
// attached/detached and idle badges, "N windows · created <when>", and the folder and attach
// buttons. The relative time is computed at paint time, so a repaint keeps it current.

#include "app/ui/widgets/card_delegate.h"
#include "core/tmux_model.h"

namespace quillon {
class AppEnvironment;
}

namespace quillon::ui {

class SessionCardDelegate : public CardDelegate {
    Q_OBJECT
public:
    enum Action { folder, attach };

    explicit SessionCardDelegate(AppEnvironment& env, QObject* parent = nullptr);

    std::vector<CardButton> buttons(const QModelIndex& index) const override;
    // The line under the name: "3 windows · created 5 min. ago".
    static QString detailLine(const TmuxSession& session, TimePoint now);

protected:
    void paintContent(QPainter& painter, const QStyleOptionViewItem& option, const QModelIndex& index,
                      const QRect& content) const override;

private:
    AppEnvironment& env_;
};

}  // namespace quillon::ui
