// The list of cards, the clipboard, printing (impression.h) and the two fonts.

#include "editor/fiche.h"

#include "editor/impression.h"
#include "editor/liste.h"
#include "editor/pressepapiers.h"
#include "model/outils.h"
#include "settings/init.h"
#include "ui/interaction.h"
#include "ui/memo.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>

// ----------------------------------------------------------------- list of cards

void TFormFiche::MontrerListe()
{
    if (!Fichier() || !Liste || !ValiderFiche())
        return;
    const int n = Fichier()->NombreFiches();
    Liste->Selection = nullptr;
    if (BlocNotes) {
        // Newest first: items run from the last card to the first.
        Liste->Decalage = n - 1;
        Liste->Modele->Remplir(Fichier(), true);
        Liste->Selectionner(Liste->Decalage - IndexCourant);
    } else {
        Liste->Decalage = 0;
        Liste->Modele->Remplir(Fichier(), false);
        Liste->Selectionner(IndexCourant);
    }
    Liste->Selection = [this](int position) { AfficherFiche(position); };
    const int avant = IndexCourant;
    const int resultat = TInteraction::Courante().Executer(*Liste);
    Liste->Selection = nullptr;
    if (resultat == TListe::Abandon)
        AfficherFiche(avant);
}

// ----------------------------------------------------------------- clipboard

void TFormFiche::CopierFiche()
{
    if (!Fichier() || !CarteAffichee())
        return;
    // The texts as shown, edits not yet validated included.
    const TFichierX &f = *Fichier();
    QString texte = Memo::Texte(MReponse);
    if (!f.Numerote)
        texte = Memo::Texte(MQuestion) + CRLF + CRLF + texte;
    if (f.AvecTitre && !ETitre->text().isEmpty())
        texte = ETitre->text() + CRLF + CRLF + texte;
    PressePapiers::Copier(texte,
                          {{f.AvecTitre ? ETitre->text() : QString(), f.Numerote ? QString() : Memo::Texte(MQuestion),
                            Memo::Texte(MReponse)}});
}

void TFormFiche::CopierListe()
{
    if (!Fichier() || !ValiderFiche())
        return;
    const TFichierX &f = *Fichier();
    QString texte;
    QList<QStringList> cartes;
    for (int i = 0; i < f.NombreFiches(); ++i) {
        texte += f.LibelleFiche(i) + CRLF;
        const TFicheX &fiche = f.Fiche(i);
        cartes.append({fiche.Champ0(), fiche.Champ1(), fiche.Champ2()});
    }
    PressePapiers::Copier(texte, cartes);
}

// ----------------------------------------------------------------- printing

void TFormFiche::ImprimerFiche()
{
    if (!Fichier() || !CarteAffichee())
        return;
    Impression::Imprimer({Impression::LignesFiche(ETitre->text(), MQuestion, MReponse)}, MReponse->font(),
                         Fichier()->NomFichier, DossierDialogue(), tr("The card could not be printed."),
                         tr("The card could not be printed to \"%1\"."));
}

void TFormFiche::ImprimerFichier()
{
    if (!Fichier() || !CarteAffichee() || !ValiderFiche())
        return;
    Impression::Imprimer(Impression::Blocs(*Fichier(), ETitre->text()), MReponse->font(), Fichier()->NomFichier,
                         DossierDialogue(), tr("The cards could not be printed."),
                         tr("The cards could not be printed to \"%1\"."));
}

// ----------------------------------------------------------------- fonts

void TFormFiche::AppliquerPoliceChamps(const QFont &police)
{
    // Without the named font, the fields stay in a fixed-pitch face: texts
    // are often laid out in columns with spaces.
    QFont effective = police;
    if (!QFontDatabase::hasFamily(police.family())) {
        effective.setFamily(QFontDatabase::systemFont(QFontDatabase::FixedFont).family());
        effective.setStyleHint(QFont::TypeWriter);
        effective.setFixedPitch(true);
    }
    for (QWidget *champ :
         {static_cast<QWidget *>(ETitre), static_cast<QWidget *>(MQuestion), static_cast<QWidget *>(MReponse)})
        champ->setFont(effective); // the printer's too
}

void TFormFiche::AppliquerPoliceListe(const QFont &police)
{
    if (Liste)
        Liste->LBListe->setFont(police);
}

void TFormFiche::ChoisirPoliceChamps()
{
    // The font the fields really show (a fallback when the stored one is
    // missing): OK without a change stores what the user saw.
    QFont police(QFontInfo(ETitre->font()).family(), Parametres.fosize);
    if (!TInteraction::Courante().ChoisirPolice(police))
        return;
    Parametres.foname = police.family();
    Parametres.fosize = police.pointSize() > 0 ? police.pointSize() : QFontInfo(police).pointSize();
    ReglagesModifies = true;
    AppliquerPoliceChamps(police);
    AjusterPanneaux();
}

void TFormFiche::ChoisirPoliceListe()
{
    QFont police(Parametres.lstfon, Parametres.lstfos);
    if (Liste)
        police.setFamily(QFontInfo(Liste->LBListe->font()).family());
    if (!TInteraction::Courante().ChoisirPolice(police))
        return;
    Parametres.lstfon = police.family();
    Parametres.lstfos = police.pointSize() > 0 ? police.pointSize() : QFontInfo(police).pointSize();
    ReglagesModifies = true;
    AppliquerPoliceListe(police);
}
