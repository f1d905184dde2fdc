#include "ui/Application.h"

#include "core/Demarrage.h"
#include "core/SettingsStore.h"
#include "ui/FenetreAPropos.h"
#include "ui/Form1.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>

namespace tidemark {

Application::Application(SettingsStore& store, Dialogues* dialogues)
    : store_(store),
      lecteurs_(DriveMap::Courante(store)),
      dialogues_(dialogues ? *dialogues : dialoguesQt_) {
    // The window is French whatever the system's language: Qt's own texts ("Show Details...",
    // "Yes", "Cancel") are French too. Qt's translations are looked for beside the program
    // first (a Windows install carries them there), then where this Qt keeps them.
    const QStringList dossiers = {
        QCoreApplication::applicationDirPath() + QStringLiteral("/translations"),
        QLibraryInfo::path(QLibraryInfo::TranslationsPath)};
    for (const QString& dossier : dossiers) {
        if (traducteurQt_.load(QLocale(QLocale::French, QLocale::France), QStringLiteral("qtbase"),
                               QStringLiteral("_"), dossier)) {
            traductionQt_ = QCoreApplication::installTranslator(&traducteurQt_);
            break;
        }
    }
}

Application::~Application() {
    form1_.reset();
    aPropos_.reset();
    QCoreApplication::removeTranslator(&traducteurQt_);
}

void Application::demarre() {
    aPropos_ = std::make_unique<FenetreAPropos>();
    aPropos_->show();
    session_ = std::make_unique<Session>(EtatInitial(store_), lecteurs_, fso_);
    form1_ = std::make_unique<Form1>(*session_, store_, lecteurs_, fso_, dialogues_);
    form1_->charge(aPropos_.get());
    // Settings that could not be read are said once the window is up: the user must know
    // that this session starts from the defaults and that nothing of it will be kept.
    if (const QString avertissement = store_.avertissement(); !avertissement.isEmpty())
        dialogues_.avertissement(form1_.get(), avertissement, {}, QStringLiteral("Tidemark"));
}

}  // namespace tidemark
