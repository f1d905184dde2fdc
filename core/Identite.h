#pragma once

#include <QString>

// The program's identity and the purge marks: fixed texts, set once, never changed.
namespace tidemark::identite {

inline constexpr char AppNom[] = "Tidemark";
inline constexpr char AppVerMaj[] = "1";
inline constexpr char AppVerMin[] = "05";  // two digits of text, not the number 5
inline constexpr char AppDate[] = "25/11/2005";

// "1.05"
inline QString Version() {
    return QStringLiteral("%1.%2").arg(QLatin1String(AppVerMaj), QLatin1String(AppVerMin));
}
// "1.05 du 25/11/2005"
inline QString VersionDatee() {
    return Version() + QStringLiteral(" du ") + QLatin1String(AppDate);
}
// Caption of the main window: "Velnor 2002/05 Tidemark v.1.05 du 25/11/2005".
inline QString TitreFenetrePrincipale() {
    return QStringLiteral("Velnor 2002/05 ") + QLatin1String(AppNom) + QStringLiteral(" v.") +
           VersionDatee();
}

}  // namespace tidemark::identite

namespace tidemark {

// Prefixes put before each line of the file list; what they mean belongs to the analysis.
inline constexpr QStringView MarqueVide = u"      ";  // six spaces: not marked
inline constexpr QStringView MarqueX = u" X  ";       // purgeable, or marked by hand
inline constexpr QStringView MarqueM = u" M  ";       // kept revision
inline constexpr QStringView MarqueTiret = u" --  ";

// The mark shown for a line state (0 blank, 1 X, 2 M, 3 --); blank for any other value.
inline QStringView MarqueDEtat(int etat) {
    switch (etat) {
        case 1:
            return MarqueX;
        case 2:
            return MarqueM;
        case 3:
            return MarqueTiret;
        default:
            return MarqueVide;
    }
}

}  // namespace tidemark
