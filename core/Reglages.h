#pragma once

#include "core/SettingsStore.h"

// The keys of the "startup" section, each read with its own default.
namespace tidemark::reglages {

inline const QString TopPos = QStringLiteral("toppos");
inline const QString LeftPos = QStringLiteral("leftpos");
inline const QString TopPos2 = QStringLiteral("toppos2");
inline const QString LeftPos2 = QStringLiteral("leftpos2");
inline const QString Opt = QStringLiteral("Opt");
inline const QString MemRepert = QStringLiteral("memrepert");
inline const QString OptPurge = QStringLiteral("OptPurge");
inline const QString OptDouble = QStringLiteral("OptDouble");
inline const QString Form2V = QStringLiteral("Form2V");
inline const QString CurConf = QStringLiteral("CurConf");

// The default text of a key of the section ("1416" for "toppos"...); empty for any other.
QString Defaut(const QString& cle);

// The stored text of a key of the section, or its default.
QString Lit(const SettingsStore& store, const QString& cle);
// A Boolean key: true only when the stored text (or the default) says true.
bool LitBooleen(const SettingsStore& store, const QString& cle);
// A window position in twips: the stored decimal text read as a single-precision number;
// a text that is not a number gives the key's default.
float LitPosition(const SettingsStore& store, const QString& cle);
// Writes a position as the decimal text of the number.
void SauvePosition(SettingsStore& store, const QString& cle, float twips);

}  // namespace tidemark::reglages
