#include "app/template_store.h"

#include <QCoreApplication>
#include <QtDebug>

#include <algorithm>

#include "app/app_environment.h"
#include "core/l10n.h"

namespace quillon {

TemplateStore::TemplateStore(DefaultsStore defaults, QObject* parent)
    : TemplateStore(std::move(defaults), nullptr, parent) {}

TemplateStore::TemplateStore(DefaultsStore defaults, AppEnvironment& environment, QObject* parent)
    : TemplateStore(std::move(defaults), &environment, parent) {}

TemplateStore::TemplateStore(DefaultsStore defaults, AppEnvironment* environment, QObject* parent)
    : QObject(parent), defaults_(std::move(defaults)), environment_(environment) {
    if (auto stored = defaults_.value(key)) {
        try {
            templates_ = templatesFromJson(*stored);
            return;
        } catch (const std::exception& error) {
            // The user's templates must survive: keep the document aside before seeding over it.
            qWarning("stored templates do not decode (%s); keeping a copy", error.what());
            try {
                defaults_.keepCopyAside();
            } catch (const std::exception& copyError) {
                qWarning("could not keep a copy of the templates (%s); leaving them as stored", copyError.what());
                templates_ = SessionTemplate::seed();
                return;
            }
        }
    }
    templates_ = SessionTemplate::seed();
    save();
}

TemplateStore& TemplateStore::shared() {
    static TemplateStore* store =
        new TemplateStore(DefaultsStore::standard(), AppEnvironment::shared(), QCoreApplication::instance());
    return *store;
}

void TemplateStore::upsert(const SessionTemplate& sessionTemplate) {
    auto it = std::find_if(templates_.begin(), templates_.end(),
                           [&](const SessionTemplate& t) { return t.id == sessionTemplate.id; });
    if (it != templates_.end()) *it = sessionTemplate;
    else templates_.push_back(sessionTemplate);
    emit templatesChanged();
    save();
}

void TemplateStore::remove(const SessionTemplate& sessionTemplate) {
    std::erase_if(templates_, [&](const SessionTemplate& t) { return t.id == sessionTemplate.id; });
    emit templatesChanged();
    save();
}

void TemplateStore::save() {
    try {
        defaults_.set(key, toJson(templates_));
    } catch (const std::exception& error) {
        if (environment_)
            environment_->reportFailure(L("Nu am putut salva șabloanele: ", "Could not save the templates: ") +
                                        error.what());
        else
            qWarning("could not save the templates: %s", error.what());
    }
}

}  // namespace quillon

#include "moc_template_store.cpp"
