#pragma once

#include "model/options.h"

#include <QByteArray>
#include <QChar>
#include <QString>
#include <memory>

class TFichierX;
namespace Formats {
class Rapport;
}

// Anki, the flash-card program: a card file exported as a package (.apkg, a
// zip holding an SQLite collection) or as Anki's "notes in plain text", and
// both brought back in as the cards of a new, untitled card file.
class TFichierAnki
{
public:
    // Exports: deck named after the title (else nomSecours), one note and one
    // new card per card, in order.
    static QByteArray EcrirePaquet(const TFichierX &fichier, const QString &nomSecours,
                                   const TOptions &options = TOptions());
    static QByteArray EcrireTexte(const TFichierX &fichier, const QString &nomSecours,
                                  const TOptions &options = TOptions());
    static void Exporter(const TFichierX &fichier, const QString &nom, bool texte,
                         const TOptions &options = TOptions());

    // Imports: the notes of every deck become cards of a new card file of
    // the given type, titled after the deck (else nomSecours). The file has
    // no name and unsaved changes; the bytes are never written back.
    // rapport, when given, gets what a card has no place for (tags, media,
    // the gaps of cloze notes, the decks, a write-ahead log).
    static std::unique_ptr<TFichierX> LirePaquet(const QByteArray &octets, QChar type,
                                                 const QString &nomSecours = QString(),
                                                 Formats::Rapport *rapport = nullptr,
                                                 const TOptions &options = TOptions());
    static std::unique_ptr<TFichierX> LireTexte(const QByteArray &octets, QChar type,
                                                const QString &nomSecours = QString(),
                                                Formats::Rapport *rapport = nullptr,
                                                const TOptions &options = TOptions());
    static std::unique_ptr<TFichierX> Importer(const QString &nom, QChar type, bool texte,
                                               Formats::Rapport *rapport = nullptr,
                                               const TOptions &options = TOptions());

    // The type of the card file a deck this program wrote was made from
    // (null when the deck tells none, or cannot be read): the type to offer
    // first when it is opened.
    static QChar TypeEcrit(const QString &nom, bool texte);

    // Recognition from a file's head.
    static bool EstPaquet(const QByteArray &tete, const QString &nom);
    static bool EstTexte(const QByteArray &tete, const QString &nom);

    // The GUID of a card's note: the same card of the same file gets the same
    // one in every export, so that Anki updates the note rather than adding it.
    static QString Guid(const QString &titre, const QString &cle, int occurrence);
};
