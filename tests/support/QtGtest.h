#pragma once

// Lets GoogleTest print Qt texts readably in failure messages.
#include <QString>
#include <QStringList>
#include <QStringView>

#include <ostream>

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& texte, std::ostream* os) {
    *os << '"' << texte.toStdString() << '"';
}
inline void PrintTo(QStringView texte, std::ostream* os) {
    *os << '"' << texte.toString().toStdString() << '"';
}
inline void PrintTo(const QStringList& liste, std::ostream* os) {
    *os << '[';
    for (qsizetype i = 0; i < liste.size(); ++i)
        *os << (i ? ", \"" : "\"") << liste[i].toStdString() << '"';
    *os << ']';
}
QT_END_NAMESPACE
