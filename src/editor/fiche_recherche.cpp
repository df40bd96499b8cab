// Searching the card file: a cycle that starts after the card shown, stops
// on each match and ends when it comes back to its start card.

#include "editor/fiche.h"

#include "editor/dlgchercher.h"
#include "model/outils.h"
#include "ui/interaction.h"

#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QLocale>

void TFormFiche::LancerRecherche()
{
    if (!Fichier() || !ValiderFiche())
        return;
    CreerDialogues();
    if (TInteraction::Courante().Executer(*DlgChercher) != QDialog::Accepted)
        return;
    RechercheCasse = DlgChercher->CBDifferencier->isChecked();
    RechercheTousChamps = !DlgChercher->CBChampUnique->isChecked();
    RechercheArriere = DlgChercher->CBArriere->isChecked();
    TexteRecherche = Rogner(DlgChercher->EChercher->text());
    // An empty text starts nothing and says nothing.
    RechercheEnCours = !TexteRecherche.isEmpty() && CarteAffichee();
    if (RechercheEnCours) {
        IndexDepartRecherche = IndexCourant;
        ChercherSuivante(RechercheArriere);
    }
}

void TFormFiche::RechercherSuivante()
{
    if (Fichier() && ValiderFiche())
        ChercherSuivante(RechercheArriere);
}

void TFormFiche::AbandonnerRecherche()
{
    if (!Fichier() || !ValiderFiche() || !RechercheEnCours)
        return;
    RechercheEnCours = false;
    MettreAJourBoutons();
    TInteraction::Courante().Message(TInteraction::Information, tr("Search completed."), TInteraction::Ok, 0);
}

const TRecherche &TFormFiche::Recherche()
{
    const QLocale locale;
    if (!m_recherche || !m_recherche->Pour(TexteRecherche, RechercheCasse, locale))
        m_recherche.emplace(TexteRecherche, RechercheCasse, locale);
    return *m_recherche;
}

void TFormFiche::ChercherSuivante(bool arriere)
{
    if (!Fichier())
        return;
    const TFichierX &f = *Fichier();
    const TRecherche &recherche = Recherche();
    const int n = f.NombreFiches();
    const bool enCours = RechercheEnCours;
    bool trouve = false;
    int i = IndexCourant;
    if (n == 0 || i < 0 || IndexDepartRecherche < 0 || IndexDepartRecherche >= n)
        RechercheEnCours = false; // nothing to search: the cycle cannot start
    while (!trouve && RechercheEnCours) {
        if (arriere)
            i = i == 0 ? n - 1 : i - 1;
        else
            i = i + 1 == n ? 0 : i + 1;
        const TFicheX &fiche = f.Fiche(i);
        // The texts of a large file are far apart in memory: ask for them early.
        if (n > 8) {
            const int suivante = arriere ? i - 8 : i + 8;
            f.Fiche(suivante < 0 ? suivante + n : suivante >= n ? suivante - n : suivante).Precharger();
        }
        if (RechercheTousChamps) {
            // The card's texts in one pass where they lie together.
            QStringView suite;
            const TRecherche::Resultat r = fiche.Suite(f.AvecTitre ? 0 : 1, suite) ? recherche.TrouveDansSuite(suite)
                                                                                   : TRecherche::Indecis;
            if (r != TRecherche::Indecis)
                trouve = r == TRecherche::Oui;
            else
                trouve = recherche.Trouve(fiche.Vue(1)) || recherche.Trouve(fiche.Vue(2))
                    || (f.AvecTitre && recherche.Trouve(fiche.Vue(0)));
        } else {
            trouve = recherche.Trouve(fiche.Vue(f.AvecTitre ? 0 : 1));
        }
        RechercheEnCours = i != IndexDepartRecherche;
    }
    if (i != IndexCourant)
        AfficherFiche(i);
    MettreAJourBoutons();
    if (RechercheEnCours)
        return; // a match is shown; the next step is the user's
    TInteraction &interaction = TInteraction::Courante();
    if (!enCours || arriere != RechercheArriere)
        interaction.Message(TInteraction::Avertissement, tr("Search completed."), TInteraction::Ok, 0);
    else if (trouve)
        interaction.Message(TInteraction::Information, tr("End of search."), TInteraction::Ok, 0);
    else
        interaction.Message(TInteraction::Erreur, tr("Not found!"), TInteraction::Ok, 0, tr("Failure"));
}
