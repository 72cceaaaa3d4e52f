#include "app/ui/templates/template_cards.h"

#include <QPainter>

#include <algorithm>

#include "app/app_environment.h"
#include "app/template_store.h"
#include "app/ui/widgets/plural_text.h"
#include "app/ui/widgets/icons.h"
#include "app/ui/widgets/theme.h"
#include "app/ui/widgets/ui_text.h"

namespace quillon::ui {
namespace {

const SessionTemplate& templateAt(const QModelIndex& index) {
    return static_cast<const TemplateListModel*>(index.model())->at(index.row());
}

}  // namespace

QString windowsSummary(const SessionTemplate& t) {
    if (t.windows.empty()) return qL("fără ferestre definite", "no windows defined");
    QStringList names;
    for (const TemplateWindow& w : t.windows) names << qs(w.name);
    QString summary = windowCountText(std::int64_t(t.windows.size())) + QStringLiteral(": ") + names.join(QStringLiteral(", "));
    if (!t.directory.empty()) summary += QStringLiteral(" · ") + qs(t.directory);
    return summary;
}

QString templateTitle(const SessionTemplate& t) { return t.name.empty() ? qL("(fără nume)", "(unnamed)") : qs(t.name); }

bool isRunning(const SessionTemplate& t, const AppEnvironment& env) {
    const auto& sessions = env.sessions();
    return std::any_of(sessions.begin(), sessions.end(), [&](const TmuxSession& s) { return s.name == t.name; });
}

TemplateListModel::TemplateListModel(TemplateStore& store, QObject* parent) : KeyedListModel(parent) {
    rows_ = store.templates();
    connect(&store, &TemplateStore::templatesChanged, this, [this, &store] {
        replaceRows(store.templates(), [](const SessionTemplate& t) -> const std::string& { return t.id; });
    });
}

QVariant TemplateListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const SessionTemplate& t = at(index.row());
    switch (role) {
        case Qt::DisplayRole: return templateTitle(t);
        case Qt::AccessibleTextRole: return templateTitle(t) + QStringLiteral(": ") + windowsSummary(t);
        default: return {};
    }
}

TemplateCardDelegate::TemplateCardDelegate(const AppEnvironment& env, QObject* parent) : CardDelegate(62, parent), env_(env) {}

std::vector<CardButton> TemplateCardDelegate::buttons(const QModelIndex& index) const {
    const SessionTemplate& t = templateAt(index);
    const bool running = isRunning(t, env_);
    CardButton primary{launch, running ? "arrow.up.forward.app" : "play.fill",
                       running ? QStringLiteral("Attach") : qL("Lansează", "Launch"), {}};
    primary.enabled = env_.client().has_value() && !t.name.empty();
    return {
        primary,
        {edit, "pencil", {}, qL("Editează", "Edit"), CardButton::Style::flat},
        {remove, "trash", {}, qL("Șterge", "Delete"), CardButton::Style::flat},
    };
}

void TemplateCardDelegate::paintContent(QPainter& painter, const QStyleOptionViewItem& option, const QModelIndex& index,
                                        const QRect& content) const {
    const SessionTemplate& t = templateAt(index);
    CardText text{Icons::tinted("square.stack.3d.up.fill", option.palette.color(QPalette::Highlight), 20).pixmap(20, 20),
                  templateTitle(t), windowsSummary(t), {}};
    if (isRunning(t, env_)) text.badges.emplace_back(qL("rulează", "running"), Theme::green());
    paintText(painter, option, content, text);
}

}  // namespace quillon::ui

#include "moc_template_cards.cpp"
