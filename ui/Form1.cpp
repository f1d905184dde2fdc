#include "ui/Form1.h"

#include "core/AppState.h"
#include "core/Identite.h"

namespace tidemark {

Form1::Form1(AppState& state, SettingsStore& store, QWidget* parent)
    : QMainWindow(parent), state_(state), store_(store) {
    setObjectName(QStringLiteral("Form1"));
    resize(1280, 800);
}

void Form1::charge(QWidget* aPropos) {
    setWindowTitle(identite::TitreFenetrePrincipale());
    state_.FiltreFich = ConstruitFiltre(state_.TabConf);
    if (aPropos)
        aPropos->close();
}

}  // namespace tidemark
