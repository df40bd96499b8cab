#pragma once

#include <QChar>
#include <QtGlobal>

class TFichierX;

namespace Formats {

// The characters a writer cannot hold in its code page: each is written as '?'.
struct Pertes
{
    qsizetype nombre = 0;
    int fiche = -1;         // position of the card holding the first one; -1: not in a card
    char32_t caractere = 0; // the first one
};

// What saving the file in a format would turn into '?': native, Cardfile,
// and CSV or text written in the system's code page. XML, Moodle and UTF-8
// CSV keep every character. One pass over the texts the writer writes.
Pertes CaracteresPerdus(const TFichierX &fichier, QChar format);

}
