#pragma once

#include <QWidget>

class QListWidget;
class QListWidgetItem;

namespace tidemark {

class DriveMap;

// The directory picker over the virtual drives: the current directory's ancestors from the
// drive root down, then its subdirectories; a double-click enters a directory. Paths are
// drive paths (C:\proj).
class SelecteurRepertoire : public QWidget {
    Q_OBJECT
public:
    // `lecteurs` is not owned and outlives the picker.
    SelecteurRepertoire(const DriveMap& lecteurs, QWidget* parent = nullptr);

    QString chemin() const { return chemin_; }
    // Goes to `chemin`; emits cheminChange and returns true when the path changed.
    bool setChemin(const QString& chemin);
    // Goes to `chemin` without emitting anything.
    void placeSansSignal(const QString& chemin);
    // Rereads the subdirectories of the current directory.
    void relit();

    QListWidget* liste() const { return liste_; }

Q_SIGNALS:
    void cheminChange(const QString& chemin);

private:
    void entre(QListWidgetItem* item);

    const DriveMap& lecteurs_;
    QListWidget* liste_;
    QString chemin_;
};

}  // namespace tidemark
