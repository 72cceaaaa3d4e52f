#pragma once
// The templates screen's cards: the templates as a list model that follows the store row by
// row, and the delegate that draws one (icon, name, "running" badge while a session of that
// name exists, windows summary) with Launch / Attach, edit and delete.

#include "app/session_template.h"
#include "app/ui/widgets/card_delegate.h"
#include "app/ui/widgets/keyed_list_model.h"

namespace quillon {
class AppEnvironment;
class TemplateStore;
}  // namespace quillon

namespace quillon::ui {

// "3 windows: editor, server, logs · ~/code/app", or "no windows defined".
QString windowsSummary(const SessionTemplate& sessionTemplate);
// The name, or "(unnamed)".
QString templateTitle(const SessionTemplate& sessionTemplate);
// A session of exactly the template's name exists.
bool isRunning(const SessionTemplate& sessionTemplate, const AppEnvironment& env);

class TemplateListModel : public KeyedListModel<SessionTemplate> {
    Q_OBJECT
public:
    explicit TemplateListModel(TemplateStore& store, QObject* parent = nullptr);
    QVariant data(const QModelIndex& index, int role) const override;
};

class TemplateCardDelegate : public CardDelegate {
    Q_OBJECT
public:
    enum Action { launch, edit, remove };

    explicit TemplateCardDelegate(const AppEnvironment& env, QObject* parent = nullptr);
    std::vector<CardButton> buttons(const QModelIndex& index) const override;

protected:
    void paintContent(QPainter& painter, const QStyleOptionViewItem& option, const QModelIndex& index,
                      const QRect& content) const override;

private:
    const AppEnvironment& env_;
};

}  // namespace quillon::ui
