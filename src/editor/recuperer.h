#pragma once

#include <QCoreApplication>

class TFormFiche;
class TRecuperation;

// Recovery after a crash, on the window's side: the copy of its document,
// and at start the copies a crashed editor left, each offered with
// Recover, Discard and Later.
class TOffreRecuperation
{
    Q_DECLARE_TR_FUNCTIONS(TOffreRecuperation)

public:
    // The window's document gets its recovery copy (owned by the window).
    static TRecuperation *Installer(TFormFiche &fiche);
    // Recover opens the cards as the window's document, modified and bound
    // to the file they came from (after the usual question when the one
    // shown holds changes); Discard deletes the copy; Later keeps it for the
    // next start. A copy that cannot be read is said once and set aside.
    static void Offrir(TFormFiche &fiche, TRecuperation &recuperation);
};
