#pragma once

#include <QList>
#include <QPair>
#include <QString>

#include <map>
#include <memory>

class QSettings;

namespace tidemark {

using PaireReglage = QPair<QString, QString>;

// The per-user settings store: application, section, key -> text. Keys compare without
// regard to case on every backend ("curconf" and "CurConf" are one key, one stored entry);
// a key keeps the spelling it was first written with. Values are always plain text.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;

    // The stored text, or `defaut` when the key or the section is missing.
    virtual QString get(const QString& section, const QString& cle,
                        const QString& defaut = {}) const = 0;
    // Creates or replaces the value.
    virtual void save(const QString& section, const QString& cle, const QString& valeur) = 0;
    // Every key/value pair of the section in the store's own order; empty when it is missing.
    virtual QList<PaireReglage> getAll(const QString& section) const = 0;
    // Removes the key; a key that is not stored leaves the store as it was.
    virtual void remove(const QString& section, const QString& cle) = 0;
    // A warning for the user when the store could not use its file and holds this run's
    // settings in memory only; empty otherwise.
    virtual QString avertissement() const { return {}; }
};

class MemorySettingsStore;

// The store of the platform: QSettings in the user scope, organisation and application
// "Tidemark" (on Linux, $XDG_CONFIG_HOME/Tidemark/Tidemark.conf).
// QSettings reads its files when it is made and would wait for ever on a pipe put in their
// place, or take whatever a device gives: when one of the files it reads is there but is no
// regular file, or is past LimiteReglages, the store starts from the defaults held in memory
// for this run, saves nothing, and says so in avertissement().
class QtSettingsStore final : public SettingsStore {
public:
    QtSettingsStore();
    ~QtSettingsStore() override;

    QString get(const QString& section, const QString& cle,
                const QString& defaut = {}) const override;
    void save(const QString& section, const QString& cle, const QString& valeur) override;
    QList<PaireReglage> getAll(const QString& section) const override;
    void remove(const QString& section, const QString& cle) override;
    QString avertissement() const override { return avertissement_; }

private:
    // The stored spelling of `cle` in `section`, or an empty text when it is not stored.
    QString cleStockee(const QString& section, const QString& cle) const;

    std::unique_ptr<QSettings> settings_;
    std::unique_ptr<MemorySettingsStore> secours_;  // instead of settings_, when refused
    QString avertissement_;
};

// A settings file larger than this is no real one and is not read.
inline constexpr qint64 LimiteReglages = 16 * 1024 * 1024;

// A store held in memory, for tests; ordered by key as QSettings lists them.
class MemorySettingsStore final : public SettingsStore {
public:
    QString get(const QString& section, const QString& cle,
                const QString& defaut = {}) const override;
    void save(const QString& section, const QString& cle, const QString& valeur) override;
    QList<PaireReglage> getAll(const QString& section) const override;
    void remove(const QString& section, const QString& cle) override;

private:
    // section (case-folded) -> case-folded key -> (spelling, value)
    std::map<QString, std::map<QString, PaireReglage>> sections_;
};

// Section of every key the program keeps.
inline const QString SectionDemarrage = QStringLiteral("startup");

// Boolean text as the store keeps it: "True" or "False".
QString TexteBooleen(bool valeur);
// True only when the text says true, in any case; anything else is false.
bool LitBooleen(const QString& texte);

}  // namespace tidemark
