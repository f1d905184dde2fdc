#pragma once

#include <QString>
#include <QStringList>

#include <cstdio>

// The subcommands of tidemark-cli and what they share.
namespace tidemark::cli {

// Exit statuses of every command.
inline constexpr int SortieFaite = 0;       // done
inline constexpr int SortieIncomplete = 1;  // some directories or files could not be processed
inline constexpr int SortieUsage = 2;       // bad usage or input, with a one-line reason

// `tidemark-cli scan [selection] DIR`; `arguments` follow the command's name.
int CmdScan(QStringList arguments);

// `tidemark-cli purge [selection] [--keep N] [--keep-aux N] [--dry-run | --delete | --garage]
// ... DIR`; `arguments` follow the command's name.
int CmdPurge(QStringList arguments);

// `tidemark-cli duplicates [selection] DIR`: the couples of one radical in two directories.
int CmdDoublons(QStringList arguments);

// `tidemark-cli near [selection] --position C DIR`: the couples of radicals that differ at
// position C only.
int CmdVoisins(QStringList arguments);

// `tidemark-cli garage [--drive X]... (list | show RUN | restore (RUN | --last) [--dry-run] |
// empty [--older-than DAYS] [--dry-run])`: the garage journals, restores and emptying.
int CmdGarage(QStringList arguments);

// Writes a text as UTF-8.
inline void Ecrit(std::FILE* flux, const QString& texte) {
    const QByteArray octets = texte.toUtf8();
    std::fwrite(octets.constData(), 1, static_cast<size_t>(octets.size()), flux);
}

// A one-line reason on standard error, then the status of bad usage.
inline int ErreurUsage(const QString& raison) {
    Ecrit(stderr, QStringLiteral("tidemark-cli : ") + raison + u'\n');
    return SortieUsage;
}

}  // namespace tidemark::cli
