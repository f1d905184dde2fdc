#pragma once

#include <QStringView>

// Routines that cut a file-list entry (a drive path such as C:\proj\piston.prt.12, or a bare
// name) into directory, name, radical, type and revision number. "\" is the only path
// separator and "." the only name separator. They are pure: the views they return point
// into the entry they were given, which the caller keeps alive.
namespace tidemark {

// Revision number given to a name with exactly one dot when the unnumbered file takes
// precedence: higher than any real revision, so that file is the one kept.
inline constexpr int RevisionSansIndicePrioritaire = 100000;

// The text after the last "\", or the whole entry when it holds none.
QStringView NomFichier(QStringView entree);

// The text before the last "\" (that "\" excluded); empty when the entry holds none.
QStringView NomRepertoire(QStringView entree);

// The name without its revision suffix: with two or more dots, the name up to its last dot;
// otherwise the whole name.
QStringView NomSansRevision(QStringView entree);

// The type: with two or more dots the text between the first and the last dot, with one dot
// the text after it, with none the empty text.
QStringView TypeFichier(QStringView entree);

// The revision: with two or more dots the value of the text after the last dot; with exactly
// one dot RevisionSansIndicePrioritaire when `sansIndicePrioritaire`, else 0; with no dot 0.
int NumRevision(QStringView entree, bool sansIndicePrioritaire);

// All the parts above, found in one reading of the entry: for code that needs several of
// them for each of many entries.
struct PartiesEntree {
    QStringView repertoire;                          // NomRepertoire
    QStringView fichier;                             // NomFichier
    QStringView sansRevision;                        // NomSansRevision
    QStringView type;                                // TypeFichier
    int revision(bool sansIndicePrioritaire) const;  // NumRevision

    qsizetype premierPoint = -1;  // in `fichier`, -1 when it holds no dot
    qsizetype dernierPoint = -1;
};
PartiesEntree Decoupe(QStringView entree);

// An ASCII capital as its small letter; any other code unit as it is. What folding case
// does to ASCII, without the Unicode tables.
inline constexpr char16_t MinusculeAscii(char16_t c) {
    return c >= u'A' && c <= u'Z' ? char16_t(c + (u'a' - u'A')) : c;
}

// True when two texts are equal without regard to case, exactly as
// QStringView::compare(..., Qt::CaseInsensitive) == 0 says; texts of ASCII characters, as
// Pro/ENGINEER names and types nearly always are, are compared without the Unicode tables.
bool EgauxSansCasse(QStringView a, QStringView b);

// The value of a text read as a decimal number from its start: leading spaces skipped, then
// the leading digits; 0 when it does not begin with a digit. Saturates at 2,147,483,647.
int ValeurEntiere(QStringView texte);

}  // namespace tidemark
