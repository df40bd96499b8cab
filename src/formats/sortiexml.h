#pragma once

#include <QByteArray>
#include <QStringView>

// XML written straight into a buffer as UTF-8, for the writers that build no
// tree (Moodle XML, QTI).
namespace SortieXml {

enum class Contexte { Texte, Attribut, CData };

// Appends s as UTF-8 escaped for its place. Characters XML 1.0 cannot hold
// (NUL and other controls, U+FFFE, U+FFFF) are left out; a lone surrogate
// becomes '?'. Inside CDATA, "]]>" ends the section between "]]" and ">".
void Ajouter(QByteArray &sortie, QStringView s, Contexte contexte);

}
