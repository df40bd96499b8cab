#pragma once

#include <QString>

// What the user's preferences tell the core where a card file says nothing:
// the defaults of a new file, the separators a quiz falls back on and how
// the writers spell what the file leaves open. A plain value the caller
// fills (from the settings) and hands to readers, writers and new files;
// the core never reads the preferences itself.
struct TOptions
{
    // New card files and their quiz options.
    QString ouVisible;   // a Questionnaire's "or"
    QString ponctuation; // the punctuation a Questionnaire ignores
    QString motsIgnores; // the words it ignores, unless the file has its own
    QString signature;
    QString feuilleStyle;
    QString separateurQcm; // between an MCQ card's answers
    int reponsesQcm = 4;   // answer places in a new MCQ card's canvas

    // XML writer: LF line ends, UTF-8, answers not spaced out.
    bool lfSeul = true;
    bool utf8Xml = true;
    bool espacesMinimaux = false;

    // CSV: the separator as typed (escapes allowed; empty: the locale's list
    // separator), UTF-8 rather than the system's code page, and the file
    // types offered in CSV.
    QString separateurCsv;
    bool utf8Csv = false;
    QString typesCsv;

    // Moodle XML: the format attribute of question texts (empty: none).
    QString formatMoodle;

    // The preferences' own defaults.
    TOptions();

    // The character the CSV separator stands for.
    QChar CarSeparateurCsv() const;
};
