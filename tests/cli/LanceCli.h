#pragma once

#include <QProcess>
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
    p->start(QStringLiteral(TIDEMARK_CLI), arguments);
    return p;
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
