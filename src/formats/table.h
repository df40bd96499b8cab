#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

class TFichierX;

// What each file format is, in one place: its letter and name, its extension,
// what it may be used for and its reader and writer. The dispatcher, the file
// dialogs' lists, the command-line tool and the tests all read this table, so
// adding a format is one row here plus its reader and writer.
namespace Formats {

// How a file is being read.
struct Lecture
{
    bool modifiable = true;
    bool commeDocument = true; // false: a model (layout and options, no cards)
    QChar typeCsv = u'L';      // type given to a file that carries none (CSV)
};

// How a file is being written: exporter asks for an export (the card file
// stays as it was) where the format could also be the document's own.
struct Ecriture
{
    bool nouveau = true; // false: rewrite the card file's own stream
    bool exporter = false;
};

struct Format
{
    char lettre;
    // Display name, translated in the context "Chaines".
    const char *nom;
    // Extension template: its first '*' becomes the file type letter.
    const char *motif;
    // The format's own entry in the open dialog ("Name|*.a;*.b"), after the
    // entries of the types; nullptr for none.
    const char *entreeOuverture;
    // Type given to a file opened through that entry.
    char typeEntreeOuverture;
    // New formats are offered even before they enter the setting frmats.
    bool toujoursPropose;
    // Readers and writers; nullptr where the format is never read or written.
    std::unique_ptr<TFichierX> (*lire)(const QString &nom, const Lecture &lecture);
    void (*ecrire)(TFichierX &fichier, const QString &nom, QChar format, const Ecriture &ecriture);
    // The card files the writer can hold at all; nullptr for every one.
    bool (*accepte)(const TFichierX &fichier);
    // Whether the file may be opened as a model.
    bool modele;
    // The type's entry of the open dialog lists the format's extension.
    bool (*dansOuverture)(QChar type);
    // Offered by Save as (when not the file's own format) and by Export.
    bool (*sauvegarde)(const TFichierX &fichier);
    bool (*exportation)(const TFichierX &fichier);
    // The writer leaves the card file as it was (an export) for this file.
    bool (*exporte)(const TFichierX &fichier);
    // Recognises a file that the general rules of ReconnaitreFormat leave
    // unrecognised, from its head and its name; nullptr for none.
    bool (*reconnaitre)(const QByteArray &tete, const QString &nom);
};

// Every format, in the order recognition tries them.
const std::vector<Format> &Table();
// The row of a letter; nullptr for a letter no format has.
const Format *Trouver(QChar lettre);
// The translated display name; empty for a letter no format has.
QString Nom(QChar lettre);
// The reader of the format makes a new, untitled card file (Anki): the file
// read is never written, and the type comes from Lecture::typeCsv.
bool Importe(QChar lettre);
// All format letters, in table order.
QString Lettres();
// What a reader or writer could not carry over (per-answer feedback of a
// GIFT file, cards GIFT or Aiken cannot express), said once per load or
// save: the editor shows it, the command-line tool prints it.
void Avertir(const QString &message);
// The messages since the last call, which empties the list.
QStringList PrendreAvertissements();

// Bytes of a file's head that the recognisers of the table look at.
constexpr int TailleTete = 64 * 1024;

}
