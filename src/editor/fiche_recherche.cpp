// Searching the card file.

#include "fiche.h"

// No search is ever started while the search dialog does not exist; should
// one be flagged, Next and Previous fall back to plain browsing.
void TFormFiche::ChercherSuivante(bool arriere)
{
    RechercheEnCours = false;
    MettreAJourBoutons();
    if (arriere) {
        if (IndexCourant > 0)
            AfficherFiche(IndexCourant - 1);
    } else {
        AfficherFiche(IndexCourant + 1);
    }
}
