#pragma once

#include <QString>

class QWidget;

namespace tidemark {

// The message boxes and the event-loop yield of the windows. Tests replace them to answer
// questions and to act while a scan yields.
class Dialogues {
public:
    virtual ~Dialogues() = default;

    // A question with the buttons "Oui" and "Non"; true for "Oui".
    virtual bool ouiNon(QWidget* parent, const QString& texte, const QString& titre);
    // The same question where "Non" is the default, for what cannot be undone.
    virtual bool confirme(QWidget* parent, const QString& texte, const QString& titre);
    // An error with the critical icon and an OK button.
    virtual void erreur(QWidget* parent, const QString& texte, const QString& titre);
    // A warning with an OK button; `details` (may be empty) is shown on request.
    virtual void avertissement(QWidget* parent, const QString& texte, const QString& details,
                               const QString& titre);
    // Lets the window handle its pending events.
    virtual void cede();
};

}  // namespace tidemark
