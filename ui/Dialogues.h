#pragma once

#include <QString>

class QWidget;

namespace tidemark {

// `texte` with a line-break opportunity after each path separator, so that a long path
// wraps between its folders rather than running off the box or breaking inside a name.
QString SecableEntreComposants(const QString& texte);

// The message boxes and the event-loop yield of the windows. Tests replace them to answer
// questions and to act while a scan yields.
class Dialogues {
public:
    virtual ~Dialogues() = default;

    // A question with the buttons "Oui" and "Non"; true for "Oui".
    virtual bool ouiNon(QWidget* parent, const QString& texte, const QString& titre);
    // A question before files are disposed of: "Oui" and "Non", "Non" the default button
    // when `nonParDefaut`; true for "Oui".
    virtual bool confirme(QWidget* parent, const QString& texte, const QString& titre,
                          bool nonParDefaut);
    // An error with the critical icon and an OK button.
    virtual void erreur(QWidget* parent, const QString& texte, const QString& titre);
    // A warning with an OK button; `details` (may be empty) is shown on request.
    virtual void avertissement(QWidget* parent, const QString& texte, const QString& details,
                               const QString& titre);
    // Lets the window handle its pending events.
    virtual void cede();
};

}  // namespace tidemark
