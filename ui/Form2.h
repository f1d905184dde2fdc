#pragma once

#include "core/TabConf.h"

#include <QWidget>

#include <array>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tidemark {

struct AppState;
struct Reglages;
class Dialogues;
class SettingsStore;

// The purge configuration window: the file types, the three user patterns, the kept counts,
// the two flags, the totals of the last analysis and the named configurations. Created once
// at the main window's load, then only shown and hidden.
class Form2 : public QWidget {
    Q_OBJECT
public:
    // `state`, `store` and `dialogues` are not owned and outlive the window.
    Form2(AppState& state, SettingsStore& store, Dialogues& dialogues, QWidget* parent = nullptr);

    // The window's load: title, position, the current configuration loaded and shown.
    void charge();

    // Shows the shared state in the window.
    void MaJTabConf();
    // Clears the totals, in the table and on screen.
    void RazTabConf();
    // Shows the totals of the last analysis.
    void AjourTabConf();
    // Puts the settings the controls show in place of the current ones, whole.
    void applique();

    // "Cacher" and the window's own close button: position stored, settings applied and the
    // current configuration name stored; the window is hidden, never destroyed.
    void cacher();

Q_SIGNALS:
    // "Appliquer": the pattern list was rebuilt; the main window rescans.
    void appliquee();
    // The window was hidden by "Cacher" or its close button.
    void cachee();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // The settings the controls show: the current ones with the controls' values.
    Reglages lus();
    void construit();
    void appliquer();
    void sauver();
    void effacer();
    void choisir(const QString& texte);
    void remplitNoms();
    void nbRevChange();
    void couleurLigne(int k);

    AppState& state_;
    SettingsStore& store_;
    Dialogues& dialogues_;

    QGroupBox* frame1_ = nullptr;
    std::array<QCheckBox*, NbLignesTypes> chk_{};
    std::array<QLabel*, NbTypesFixes> lbl_{};
    std::array<QLineEdit*, 3> txtOpt_{};
    std::array<QLineEdit*, NbLignesTypes> tot_{};
    std::array<QLineEdit*, NbLignesTypes> nb_{};
    QLineEdit* totNombre_ = nullptr;
    QLineEdit* totTaille_ = nullptr;
    QLineEdit* nbRev_ = nullptr;
    QLineEdit* nbRev1_ = nullptr;
    QCheckBox* chkMaitreSansInd_ = nullptr;
    QCheckBox* chkCaches_ = nullptr;
    QComboBox* nomDeConf_ = nullptr;
};

}  // namespace tidemark
