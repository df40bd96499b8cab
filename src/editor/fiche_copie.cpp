// New cards made from others: Duplicate card and Paste as new card (the
// clipboard's cards: pressepapiers.h).

#include "editor/fiche.h"

#include "editor/pressepapiers.h"
#include "document/document.h"
#include "model/outils.h"
#include "ui/interaction.h"
#include "ui/memo.h"

#include <QLineEdit>
#include <QPlainTextEdit>

int TFormFiche::AjouterCartes(const QList<QStringList> &cartes, const QString &nom)
{
    const TFichierX &f = *Fichier();
    std::vector<TFicheX> fiches;
    for (const QStringList &carte : cartes) {
        QString c0 = f.AvecTitre ? carte.value(0) : QString();
        QString c1 = f.Numerote ? QString() : carte.value(1);
        QString c2 = carte.value(2);
        if (f.TypeFichier != u'M') {
            c0 = RognerDroite(c0);
            c1 = Alphabetique ? Rogner(c1) : RognerDroite(c1);
            c2 = RognerDroite(c2);
        }
        // The cards a user could not validate are left out.
        const bool complete = f.Numerote || BlocNotes
            ? !Rogner(c2).isEmpty()
            : !Rogner(c1).isEmpty() || (f.AvecTitre && f.CommenceParCarPourcent(c0));
        if (!complete)
            continue;
        if (BlocNotes && Rogner(c1).isEmpty())
            c1 = Horodatage();
        fiches.emplace_back(c0, c1, c2);
    }
    if (fiches.empty())
        return 0;
    if (Alphabetique) {
        // Each card in its place, after those of the same key.
        for (const TFicheX &fiche : fiches) {
            int bas = 0;
            int haut = Fichier()->NombreFiches();
            while (bas < haut) {
                const int milieu = (bas + haut) / 2;
                if (Collation::Comparer(fiche.Champ1(), Fichier()->Fiche(milieu).Champ1()) < 0)
                    haut = milieu;
                else
                    bas = milieu + 1;
            }
            m_document.InsererFiches(bas, {fiche}, nom);
            IndexCourant = bas;
        }
    } else {
        const int position = CarteAffichee() && !BlocNotes ? IndexCourant + 1 : f.NombreFiches();
        m_document.InsererFiches(position, fiches, nom);
        IndexCourant = position + int(fiches.size()) - 1;
    }
    RechercheEnCours = false;
    AfficherFiche(IndexCourant);
    return int(fiches.size());
}

void TFormFiche::DupliquerFiche()
{
    if (!Fichier() || !Fichier()->Modifiable || !CarteAffichee() || !ValiderFiche() || FicheAbandonnee)
        return;
    const TFicheX &fiche = Fichier()->Fiche(IndexCourant);
    AjouterCartes({{fiche.Champ0(), fiche.Champ1(), fiche.Champ2()}}, Action("DupliquerFiche1")->text().remove(u'&'));
}

void TFormFiche::CollerFiches()
{
    if (!Fichier() || !Fichier()->Modifiable || !ValiderFiche())
        return;
    if (AjouterCartes(PressePapiers::Cartes(*Fichier()), Action("CollerFiche1")->text().remove(u'&')) == 0)
        TInteraction::Courante().Message(TInteraction::Information, tr("The clipboard holds no card to paste."),
                                         TInteraction::Ok, 0);
}
