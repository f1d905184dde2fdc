#pragma once

#include "core/AppState.h"
#include "core/FileSystem.h"

#include <memory>

namespace tidemark {

class SettingsStore;
class FenetreAPropos;
class Form1;

// The program's start: it owns the shared state, the file-system service and the windows,
// and brings them up in the documented order.
class Application {
public:
    // `store` is not owned and outlives the application.
    explicit Application(SettingsStore& store);
    ~Application();

    // Shows the About window, fills the shared state from the store (table, configuration
    // names, current configuration), then creates, loads and shows the main window, whose
    // load closes the About window.
    void demarre();

    AppState& state() { return state_; }
    FileSystem& fso() { return fso_; }
    FenetreAPropos* aPropos() const { return aPropos_.get(); }
    Form1* form1() const { return form1_.get(); }

private:
    SettingsStore& store_;
    AppState state_;
    FileSystem fso_;
    std::unique_ptr<FenetreAPropos> aPropos_;
    std::unique_ptr<Form1> form1_;
};

}  // namespace tidemark
