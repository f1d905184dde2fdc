#include "ui/FenetreAPropos.h"

#include "core/Identite.h"

#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QVBoxLayout>

namespace tidemark {

FenetreAPropos::FenetreAPropos(QWidget* parent) : QWidget(parent, Qt::Dialog) {
    setObjectName(QStringLiteral("APropos"));
    setWindowTitle(QStringLiteral("A propos de ") + QLatin1String(identite::AppNom));
    setAttribute(Qt::WA_DeleteOnClose, false);

    auto* cadre = new QFrame(this);
    cadre->setFrameShape(QFrame::StyledPanel);
    auto* nom = new QLabel(QLatin1String(identite::AppNom), cadre);
    nom->setObjectName(QStringLiteral("LbNom"));
    QFont grande = nom->font();
    grande.setPointSize(grande.pointSize() * 2);
    grande.setBold(true);
    nom->setFont(grande);
    nom->setAlignment(Qt::AlignCenter);
    auto* version = new QLabel(QStringLiteral("Version : ") + identite::VersionDatee(), cadre);
    version->setObjectName(QStringLiteral("LbVersion"));
    version->setAlignment(Qt::AlignCenter);

    auto* interieur = new QVBoxLayout(cadre);
    interieur->setContentsMargins(32, 24, 32, 24);
    interieur->addWidget(nom);
    interieur->addWidget(version);
    auto* disposition = new QVBoxLayout(this);
    disposition->addWidget(cadre);

    setToolTip(QStringLiteral("Cliquez pour me fermer"));
    setFocusPolicy(Qt::StrongFocus);
    // A click on any part of the window closes it, labels included.
    for (QWidget* enfant : findChildren<QWidget*>()) enfant->installEventFilter(this);
}

void FenetreAPropos::mousePressEvent(QMouseEvent*) {
    close();
}

void FenetreAPropos::keyPressEvent(QKeyEvent*) {
    close();
}

bool FenetreAPropos::eventFilter(QObject* objet, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::KeyPress) {
        close();
        return true;
    }
    return QWidget::eventFilter(objet, event);
}

}  // namespace tidemark
