#include "inventory/ConfigPro.h"

#include "core/Drives.h"
#include "core/FileSystem.h"
#include "core/Identite.h"
#include "core/LectureFichier.h"

#include <QStringDecoder>

#include <algorithm>
#include <utility>

namespace tidemark {

namespace {

// Windows-1252 bytes 0x80 to 0x9F; the five bytes it leaves undefined keep their Latin-1
// value, as Windows itself decodes them.
constexpr char16_t Cp1252Haut[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

QString DepuisCp1252(const QByteArray& octets) {
    QString texte(octets.size(), Qt::Uninitialized);
    QChar* sortie = texte.data();
    for (const char c : octets) {
        const auto octet = static_cast<unsigned char>(c);
        *sortie++ =
            QChar(octet >= 0x80 && octet < 0xA0 ? Cp1252Haut[octet - 0x80] : char16_t(octet));
    }
    return texte;
}

// Only spaces are trimmed: a tab after the keyword stays part of the directory name.
QStringView SansEspaces(QStringView texte) {
    qsizetype debut = 0, fin = texte.size();
    while (debut < fin && texte[debut] == u' ') ++debut;
    while (fin > debut && texte[fin - 1] == u' ') --fin;
    return texte.sliced(debut, fin - debut);
}

enum class Recherche { Trouve, Absent, HorsLecteur, DansGarage };

// The drive path of the folder a search_path value leads to, when that folder exists. A
// value that is not a drive path is a host path; "\" in it is taken as a separator, since a
// name that holds one cannot be shown as a drive path anyway.
Recherche ResoutRepertoire(QStringView valeur, const DriveMap& lecteurs, const FileSystem& fs,
                           QString& lecteur) {
    if (valeur.isEmpty())
        return Recherche::Absent;
    QString saisie = valeur.toString();
    if (!EstCheminLecteur(saisie))
        saisie.replace(u'\\', u'/');
    RepertoireResolu resolu = ResoutRepertoireSaisi(saisie, lecteurs, fs);
    switch (resolu.refus) {
        case RefusRepertoire::Aucun:
            lecteur = std::move(resolu.chemin);
            return Recherche::Trouve;
        case RefusRepertoire::HorsLecteur:
            return Recherche::HorsLecteur;
        case RefusRepertoire::DansGarage:
            return Recherche::DansGarage;
        case RefusRepertoire::Absent:
        case RefusRepertoire::PasUnDossier:
        case RefusRepertoire::Illisible:
            break;
    }
    return Recherche::Absent;
}

QString LigneEchec(const QString& repertoire) {
    return MarqueVide.toString() + QStringLiteral("Le répertoire  '") + repertoire +
           QStringLiteral("'  ne contient pas de fichier 'config.pro'\r\n");
}

}  // namespace

QString DecodeTexteFichier(const QByteArray& octets) {
    QStringDecoder utf8(QStringConverter::Utf8);
    QString texte = utf8.decode(octets);
    if (!utf8.hasError())
        return texte;
    return DepuisCp1252(octets);
}

QString VariableHome(const QProcessEnvironment& environnement) {
    const QString exact = QStringLiteral("home");
    if (environnement.contains(exact))
        return environnement.value(exact);
    QStringList noms = environnement.keys();
    std::sort(noms.begin(), noms.end());
    for (const QString& nom : noms) {
        if (nom.compare(exact, Qt::CaseInsensitive) == 0)
            return environnement.value(nom);
    }
    return {};
}

QString CheminConfigPro(const QString& repertoire) {
    return JoindreChemin(repertoire, u"config.pro");
}

QString LigneSansSearchPath(const QString& fichier) {
    return MarqueVide.toString() + QStringLiteral("Le fichier '") + fichier +
           QStringLiteral("'  ne contient pas de 'search path'\r\n");
}

QString LigneSearchPathRefuses(const QString& fichier) {
    return MarqueVide.toString() + QStringLiteral("Le fichier '") + fichier +
           QStringLiteral("'  n'a que des 'search path' refusés\r\n");
}

bool LitConfigPro(const QString& fichier, const QString& repertoire, const DriveMap& lecteurs,
                  const FileSystem& fs, QStringList& RepConf, CompteRenduConfig& compteRendu,
                  int capacite) {
    const std::optional<QString> hote = lecteurs.versHote(fichier);
    const LectureFichier lu = hote ? LitFichierOrdinaire(*hote, LimiteConfigPro) : LectureFichier{};
    if (!lu.ok()) {
        // One line: there is none, or there is one that is not read, and why.
        if (hote && lu.issue != IssueLecture::Absent)
            compteRendu.avis.append(QStringLiteral("config.pro passé : ") +
                                    PhraseRefus(lu, fichier) + u'.');
        else
            compteRendu.lignes.append(LigneEchec(repertoire));
        return false;
    }
    compteRendu.lignes.append(MarqueVide.toString() + QStringLiteral("Le fichier  '") + fichier +
                              QStringLiteral("'  est en cours d'analyse"));

    const QString texte = DecodeTexteFichier(lu.octets);
    const QStringView cle = u"search_path";
    QStringView reste = texte;
    while (!reste.isEmpty()) {
        // A line ends at a line feed, a carriage return, or the pair; the last line may
        // have no ending at all.
        qsizetype fin = 0;
        while (fin < reste.size() && reste[fin] != u'\n' && reste[fin] != u'\r') ++fin;
        const QStringView ligne = reste.first(fin);
        if (fin < reste.size() && reste[fin] == u'\r' && fin + 1 < reste.size() &&
            reste[fin + 1] == u'\n')
            ++fin;
        reste = fin < reste.size() ? reste.sliced(fin + 1) : QStringView();

        if (!ligne.startsWith(cle, Qt::CaseInsensitive) ||
            ligne.startsWith(u"search_path_file", Qt::CaseInsensitive))
            continue;
        QString lecteur;
        switch (ResoutRepertoire(SansEspaces(ligne.sliced(cle.size())), lecteurs, fs, lecteur)) {
            case Recherche::Trouve:
                if (RepConf.size() < capacite)
                    RepConf.append(lecteur);
                else
                    ++compteRendu.auDelaCapacite;
                break;
            case Recherche::HorsLecteur:
                ++compteRendu.horsLecteur;
                break;
            case Recherche::DansGarage:
                ++compteRendu.dansGarage;
                break;
            case Recherche::Absent:
                break;
        }
    }
    return true;
}

}  // namespace tidemark
