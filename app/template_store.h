#pragma once
// The user's session templates, kept under "sessionTemplates" in the defaults document.

#include <QObject>

#include <memory>
#include <string_view>
#include <vector>

#include "app/session_template.h"
#include "core/defaults_store.h"

namespace quillon {

class AppEnvironment;
using TemplateList = std::vector<SessionTemplate>;

class TemplateStore : public QObject {
    Q_OBJECT
    Q_PROPERTY(TemplateList templates READ templates NOTIFY templatesChanged)

public:
    static constexpr std::string_view key = "sessionTemplates";

    // Loads the stored templates; with none stored, or a value that does not decode (kept
    // aside first), the seed is stored instead. A failed save is reported in the
    // environment's lastError when there is one, else logged.
    explicit TemplateStore(DefaultsStore defaults, QObject* parent = nullptr);
    TemplateStore(DefaultsStore defaults, AppEnvironment& environment, QObject* parent = nullptr);
    // The process's store on the application's defaults document, reporting to the shared
    // environment; needs a QCoreApplication.
    static TemplateStore& shared();

    const TemplateList& templates() const noexcept { return templates_; }

    // Replaces the template with the same id in place, else appends it; then saves.
    void upsert(const SessionTemplate& sessionTemplate);
    // Removes every template with that id; then saves.
    void remove(const SessionTemplate& sessionTemplate);
    void save();

signals:
    void templatesChanged();

private:
    TemplateStore(DefaultsStore defaults, AppEnvironment* environment, QObject* parent);

    DefaultsStore defaults_;
    AppEnvironment* environment_;
    TemplateList templates_;
};

}  // namespace quillon
