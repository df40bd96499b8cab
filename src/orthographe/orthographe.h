#pragma once

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <memory>

class Hunspell;
class QLocale;

// Spell checking of card texts with a Hunspell dictionary, plus the user's
// own words (kept in a file) and the words ignored for the session.
// Qt Core only: the editor and amblopad-cli share it.
class TOrthographe
{
public:
    struct Dictionnaire
    {
        QString nom; // "fr_FR", the files' name
        QString aff;
        QString dic;
    };
    // A word of a text: where it starts and how long it is.
    struct Mot
    {
        qsizetype debut = 0;
        qsizetype longueur = 0;
    };

    ~TOrthographe();

    // The folders searched, in order: those of DICPATH, then the system's
    // (hunspell/ under each data folder).
    static QStringList Dossiers();
    // The dictionaries found there, by name; the first folder wins a name.
    static QList<Dictionnaire> Installes();
    // The dictionary of the interface's language among noms: the locale's
    // own variant, then the language's main one, then any; empty when none.
    static QString ParDefaut(const QStringList &noms, const QLocale &locale);
    // The interface's language ("en" while untranslated).
    static QString LangueInterface();
    // A dictionary's name as the menus show it: "Français (France)".
    static QString NomAffiche(const QString &nom);

    // Loads a dictionary by name; null with a message when it is missing or
    // its encoding cannot be converted.
    static std::unique_ptr<TOrthographe> Ouvrir(const QString &nom, QString *erreur = nullptr);

    QString Nom() const { return m_nom; }
    // The dictionary's declared encoding ("UTF-8", "ISO8859-1"...).
    QString Encodage() const { return m_encodage; }

    // The words of a text worth checking: no numbers, no words in capitals
    // (acronyms, Moodle's cloze keywords), nothing of an address (mail, web).
    static QList<Mot> Mots(QStringView texte);
    bool Correct(const QString &mot);
    // The misspelt words of a text.
    QList<Mot> Fautes(QStringView texte);
    // At most maximum replacements, best first.
    QStringList Suggestions(const QString &mot, int maximum = 5);

    // Accepted until the program ends.
    void Ignorer(const QString &mot);
    QSet<QString> Ignores() const { return m_ignores; }
    // Accepted from now on: added to the personal word list, which is saved;
    // false when the list could not be written (the word stays accepted).
    bool Ajouter(const QString &mot);
    // The personal word list: one word a line, UTF-8, in the editor's
    // configuration folder, shared by every dictionary and amblopad-cli.
    static QString CheminMotsPersonnels();
    static QStringList LireMotsPersonnels();

private:
    TOrthographe() = default;
    bool Encoder(const QString &mot, std::string &octets) const;
    QString Decoder(const std::string &octets) const;

    std::unique_ptr<Hunspell> m_hunspell;
    QString m_nom;
    QString m_encodage;
    bool m_utf8 = true;
    QSet<QString> m_personnels;
    QSet<QString> m_ignores;
    QHash<QString, bool> m_verdicts;
    QHash<QString, QStringList> m_suggestions;
};
