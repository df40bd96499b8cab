#pragma once

#include "model/options.h"

#include <QString>

// The preferences and remembered files kept between runs. One instance for
// the process; members are named after the stored values ("or" is a C++
// keyword, hence or_).
struct TParametres
{
    QString or_;
    QString xdelim;
    QString ignor;
    QString foname;
    int fosize = 10;
    QString open;
    int openum = 0;
    QString recent;
    int recnum = 0;
    bool minsp = false;
    bool fulscr = false;
    int height = 367;
    int width = 607;
    bool topmst = false;
    QString sign;
    bool reopen = true;
    bool uninst = false;
    bool opened = false;
    bool alltyp = true;
    QString types;
    QString frmats;
    QString lstfon;
    int lstfos = 12;
    QString xslfil;
    bool xmlutf = true;
    bool lfonly = true;
    QString mcqor;
    QString mcqfrm;
    int mcqnor = 4;
    QString csvtyp;
    bool csvutf = false;
    bool ncwnf = false;
    // The CSV separator as typed (escapes allowed); empty for the locale's
    // list separator.
    QString comma;
    // Spell checking as the user types, and the dictionary's name (empty:
    // the one of the interface's language).
    bool spell = true;
    QString spldic;

    TParametres();
};

extern TParametres Parametres;

// Every value back to its default (and the CSV separator to the locale's).
void ParametresParDefaut();
void LireParametres();
void EcrireParametres(bool preferences);

// Where the settings live: the file named by AMBLOPAD_SETTINGS, else the
// platform's store for organisation "Amblorine".
QString CheminParametres();

// What the settings tell readers, writers and new files, as they stand now:
// read them on the thread that owns them.
TOptions OptionsCourantes();

// The CSV separator setting: the text as typed, with escapes, and the
// character it stands for (the locale's when empty).
void DefinirSeparateurCsv(const QString &texte);
QString SeparateurCsvTexte();
QChar SeparateurCsv();
