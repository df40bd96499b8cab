#pragma once

#include <QChar>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <QtGlobal>
#include <vector>

class TFichierX;
struct TOptions;

namespace Formats {

// One kind of thing a save or an open leaves out.
struct Perte
{
    enum Genre {
        Caracteres,       // characters the code page cannot hold, written as '?'
        SansBonneReponse, // multiple-choice cards with no answer marked right
        Approchees,       // cards written as the closest question the format has
        Ignorees,         // cards the format cannot hold, left out
        Retroactions,     // per-answer feedback with no place in a card
        Journal,          // notes only in an Anki write-ahead log
        Etiquettes,       // notes' tags
        Medias,           // sound and picture files
        Trous,            // cloze deletions, read as plain text
        Paquets,          // cards of several decks, the decks forgotten
    };
    Genre genre;
    qsizetype nombre = 0;
    int fiche = -1;         // position of the first card concerned; -1: none, or the header
    char32_t caractere = 0; // Caracteres: the first one
    // The format's own sentence, for the kinds that are said as they are.
    QString message;

    // A loss the user is asked about before the file is written (the
    // command-line tool refuses it without --lossy); the others are said.
    bool Bloquante() const { return genre == Caracteres || genre == SansBonneReponse; }
};

// What a save or an open loses: at most one entry per kind, in the order found.
class Rapport
{
public:
    // Adds to the entry of the kind (count; the first card and character
    // stay those of the first loss), or makes it.
    void Ajouter(const Perte &perte);
    const Perte *De(Perte::Genre genre) const;
    const std::vector<Perte> &Pertes() const { return m_pertes; }
    bool Vide() const { return m_pertes.empty(); }
    bool Bloquant() const;
    // The sentences of the losses that are said, not asked.
    QStringList Messages() const;

private:
    std::vector<Perte> m_pertes;
};

// What saving the file in a format would lose (TFormat::CePerdrait), asked
// once before the write: native, Cardfile, and CSV or text written in the
// system's code page turn some characters into '?'; Moodle XML and GIFT
// turn multiple-choice cards without a right answer into questions that
// accept every answer, or none. Empty for a letter no format has.
Rapport PertesEnregistrement(const TFichierX &fichier, QChar format, const TOptions &options);

// Counts, text after text in the order a writer writes them, the characters
// a code page cannot hold.
class CompteurPertes
{
public:
    CompteurPertes(Rapport &rapport, int page) : m_rapport(rapport), m_page(page) { }
    // fiche: the card holding the text; -1 for the file's header.
    void Ajouter(QStringView texte, int fiche);

private:
    Rapport &m_rapport;
    int m_page;
};

// The multiple-choice cards with no answer marked right.
Rapport SansBonneReponse(const TFichierX &fichier, const TOptions &options);

}
