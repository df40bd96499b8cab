#pragma once

#include <QList>
#include <QStringList>

class QFont;
class QPagedPaintDevice;
class QPlainTextEdit;
class TFichierX;

// Printing cards: the lines of a card or of the whole file, laid out on
// pages, and the printer or PDF file they go to.
namespace Impression {

// The card shown as it is printed: title, question and answer lines as the
// fields display them, each after six spaces.
QStringList LignesFiche(const QString &titre, const QPlainTextEdit *question, const QPlainTextEdit *reponse);
// Each card as it is printed, in the file's order; a file without card
// titles shows titreFichier once, on top.
QList<QStringList> Blocs(const TFichierX &fichier, const QString &titreFichier);

// Prints blocks of lines; a block that does not fit in the rest of a page
// starts the next one. A line wider than the page is wrapped. Returns the
// lines of each page.
QList<QStringList> ImprimerBlocs(QPagedPaintDevice &imprimante, const QFont &police, const QList<QStringList> &blocs);
// Lines one under the other, a new page when one is full.
QList<QStringList> ImprimerLignes(QPagedPaintDevice &imprimante, const QFont &police, const QStringList &lignes);

// Asks for the printer and prints, the job named after the document (a
// PDF file proposed in dossier when there is no printer); the messages say
// what failed (%1 in echecFichier: the PDF file).
void Imprimer(const QList<QStringList> &blocs, const QFont &police, const QString &nomDocument, const QString &dossier,
              const QString &echec, const QString &echecFichier);

} // namespace Impression
