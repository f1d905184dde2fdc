#include "ui/Intro.h"

#include "core/LectureFichier.h"
#include "inventory/ConfigPro.h"
#include "ui/Dialogues.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include <optional>

namespace tidemark {

namespace {
const QString BulleFermer = QStringLiteral("Cliquez pour me fermer");
}

QString LitTexteIntro(const QByteArray& octets) {
    const QString texte = DecodeTexteFichier(octets);
    QString resultat;
    const QStringList lignes = texte.split(u'\n');
    for (qsizetype i = 0; i < lignes.size(); ++i) {
        QString ligne = lignes[i];
        if (ligne.endsWith(u'\r'))
            ligne.chop(1);
        // The split leaves an empty piece after a final line break: it is no line.
        if (i == lignes.size() - 1 && ligne.isEmpty())
            break;
        resultat += ligne + u'\n';
    }
    return resultat;
}

Intro::Intro(Dialogues& dialogues, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), dialogues_(dialogues) {
    setObjectName(QStringLiteral("Intro"));
    auto* frame1 = new QGroupBox(this);
    frame1->setObjectName(QStringLiteral("Frame1"));
    frame1->setToolTip(BulleFermer);
    auto* label1 =
        new QLabel(QStringLiteral("Quelques petites explications au sujet de Tidemark"), frame1);
    label1->setObjectName(QStringLiteral("Label1"));
    label1->setToolTip(BulleFermer);
    QFont arial(QStringLiteral("Arial"));
    arial.setPointSize(label1->font().pointSize() + 4);
    arial.setBold(true);
    label1->setFont(arial);
    label1->setAlignment(Qt::AlignCenter);
    text1_ = new QPlainTextEdit(frame1);
    text1_->setObjectName(QStringLiteral("Text1"));
    text1_->setToolTip(BulleFermer);
    text1_->setReadOnly(true);
    text1_->viewport()->setCursor(Qt::PointingHandCursor);

    auto* interieur = new QVBoxLayout(frame1);
    interieur->addWidget(label1);
    interieur->addWidget(text1_, 1);
    auto* disposition = new QVBoxLayout(this);
    disposition->addWidget(frame1);
    resize(720, 560);

    setFocusPolicy(Qt::StrongFocus);
    for (QObject* enfant :
         {static_cast<QObject*>(frame1), static_cast<QObject*>(label1),
          static_cast<QObject*>(text1_), static_cast<QObject*>(text1_->viewport())})
        enfant->installEventFilter(this);
}

QStringList Intro::CheminsIntro() {
    const QString dossier = QCoreApplication::applicationDirPath();
    return {dossier + QStringLiteral("/intro.txt"),
            QDir::cleanPath(dossier + QStringLiteral("/../share/tidemark/intro.txt"))};
}

void Intro::charge(const QStringList& chemins) {
    text1_->clear();
    // The first file that can be read is shown; one that is there but cannot be read is
    // passed over, and said if no later one can be read either.
    std::optional<QString> refus;
    for (const QString& chemin : chemins) {
        const LectureFichier lu = LitFichierOrdinaire(chemin, LimiteIntro);
        if (lu.ok()) {
            text1_->setPlainText(LitTexteIntro(lu.octets));
            return;
        }
        if (lu.issue != IssueLecture::Absent && !refus)
            refus = PhraseRefus(lu, chemin);
    }
    const QString texte =
        refus ? QStringLiteral("Le fichier de présentation ne peut pas être lu : ") + *refus +
                    QStringLiteral(" .\n\n !!! ")
              : QStringLiteral("Le fichier de présentation : ") + chemins.value(0) +
                    QStringLiteral(
                        "   n'existe pas .\nIl faut placer ce fichier dans le "
                        "répertoire d'installation de Tidemark.\n\n !!! ");
    dialogues_.erreur(this, texte, QStringLiteral("Tidemark  by Velnor"));
}

QString Intro::texte() const {
    return text1_->toPlainText();
}

void Intro::mousePressEvent(QMouseEvent*) {
    close();
}

void Intro::keyPressEvent(QKeyEvent*) {
    close();
}

bool Intro::eventFilter(QObject* objet, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::KeyPress) {
        close();
        return true;
    }
    return QWidget::eventFilter(objet, event);
}

}  // namespace tidemark
