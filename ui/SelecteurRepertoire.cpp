#include "ui/SelecteurRepertoire.h"

#include "core/Drives.h"

#include <QDir>
#include <QFileIconProvider>
#include <QListWidget>
#include <QVBoxLayout>

namespace tidemark {

SelecteurRepertoire::SelecteurRepertoire(const DriveMap& lecteurs, QWidget* parent)
    : QWidget(parent), lecteurs_(lecteurs), liste_(new QListWidget(this)) {
    auto* disposition = new QVBoxLayout(this);
    disposition->setContentsMargins(0, 0, 0, 0);
    disposition->addWidget(liste_);
    liste_->setUniformItemSizes(true);
    liste_->setAccessibleName(QStringLiteral("Repert"));
    connect(liste_, &QListWidget::itemDoubleClicked, this, &SelecteurRepertoire::entre);
    connect(liste_, &QListWidget::itemActivated, this, &SelecteurRepertoire::entre);
}

bool SelecteurRepertoire::setChemin(const QString& chemin) {
    if (chemin == chemin_)
        return false;
    placeSansSignal(chemin);
    Q_EMIT cheminChange(chemin_);
    return true;
}

void SelecteurRepertoire::placeSansSignal(const QString& chemin) {
    chemin_ = chemin;
    relit();
}

void SelecteurRepertoire::relit() {
    liste_->clear();
    if (!EstCheminLecteur(chemin_))
        return;
    static const QFileIconProvider icones;
    const QIcon ouvert = icones.icon(QFileIconProvider::Folder);

    // The ancestors, from the drive root down to the current directory.
    QString cumul = RacineLecteur(chemin_[0]);
    QStringList composants = chemin_.sliced(2).split(u'\\', Qt::SkipEmptyParts);
    int profondeur = 0;
    auto ajoute = [&](const QString& texte, const QString& cible, int niveau) {
        auto* item = new QListWidgetItem(ouvert, QString(niveau * 3, u' ') + texte, liste_);
        item->setData(Qt::UserRole, cible);
        return item;
    };
    QListWidgetItem* courant = ajoute(cumul, cumul, profondeur++);
    for (const QString& composant : composants) {
        cumul = JoindreChemin(cumul, composant);
        courant = ajoute(composant, cumul, profondeur++);
    }
    courant->setSelected(true);
    liste_->setCurrentItem(courant);

    // Then the subdirectories of the current directory, hidden ones left out.
    if (const auto hote = lecteurs_.versHote(chemin_)) {
        const QStringList sous = QDir(*hote).entryList(
            QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks, QDir::Name | QDir::IgnoreCase);
        for (const QString& nom : sous) ajoute(nom, JoindreChemin(chemin_, nom), profondeur);
    }
}

void SelecteurRepertoire::entre(QListWidgetItem* item) {
    if (item)
        setChemin(item->data(Qt::UserRole).toString());
}

}  // namespace tidemark
