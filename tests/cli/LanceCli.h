#pragma once

#include <QProcess>
#include <QSettings>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <memory>

namespace tidemark::test {

// What a run of tidemark-cli gave back.
struct Sortie {
    int code = -1;
    QStringList lignes;  // standard output, one line each, marks and spaces kept
    QString erreurs;     // standard error
};

// Starts the built tidemark-cli with `arguments`, drive C: mapped to `racineC`, and HOME and
// XDG_CONFIG_HOME pointed at `reglages`, so the settings of the user running the tests are
// never read. Standard output goes to `sortieVers` when given; `dossier` is the working
// directory when given.
inline std::unique_ptr<QProcess> DemarreCli(const QStringList& arguments, const QString& racineC,
                                            const QString& reglages, const QString& sortieVers = {},
                                            const QString& dossier = {}) {
    auto p = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), reglages);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), reglages);
    env.insert(QStringLiteral("TIDEMARK_DRIVES"), QStringLiteral("C=") + racineC);
    p->setProcessEnvironment(env);
    if (!dossier.isEmpty())
        p->setWorkingDirectory(dossier);
    if (!sortieVers.isEmpty())
        p->setStandardOutputFile(sortieVers);
#ifdef _WIN32
    // A host path is itself a drive path on Windows: with C: mapped to the test folder, a
    // path below that folder is named as a user names it there, from C:.
    QStringList traduits = arguments;
    for (QString& argument : traduits) argument.replace(racineC, QStringLiteral("C:"));
    p->start(QStringLiteral(TIDEMARK_CLI), traduits);
#else
    p->start(QStringLiteral(TIDEMARK_CLI), arguments);
#endif
    return p;
}

// Stores a setting where tidemark-cli reads it for the user of DemarreCli: the INI file in
// `reglages` on Linux, the registry on Windows (kept apart by a ConfigTemporaire).
inline void EcritReglage(const QString& reglages, const QString& cle, const QString& valeur) {
#ifdef _WIN32
    Q_UNUSED(reglages);
    QSettings s(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Tidemark"),
                QStringLiteral("Tidemark"));
#else
    QSettings s(reglages + QStringLiteral("/Tidemark/Tidemark.conf"), QSettings::IniFormat);
#endif
    s.setValue(cle, valeur);
}

// What a started run gave back once it ended.
inline Sortie FinCli(QProcess& p) {
    EXPECT_TRUE(p.waitForFinished(30000));
    Sortie s;
    s.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    s.lignes = QString::fromUtf8(p.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    s.erreurs = QString::fromUtf8(p.readAllStandardError());
    return s;
}

// DemarreCli, then FinCli.
inline Sortie LanceCli(const QStringList& arguments, const QString& racineC,
                       const QString& reglages, const QString& sortieVers = {},
                       const QString& dossier = {}) {
    return FinCli(*DemarreCli(arguments, racineC, reglages, sortieVers, dossier));
}

}  // namespace tidemark::test
