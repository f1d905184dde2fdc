#include "core/TabConf.h"

#include "core/NomsFichier.h"

namespace tidemark {

TableTypes TabConfInitiale() {
    static constexpr const char* lignes[NbTypesFixes][2] = {
        {"*.prt.*", "prt"},     {"*.asm.*", "asm"}, {"*.drw.*", "drw"}, {"*.frm.*", "frm"},
        {"*.tbl.*", "tbl"},     {"*.sym.*", "sym"}, {"*.lay.*", "lay"}, {"*.dgm.*", "dgm"},
        {"trail.txt.*", "txt"}, {"*.log.*", "log"}, {"*.inf.*", "inf"}, {"*.xas", "xas"},
        {"*.xpr", "xpr"},       {"*.m_p", "m_p"},   {"*.crc", "crc"},   {"*.err", "err"},
        {"*.ers", "ers"},       {"*.idx", "idx"},
    };
    TableTypes table;
    for (int i = 0; i < NbTypesFixes; ++i) {
        table[i].motif = QString::fromLatin1(lignes[i][0]);
        table[i].cle = QString::fromLatin1(lignes[i][1]);
    }
    return table;
}

QString ConstruitFiltre(const TableTypes& table) {
    QString filtre;
    for (const LigneType& ligne : table) {
        if (ligne.selection != 1 || ligne.motif.isEmpty())
            continue;
        if (!filtre.isEmpty())
            filtre += u';';
        filtre += ligne.motif;
    }
    return filtre.isEmpty() ? QStringLiteral("*") : filtre;
}

int LigneDuType(const TableTypes& table, QStringView type) {
    for (int i = 0; i < NbTypesFixes; ++i) {
        if (EgauxSansCasse(type, table[i].cle))
            return i;
    }
    return -1;
}

}  // namespace tidemark
