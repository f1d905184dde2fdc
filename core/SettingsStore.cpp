#include "core/SettingsStore.h"

#include <QSettings>

namespace tidemark {

QString TexteBooleen(bool valeur) {
    return valeur ? QStringLiteral("True") : QStringLiteral("False");
}

bool LitBooleen(const QString& texte) {
    return texte.trimmed().compare(u"true", Qt::CaseInsensitive) == 0;
}

// ---- QtSettingsStore ------------------------------------------------------------------

QtSettingsStore::QtSettingsStore()
    : settings_(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                            QStringLiteral("Tidemark"),
                                            QStringLiteral("Tidemark"))) {}

QtSettingsStore::~QtSettingsStore() = default;

QString QtSettingsStore::cleStockee(const QString& section, const QString& cle) const {
    settings_->beginGroup(section);
    const QStringList cles = settings_->childKeys();
    settings_->endGroup();
    // The exact spelling first: it is the common case and costs no scan of the others.
    if (cles.contains(cle))
        return cle;
    for (const QString& stockee : cles) {
        if (stockee.compare(cle, Qt::CaseInsensitive) == 0)
            return stockee;
    }
    return {};
}

QString QtSettingsStore::get(const QString& section, const QString& cle,
                             const QString& defaut) const {
    const QString stockee = cleStockee(section, cle);
    if (stockee.isEmpty())
        return defaut;
    return settings_->value(section + u'/' + stockee).toString();
}

void QtSettingsStore::save(const QString& section, const QString& cle, const QString& valeur) {
    const QString stockee = cleStockee(section, cle);
    settings_->setValue(section + u'/' + (stockee.isEmpty() ? cle : stockee), valeur);
    settings_->sync();
}

QList<PaireReglage> QtSettingsStore::getAll(const QString& section) const {
    QList<PaireReglage> paires;
    settings_->beginGroup(section);
    for (const QString& cle : settings_->childKeys())
        paires.append({cle, settings_->value(cle).toString()});
    settings_->endGroup();
    return paires;
}

void QtSettingsStore::remove(const QString& section, const QString& cle) {
    const QString stockee = cleStockee(section, cle);
    if (stockee.isEmpty())
        return;
    settings_->remove(section + u'/' + stockee);
    settings_->sync();
}

// ---- MemorySettingsStore --------------------------------------------------------------

QString MemorySettingsStore::get(const QString& section, const QString& cle,
                                 const QString& defaut) const {
    const auto s = sections_.find(section.toCaseFolded());
    if (s == sections_.end())
        return defaut;
    const auto v = s->second.find(cle.toCaseFolded());
    return v == s->second.end() ? defaut : v->second.second;
}

void MemorySettingsStore::save(const QString& section, const QString& cle, const QString& valeur) {
    auto& cles = sections_[section.toCaseFolded()];
    const auto [it, nouvelle] = cles.try_emplace(cle.toCaseFolded(), cle, valeur);
    if (!nouvelle)
        it->second.second = valeur;
}

QList<PaireReglage> MemorySettingsStore::getAll(const QString& section) const {
    QList<PaireReglage> paires;
    const auto s = sections_.find(section.toCaseFolded());
    if (s != sections_.end()) {
        for (const auto& [pliee, paire] : s->second) paires.append(paire);
    }
    return paires;
}

void MemorySettingsStore::remove(const QString& section, const QString& cle) {
    const auto s = sections_.find(section.toCaseFolded());
    if (s != sections_.end())
        s->second.erase(cle.toCaseFolded());
}

}  // namespace tidemark
