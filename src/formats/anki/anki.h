#pragma once

#include "model/options.h"

#include <QByteArray>
#include <QChar>
#include <QString>
#include <functional>
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
    // choisir, when given, is asked for the type once the deck is read, with
    // the type of the card file this program wrote it from (null when the
    // deck tells none); its null answer makes the import return null.
    using ChoixType = std::function<QChar(QChar ecrit)>;
    static std::unique_ptr<TFichierX> LirePaquet(const QByteArray &octets, QChar type,
                                                 const QString &nomSecours = QString(),
                                                 Formats::Rapport *rapport = nullptr,
                                                 const TOptions &options = TOptions(), const ChoixType &choisir = {});
    static std::unique_ptr<TFichierX> LireTexte(const QByteArray &octets, QChar type,
                                                const QString &nomSecours = QString(),
                                                Formats::Rapport *rapport = nullptr,
                                                const TOptions &options = TOptions(), const ChoixType &choisir = {});
    static std::unique_ptr<TFichierX> Importer(const QString &nom, QChar type, bool texte,
                                               Formats::Rapport *rapport = nullptr,
                                               const TOptions &options = TOptions(), const ChoixType &choisir = {});

    // Recognition from a file's head.
    static bool EstPaquet(const QByteArray &tete, const QString &nom);
    static bool EstTexte(const QByteArray &tete, const QString &nom);

    // The GUID of a card's note: the same card of the same file gets the same
    // one in every export, so that Anki updates the note rather than adding it.
    static QString Guid(const QString &titre, const QString &cle, int occurrence);
};
