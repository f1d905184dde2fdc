#include "core/Reglages.h"

namespace tidemark::reglages {

QString Defaut(const QString& cle) {
    static const QList<PaireReglage> defauts = {
        {TopPos, QStringLiteral("1416")},    {LeftPos, QStringLiteral("2964")},
        {TopPos2, QStringLiteral("1416")},   {LeftPos2, QStringLiteral("2964")},
        {Opt, QStringLiteral("Repert")},     {MemRepert, QStringLiteral("c:\\")},
        {OptPurge, QStringLiteral("False")}, {OptDouble, QStringLiteral("False")},
        {Form2V, QStringLiteral("True")},    {CurConf, QString()},
    };
    for (const PaireReglage& paire : defauts) {
        if (paire.first.compare(cle, Qt::CaseInsensitive) == 0)
            return paire.second;
    }
    return {};
}

QString Lit(const SettingsStore& store, const QString& cle) {
    return store.get(SectionDemarrage, cle, Defaut(cle));
}

bool LitBooleen(const SettingsStore& store, const QString& cle) {
    return tidemark::LitBooleen(Lit(store, cle));
}

float LitPosition(const SettingsStore& store, const QString& cle) {
    bool ok = false;
    const float valeur = Lit(store, cle).trimmed().toFloat(&ok);
    return ok ? valeur : Defaut(cle).toFloat();
}

void SauvePosition(SettingsStore& store, const QString& cle, float twips) {
    store.save(SectionDemarrage, cle, QString::number(twips, 'g', 9));
}

}  // namespace tidemark::reglages
