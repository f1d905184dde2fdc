#include "ui/Application.h"

#include "core/Demarrage.h"
#include "ui/FenetreAPropos.h"
#include "ui/Form1.h"

namespace tidemark {

Application::Application(SettingsStore& store) : store_(store) {}

Application::~Application() = default;

void Application::demarre() {
    aPropos_ = std::make_unique<FenetreAPropos>();
    aPropos_->show();
    state_ = EtatInitial(store_);
    form1_ = std::make_unique<Form1>(state_, store_);
    form1_->charge(aPropos_.get());
    form1_->show();
}

}  // namespace tidemark
