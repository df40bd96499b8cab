#pragma once

// What the Anki readers share: anki.cpp (notes to cards and the entry
// points), ankipaquet.cpp (the zip container), ankibase.cpp (the collection
// database) and ankitexte.cpp (Anki text).

#include "formats/anki/anki.h"
#include "formats/anki/ankicommun.h"

#include <QByteArray>
#include <QChar>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <memory>

class TBudgetMemoire;
struct TOptions;
class TFichierX;
namespace Formats {
class Rapport;
}

namespace AnkiLecture {

using namespace AnkiCommun;

inline const QString CRLF = QStringLiteral("\r\n");

[[noreturn]] void Refuser(const QString &message);
[[noreturn]] void Endommage();
[[noreturn]] void RefuserTropRecent();

// ---- notes to cards (anki.cpp)

// Where the notes of a type this program wrote keep the card's fields: for
// each note field, the card field (0 title, 1 question, 2 body), or -1 for a
// field made for studying only. Empty for any other note type.
using Disposition = QList<int>;

// The file type a note type this program wrote is named after, in the
// language of the program that wrote it or in English; null for others.
QChar LettreType(const QString &nomType);
// The question, the body, the title when the count of fields leaves room for
// one, then the three MCQ fields made for studying.
Disposition DispositionType(QChar lettre, int nombreChamps);
// A note's fields become a card; see anki.cpp.
void AjouterNote(TFichierX &fichier, QStringList champs, const Disposition &disposition, bool titreDevant);
std::unique_ptr<TFichierX> NouveauFichier(QChar type, const QString &titre, const TOptions &options);
void Terminer(TFichierX &fichier);
// A field more for a note, checked and counted in the budget; the fields of
// a note whose card is made are let go.
void AjouterChamp(QStringList &champs, const QString &champ);
void OublierChamps(QStringList &champs);

// What the notes held that the cards have no place for.
struct Omissions
{
    int etiquettes = 0; // notes with tags
    int trous = 0;      // notes with cloze deletions
    int medias = 0;     // sound and picture files of the package
    int paquets = 0;    // decks the cards come from
    QString journal;    // the write-ahead log's entry

    // Raw fields holding a cloze deletion, "{{c1::...}}".
    static bool Trou(QStringView champs);
    void Rapporter(Formats::Rapport *rapport) const;
};

// ---- the package (ankipaquet.cpp)

// The collection database a package holds, decompressed; omissions gets
// the media files and a write-ahead log.
QByteArray CollectionDuPaquet(const QByteArray &octets, TBudgetMemoire &budget, Omissions *omissions = nullptr);

// ---- the collection (ankibase.cpp)

// The cards of a collection's notes. choisir is told the type this program
// wrote the collection from (when all its notes are of one of its note
// types; null otherwise): see TFichierAnki::LirePaquet.
std::unique_ptr<TFichierX> LireBase(QByteArray &octets, QChar type, const QString &secours, Omissions &omissions,
                                    const TOptions &options, const TFichierAnki::ChoixType &choisir);

// ---- Anki text (ankitexte.cpp)

struct EnTeteTexte
{
    QChar separateur = u'\t';
    bool html = false;
    QString paquet;
    QString type;
    QSet<int> colonnesSpeciales; // from 0
    int colonneEtiquettes = -1;
    int colonnePaquet = -1;
    bool etiquettesCommunes = false; // a "tags:" first line tags every note
    // From the line this program writes: the card file's type, and the card
    // field of each column after Front, Back and the tags.
    QChar lettre;
    Disposition disposition;
};

bool EstLigneEnTete(const QString &ligne, QString &cle, QString &valeur);
// Reads the header lines as Anki does: "tags:" on the first line, then lines
// starting with #. Returns where the notes start.
qsizetype LireEnTete(const QString &texte, EnTeteTexte &entete);

}
