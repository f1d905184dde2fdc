#include "core/SettingsStore.h"

#include "core/LectureFichier.h"

#include <QSettings>
#include <QStandardPaths>

namespace tidemark {

QString TexteBooleen(bool valeur) {
    return valeur ? QStringLiteral("True") : QStringLiteral("False");
}

bool LitBooleen(const QString& texte) {
    return texte.trimmed().compare(u"true", Qt::CaseInsensitive) == 0;
}

// ---- QtSettingsStore ------------------------------------------------------------------

namespace {

const QString NomReglages = QStringLiteral("Tidemark");

// Every file QSettings reads for the organisation and the application in the user scope, on
// this platform: the application's file and the organisation's, in the user's configuration
// folder and then in each system one. On Windows the settings are in the registry, under
// HKEY_CURRENT_USER\Software\Tidemark\Tidemark: no file to look at.
QStringList FichiersReglages() {
    QStringList fichiers;
#ifdef _WIN32
    return fichiers;
#endif
    for (const QString& dossier :
         QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation))
        fichiers << dossier + u'/' + NomReglages + u'/' + NomReglages + QStringLiteral(".conf")
                 << dossier + u'/' + NomReglages + QStringLiteral(".conf");
    return fichiers;
}

}  // namespace

QtSettingsStore::QtSettingsStore() {
    for (const QString& fichier : FichiersReglages()) {
        const LectureFichier controle =
            LitFichierOrdinaire(fichier, LimiteReglages, Lecture::Controle);
        if (controle.issue == IssueLecture::PasOrdinaire ||
            controle.issue == IssueLecture::TropGrand) {
            avertissement_ = QStringLiteral("Réglages non lus : ") +
                             PhraseRefus(controle, fichier) +
                             QStringLiteral(
                                 ". Les réglages par défaut sont utilisés, et rien "
                                 "ne sera enregistré pendant cette session.");
            secours_ = std::make_unique<MemorySettingsStore>();
            return;
        }
    }
    settings_ = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                            NomReglages, NomReglages);
}

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
    if (secours_)
        return secours_->get(section, cle, defaut);
    const QString stockee = cleStockee(section, cle);
    if (stockee.isEmpty())
        return defaut;
    return settings_->value(section + u'/' + stockee).toString();
}

void QtSettingsStore::save(const QString& section, const QString& cle, const QString& valeur) {
    if (secours_)
        return secours_->save(section, cle, valeur);
    const QString stockee = cleStockee(section, cle);
    settings_->setValue(section + u'/' + (stockee.isEmpty() ? cle : stockee), valeur);
    settings_->sync();
}

QList<PaireReglage> QtSettingsStore::getAll(const QString& section) const {
    if (secours_)
        return secours_->getAll(section);
    QList<PaireReglage> paires;
    settings_->beginGroup(section);
    for (const QString& cle : settings_->childKeys())
        paires.append({cle, settings_->value(cle).toString()});
    settings_->endGroup();
    return paires;
}

void QtSettingsStore::remove(const QString& section, const QString& cle) {
    if (secours_)
        return secours_->remove(section, cle);
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
