#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>
#include <functional>
#include <memory>

class TFichierX;
struct TOptions;

namespace Formats {
class Rapport;
}

// One entry to every reader and writer, by format letter.
namespace Formats {

// Recognises and loads a file as the editor opens it: read-only when the file
// carries the read-only attribute; as a model (no cards, no name) when
// commeDocument is false; an alphabetical file that is not sorted comes back
// sorted, still unmodified. typeCsv is the type given to a CSV file.
// rapport, when given, gets what the reader left out. format: the letter
// the caller already recognised, so that the file is not looked at twice.
// options: the user's, where the file says nothing. choisirType: for an
// import, which type its cards become (Lecture::choisirType); null comes back
// when it cancels.
std::unique_ptr<TFichierX> Ouvrir(const QString &nom, bool modifiable, bool commeDocument, QChar typeCsv,
                                  const TOptions &options, Rapport *rapport = nullptr, QChar format = QChar(),
                                  const std::function<QChar(QChar)> &choisirType = {});

// Saves with the writer of the format, following the save contract
// ('t', and 'm' for a Questionnaire, are exports).
// exporter asks for an export where the format could be the document's own.
// What it would lose is asked before (PertesEnregistrement); rapport, when
// given, gets what the writer left out.
void Enregistrer(TFichierX &fichier, const QString &nom, QChar format, bool nouveau, const TOptions &options,
                 bool exporter = false, Rapport *rapport = nullptr);

// The writer of format writes an export rather than the document itself.
bool EstExport(const TFichierX &fichier, QChar format);

// Format letter for a file name's extension ('?' when none fits).
QChar FormatDepuisExtension(const QString &nom);

// The format of a file on disk: each format is asked in its order of
// recognition (the general rules, then the formats that look further into
// the file). '?' when none takes it.
// options: the CSV separator a CSV file holds.
QChar Reconnaitre(const QString &nom, const TOptions &options);
QChar ReconnaitreTete(const QByteArray &tete, const QString &nom, const TOptions &options);

}

// Format letter of a file on disk from its first 255 bytes and its name,
// by the general rules only; '?' when not recognised. Raises ErreurFichier
// when the file cannot be read.
QChar ReconnaitreFormat(const QString &chemin, const TOptions &options);
// The same on a head already read (at most its first 255 bytes are looked at).
QChar ReconnaitreFormatTete(const QByteArray &tete, const QString &chemin, const TOptions &options);
