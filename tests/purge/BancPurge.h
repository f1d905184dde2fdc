#pragma once

#include "core/AppState.h"
#include "core/Drives.h"
#include "core/FileSystem.h"
#include "tests/support/QtGtest.h"
#include "tests/support/TempTree.h"

#include <QFile>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <sys/stat.h>

namespace tidemark::test {

// A purge test bench: a temporary tree mounted as drive C:, a file-system service with a
// fault plan, and a shared state whose list holds files of that tree.
struct BancPurge {
    TempTree tree;
    DriveMap lecteurs = DriveMap::Depuis(QStringLiteral("C=") + tree.chemin());
    FaultPlan plan;
    FileSystem fs{&plan};
    AppState state;

    // The drive path of a relative path of the tree.
    static QString Lecteur(const QString& relatif) {
        QString chemin = QStringLiteral("C:\\") + relatif;
        return chemin.replace(u'/', u'\\');
    }

    // Creates each file (holding its own relative path) and lists them, in the order given,
    // as full drive paths: the list a recursive scan makes, all lines blank.
    void liste(const std::vector<const char*>& relatifs) {
        state.TabFich.clear();
        for (const char* r : relatifs) {
            const QString relatif = QString::fromUtf8(r);
            if (!tree.existe(relatif))
                tree.fichier(relatif, relatif.toUtf8());
            state.TabFich.push_back(Lecteur(relatif));
        }
        state.CheminComplet = true;
        state.EtatMarque.assign(state.TabFich.size(), EtatVide);
        state.ListeDeFichiers = true;
        state.InfosLues.clear();
    }

    void selectionne(std::initializer_list<int> lignes) {
        for (const int ligne : lignes) state.TabConf[std::size_t(ligne)].selection = 1;
    }

    void lectureSeule(const char* relatif) { tree.lectureSeule(QString::fromUtf8(relatif)); }

    // The states of the list, one character a line: '.' 0, 'X' 1, 'M' 2, '-' 3.
    std::string etats() const {
        std::string s;
        for (const quint8 e : state.EtatMarque)
            s += e == EtatX ? 'X' : e == EtatM ? 'M' : e == EtatTiret ? '-' : '.';
        return s;
    }
};

}  // namespace tidemark::test
