#include "ui/Dialogues.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QPushButton>

namespace tidemark {

QString SecableEntreComposants(const QString& texte) {
    // A zero-width space after each separator lets a line break there and nowhere else
    // inside the path; it shows as nothing.
    QString resultat;
    resultat.reserve(texte.size() + texte.size() / 8);
    for (qsizetype i = 0; i < texte.size(); ++i) {
        resultat += texte[i];
        const bool separateur = texte[i] == u'\\' || texte[i] == u'/';
        if (separateur && i + 1 < texte.size() && !texte[i + 1].isSpace() &&
            texte[i + 1] != u'\\' && texte[i + 1] != u'/' && texte[i + 1] != QChar(0x200B))
            resultat += QChar(0x200B);
    }
    return resultat;
}

namespace {

bool Question(QWidget* parent, const QString& texte, const QString& titre, bool ouiParDefaut) {
    QMessageBox boite(QMessageBox::Question, titre, SecableEntreComposants(texte),
                      QMessageBox::NoButton, parent);
    QPushButton* oui = boite.addButton(QStringLiteral("Oui"), QMessageBox::YesRole);
    QPushButton* non = boite.addButton(QStringLiteral("Non"), QMessageBox::NoRole);
    boite.setDefaultButton(ouiParDefaut ? oui : non);
    boite.setEscapeButton(non);
    boite.exec();
    return boite.clickedButton() == oui;
}

}  // namespace

bool Dialogues::ouiNon(QWidget* parent, const QString& texte, const QString& titre) {
    return Question(parent, texte, titre, true);
}

bool Dialogues::confirme(QWidget* parent, const QString& texte, const QString& titre,
                         bool nonParDefaut) {
    return Question(parent, texte, titre, !nonParDefaut);
}

void Dialogues::erreur(QWidget* parent, const QString& texte, const QString& titre) {
    QMessageBox boite(QMessageBox::Critical, titre, SecableEntreComposants(texte), QMessageBox::Ok,
                      parent);
    boite.exec();
}

void Dialogues::avertissement(QWidget* parent, const QString& texte, const QString& details,
                              const QString& titre) {
    QMessageBox boite(QMessageBox::Warning, titre, SecableEntreComposants(texte), QMessageBox::Ok,
                      parent);
    if (!details.isEmpty())
        boite.setDetailedText(details);
    boite.exec();
}

void Dialogues::cede() {
    QCoreApplication::processEvents();
}

}  // namespace tidemark
