#pragma once

#include "core/SettingsStore.h"
#include "session/Session.h"
#include "tests/support/QtGtest.h"
#include "tests/support/TempTree.h"
#include "ui/Application.h"
#include "ui/Dialogues.h"
#include "ui/Form1.h"
#include "ui/Form2.h"
#include "ui/Positions.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QListView>
#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace tidemark::test {

// Message boxes answered by the test, and a hook run at each yield of a scan.
class DialoguesTest : public Dialogues {
public:
    bool ouiNon(QWidget*, const QString& texte, const QString& titre) override {
        questions.append(titre + u'|' + texte);
        return reponse;
    }
    bool confirme(QWidget*, const QString& texte, const QString& titre,
                  bool nonParDefaut) override {
        confirmations.append(titre + u'|' + texte +
                             (nonParDefaut ? QStringLiteral("|Non") : QStringLiteral("|Oui")));
        return reponse;
    }
    void erreur(QWidget*, const QString& texte, const QString& titre) override {
        erreurs.append(titre + u'|' + texte);
    }
    void avertissement(QWidget*, const QString& texte, const QString& details,
                       const QString& titre) override {
        erreurs.append(titre + u'|' + texte + u'|' + details);
    }
    void cede() override {
        ++cessions;
        if (aChaqueCession)
            aChaqueCession(cessions);
    }

    bool reponse = true;
    QStringList questions;
    QStringList confirmations;  // title|text|default button of each question before a disposal
    QStringList erreurs;
    int cessions = 0;
    std::function<void(int)> aChaqueCession;
};

// A real tree mapped as drive C:, an in-memory settings store and the application started
// on them. TIDEMARK_DRIVES is restored when the fixture goes.
class FenetreTest : public ::testing::Test {
protected:
    // `base`: where the tree is made (/dev/shm for a large one), the system's temporary
    // folder by default.
    explicit FenetreTest(const QString& base = {})
        : arbre(base), ancienLecteurs_(qgetenv("TIDEMARK_DRIVES")) {
        qputenv("TIDEMARK_DRIVES", QByteArray("C=") + arbre.chemin().toUtf8());
    }
    ~FenetreTest() override {
        app.reset();
        if (ancienLecteurs_.isNull())
            qunsetenv("TIDEMARK_DRIVES");
        else
            qputenv("TIDEMARK_DRIVES", ancienLecteurs_);
    }

    void demarre() {
        app = std::make_unique<Application>(store, &dialogues);
        app->demarre();
        QObject::connect(&app->session(), &Session::scanCommence, &app->session(),
                         [this] { ++scans; });
        attend();
    }
    // Lets the window's event loop run until the session's command, if any, is over.
    void attend() const {
        QElapsedTimer minuteur;
        minuteur.start();
        // Under Wine every file call is a round trip to its server: a search of 50,000 files
        // there can pass a minute on a loaded machine.
#ifdef _WIN32
        constexpr qint64 Limite = 240000;
#else
        constexpr qint64 Limite = 60000;
#endif
        while (app && app->form1() && app->session().occupee() && minuteur.elapsed() < Limite) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            QThread::usleep(200);
        }
        EXPECT_FALSE(app->session().occupee());
    }
    Form1* form1() const {
        return app->form1();
    }
    Form2* form2() const {
        return form1()->form2();
    }
    AppState& state() const {
        return app->state();
    }

    template <typename T = QWidget>
    T* controle(const char* nom, QWidget* dans = nullptr) const {
        T* w = (dans ? dans : static_cast<QWidget*>(form1()))->findChild<T*>(QLatin1String(nom));
        EXPECT_NE(w, nullptr) << nom;
        return w;
    }
    void clique(const char* nom, QWidget* dans = nullptr) const {
        QAbstractButton* bouton = controle<QAbstractButton>(nom, dans);
        ASSERT_TRUE(bouton->isEnabled()) << nom;
        bouton->click();
        attend();
    }
    QString texte(const char* nom) const {
        return controle<QLabel>(nom)->text();
    }
    QStringList lignes() const {
        const QAbstractItemModel* modele = controle<QListView>("List1")->model();
        QStringList resultat;
        for (int i = 0; i < modele->rowCount(); ++i)
            resultat.append(modele->index(i, 0).data().toString());
        return resultat;
    }

    TempTree arbre;
    MemorySettingsStore store;
    DialoguesTest dialogues;
    std::unique_ptr<Application> app;
    int scans = 0;  // scans started since the window's first

private:
    QByteArray ancienLecteurs_;
};

}  // namespace tidemark::test
