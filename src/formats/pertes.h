#pragma once

#include <QChar>
#include <QStringView>
#include <QtGlobal>

class TFichierX;

namespace Formats {

// The characters a writer cannot hold in its code page: each is written as '?'.
struct Pertes
{
    qsizetype nombre = 0;
    int fiche = -1;         // position of the card holding the first one; -1: not in a card
    char32_t caractere = 0; // the first one
    // Moodle XML and GIFT: multiple-choice cards with no answer marked right,
    // which become questions that accept every answer (or none), and the
    // position of the first one.
    int sansBonneReponse = 0;
    int ficheSansBonneReponse = -1;

    bool Aucune() const { return nombre == 0 && sansBonneReponse == 0; }
};

// What saving the file in a format would lose (TFormat::CePerdrait): native,
// Cardfile, and CSV or text written in the system's code page turn some
// characters into '?'; XML, Moodle and UTF-8 CSV keep every character. For
// Moodle XML and GIFT, also the multiple-choice cards without a right answer.
Pertes CaracteresPerdus(const TFichierX &fichier, QChar format);

// Counts, text after text in the order a writer writes them, the characters
// a code page cannot hold.
class CompteurPertes
{
public:
    CompteurPertes(Pertes &pertes, int page) : m_pertes(pertes), m_page(page) { }
    // fiche: the card holding the text; -1 for the file's header.
    void Ajouter(QStringView texte, int fiche);

private:
    Pertes &m_pertes;
    int m_page;
};

// The multiple-choice cards with no answer marked right.
Pertes SansBonneReponse(const TFichierX &fichier);

}
