#include "ui/Dialogues.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QPushButton>

namespace tidemark {

namespace {

bool Question(QWidget* parent, const QString& texte, const QString& titre, bool ouiParDefaut) {
    QMessageBox boite(QMessageBox::Question, titre, texte, QMessageBox::NoButton, parent);
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
    QMessageBox boite(QMessageBox::Critical, titre, texte, QMessageBox::Ok, parent);
    boite.exec();
}

void Dialogues::avertissement(QWidget* parent, const QString& texte, const QString& details,
                              const QString& titre) {
    QMessageBox boite(QMessageBox::Warning, titre, texte, QMessageBox::Ok, parent);
    if (!details.isEmpty())
        boite.setDetailedText(details);
    boite.exec();
}

void Dialogues::cede() {
    QCoreApplication::processEvents();
}

}  // namespace tidemark
