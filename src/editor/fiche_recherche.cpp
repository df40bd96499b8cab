// Searching the card file: a cycle that starts after the card shown, stops
// on each match and ends when it comes back to its start card.

#include "fiche.h"

#include "dlgchercher.h"
#include "interaction.h"
#include "model/outils.h"

#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QLocale>

void TFormFiche::Rechercher1Click()
{
    if (!FichierCourant || !DlgChercher || !ValiderFiche())
        return;
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

void TFormFiche::Rechsuivant1Click()
{
    if (FichierCourant && ValiderFiche())
        ChercherSuivante(RechercheArriere);
}

void TFormFiche::AbandonRech1Click()
{
    if (!FichierCourant || !ValiderFiche() || !RechercheEnCours)
        return;
    RechercheEnCours = false;
    MettreAJourBoutons();
    TInteraction::Courante().Message(TInteraction::Information, tr("Search completed."),
                                     TInteraction::Ok, 0);
}

bool TFormFiche::Correspond(const QString &texte)
{
    if (RechercheCasse)
        return texte.contains(TexteRecherche, Qt::CaseSensitive);
    if (texte.isEmpty())
        return false;
    // A search visits every card of the file, and a new search often goes
    // over the same texts again: each text is upper-cased once.
    auto trouve = m_majuscules.constFind(texte.constData());
    if (trouve == m_majuscules.cend() || trouve->first.size() != texte.size()) {
        // A cache holding far more than the file's texts keeps dead ones.
        if (FichierCourant && m_majuscules.size() > 3 * FichierCourant->NombreFiches() + 1024)
            m_majuscules.clear();
        trouve = m_majuscules.insert(texte.constData(), {texte, QLocale().toUpper(texte)});
    }
    if (m_rechercheMajuscules.first != TexteRecherche)
        m_rechercheMajuscules = {TexteRecherche, QLocale().toUpper(TexteRecherche)};
    return trouve->second.contains(m_rechercheMajuscules.second, Qt::CaseSensitive);
}

void TFormFiche::ChercherSuivante(bool arriere)
{
    if (!FichierCourant)
        return;
    const TFichierX &f = *FichierCourant;
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
        if (RechercheTousChamps) {
            trouve = Correspond(fiche.Champ1) || Correspond(fiche.Champ2)
                  || (f.AvecTitre && Correspond(fiche.Champ0));
        } else {
            trouve = Correspond(f.AvecTitre ? fiche.Champ0 : fiche.Champ1);
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
