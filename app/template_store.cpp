#include "app/template_store.h"

#include <QCoreApplication>
#include <QtDebug>

#include <algorithm>

namespace quillon {

TemplateStore::TemplateStore(DefaultsStore defaults, QObject* parent)
    : QObject(parent), defaults_(std::move(defaults)) {
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
    static TemplateStore* store = new TemplateStore(DefaultsStore::standard(), QCoreApplication::instance());
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
        qWarning("could not save the templates: %s", error.what());
    }
}

}  // namespace quillon
