#pragma once

#include <QString>
#include <QStringView>

#include <vector>

namespace tidemark {

// A ";"-separated list of wildcard patterns, matched against whole file names without
// regard to case: "*" stands for any run of characters and "?" for one. A pattern that ends
// in ".*" also matches the name without that last dot part, as Windows file pickers do, so
// "*.prt.*" takes piston.prt.3 and piston.prt alike.
class Wildcard {
public:
    explicit Wildcard(QStringView liste = u"*");

    // True when `nom` matches at least one pattern of the list.
    bool correspond(QStringView nom) const;

    // "*text*" and "*text" are searched for as plain text; any other pattern is matched.
    enum class Genre { Contient, Termine, General };

private:
    struct Motif {
        QString texte;  // case-folded
        Genre genre;
        qsizetype debut;  // the plain text of Contient and Termine, in `texte`
        qsizetype longueur;
        bool correspond(QStringView nom) const;
    };
    void ajoute(const QString& motif);
    std::vector<Motif> motifs_;  // the ".*" variants added
};

}  // namespace tidemark
