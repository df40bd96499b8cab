#pragma once

#include "formats/format.h"

#include <QChar>
#include <QString>
#include <QStringList>
#include <vector>

// Every file format, in one place. The dispatcher, the file dialogs' lists,
// the command-line tool and the tests read only this list and the formats'
// own answers (format.h), so adding a format is its own files plus one line
// of the registration in table.cpp.
namespace Formats {

// Every format, in the order of the open dialog's patterns of a type.
const std::vector<const TFormat *> &Table();
// The format of a letter; nullptr for a letter no format has.
const TFormat *Trouver(QChar lettre);
// Whether the format of a letter has a capability (false for no format).
bool A(QChar lettre, Capacite capacite);
// The translated display name; empty for a letter no format has.
QString Nom(QChar lettre);
// The same, or the letter itself for a letter no format has.
QString NomFormat(QChar lettre);
// All format letters, in table order.
QString Lettres();
// The format a new file of a type is saved in.
QChar ParDefaut(QChar type, QChar typeCsv);

// The registered formats, each defined in its own files.
const TFormat &FormatXml();
const TFormat &FormatNatif();
const TFormat &FormatMoodle();
const TFormat &FormatCardfile();
const TFormat &FormatCsv();
const TFormat &FormatTexte();
const TFormat &FormatGift();
const TFormat &FormatAiken();
const TFormat &FormatAnki();
const TFormat &FormatAnkiTexte();
const TFormat &FormatQti12();
const TFormat &FormatCartouche();
const TFormat &FormatQti21();

}
