#pragma once

#include "core/AppState.h"
#include "core/Drives.h"
#include "core/FileSystem.h"
#include "session/Session.h"
#include "ui/Dialogues.h"

#include <QTranslator>

#include <memory>

namespace tidemark {

class SettingsStore;
class FenetreAPropos;
class Form1;

// The program's start: it owns the session, the file-system service and the windows,
// and brings them up in the documented order.
class Application {
public:
    // `store` is not owned and outlives the application; `dialogues`, when given, replaces
    // the message boxes and the yield (tests), and is not owned either.
    explicit Application(SettingsStore& store, Dialogues* dialogues = nullptr);
    ~Application();

    // Shows the About window, fills the shared state from the store (table, configuration
    // names, current configuration), then creates, loads and shows the main window, whose
    // load closes the About window; then says when the store holds defaults in memory only.
    void demarre();

    AppState& state() { return session_->etatModifiable(); }
    Session& session() { return *session_; }
    const DriveMap& lecteurs() const { return lecteurs_; }
    FileSystem& fso() { return fso_; }
    FenetreAPropos* aPropos() const { return aPropos_.get(); }
    // Whether Qt's own French texts (standard buttons, dialogs) were found and are in use.
    bool traductionQt() const { return traductionQt_; }
    Form1* form1() const { return form1_.get(); }

private:
    // Qt's French translation: installed while the application lives.
    QTranslator traducteurQt_;
    bool traductionQt_ = false;
    SettingsStore& store_;
    DriveMap lecteurs_;
    FileSystem fso_;
    std::unique_ptr<Session> session_;  // outlives the windows
    Dialogues dialoguesQt_;
    Dialogues& dialogues_;
    std::unique_ptr<FenetreAPropos> aPropos_;
    std::unique_ptr<Form1> form1_;
};

}  // namespace tidemark
