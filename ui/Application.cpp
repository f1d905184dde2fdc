#include "ui/Application.h"

#include "core/Demarrage.h"
#include "ui/FenetreAPropos.h"
#include "ui/Form1.h"

namespace tidemark {

Application::Application(SettingsStore& store, Dialogues* dialogues)
    : store_(store),
      lecteurs_(DriveMap::Courante(store)),
      dialogues_(dialogues ? *dialogues : dialoguesQt_) {}

Application::~Application() = default;

void Application::demarre() {
    aPropos_ = std::make_unique<FenetreAPropos>();
    aPropos_->show();
    state_ = EtatInitial(store_);
    form1_ = std::make_unique<Form1>(state_, store_, lecteurs_, fso_, dialogues_);
    form1_->charge(aPropos_.get());
}

}  // namespace tidemark
