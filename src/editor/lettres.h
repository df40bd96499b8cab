#pragma once

#include <QChar>
#include <QString>

class TFichierX;

// Type and format letters, the most-recently-used letter lists, extensions
// and the entries of the open and save dialogs. No window here: the editor
// hands its current type and file in.
namespace Lettres {

// Maximum length of a letter list.
constexpr int LongueurMax = 255;

// Puts lettre at the front of liste (its first occurrence moves there).
void MettreEnTete(QChar lettre, QString &liste);
// A copy of the setting types with typeCourant in front ('?' leaves it alone).
QString TypesOrdonnes(QChar typeCourant);
// Format of a new file of typeCourant.
QChar FormatParDefaut(QChar typeCourant, QChar lettreTypeCsv);
bool EstTypeCsv(QChar type);
// Type given to a CSV file being opened under name.
QChar TypePourCsv(const QString &nom, QChar typeCourant);
// The remembered card position of a file; -1 for a file not remembered.
int IndexMemorise(const QString &nom);
// Help topic of a file type.
int ContexteAide(QChar type);
QString Extension(QChar type, QChar format);
QString FiltreOuverture(QChar type);
// The open dialog's entries of formats that have their own ("|Name|*.a;*.b"
// each), after the entries of the types; types receives each entry's type.
// A type other than null keeps only the entries of that type.
QString EntreesOuverture(QString &types, QChar seulType = QChar());
QString FiltreSauvegarde(QChar type, QChar format);
// Formats offered by Export and by Save as for a file.
QString FormatsExport(const TFichierX &fichier);
QString FormatsSauvegarde(const TFichierX &fichier);

}
