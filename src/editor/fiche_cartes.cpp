// Showing, storing and validating cards; the card commands; the state of
// the buttons and menu entries.

#include "editor/fiche.h"

#include "editor/dlgchercher.h"
#include "editor/lettres.h"
#include "formats/table.h"
#include "model/outils.h"
#include "settings/init.h"
#include "ui/interaction.h"
#include "ui/memo.h"

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QLabel>
#include <QApplication>
#include <QLineEdit>
#include <QPalette>
#include <QLocale>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTextDocument>

namespace {

// A text set by the program: the user's edited mark is cleared.
void PoserTexte(QPlainTextEdit *memo, const QString &texte)
{
    Memo::Poser(memo, texte);
    memo->document()->setModified(false);
}

void PoserTexte(QLineEdit *ligne, const QString &texte)
{
    ligne->setText(texte);
    ligne->setModified(false);
    ligne->setCursorPosition(0);
}

} // namespace

// ----------------------------------------------------------------- layout for a file

void TFormFiche::EvaluerType()
{
    if (Fichier()) {
        const TFichierX &f = *Fichier();
        QuestionUneLigne = f.LettreChamp1 == u'O';
        Alphabetique = f.TypeAlphabetique();
        BlocNotes = f.TypeFichier == u'N';
        Exportable = !Lettres::FormatsExport(f).isEmpty();
        Permutable = f.TypeFichier == u'Q' || f.TypeFichier == u'P';
    } else {
        QuestionUneLigne = TypeCourant == u'R' || TypeCourant == u'N' || TypeCourant == u'L';
    }
    if (!QuestionUneLigne)
        ProportionQuestion = TypeCourant == u'F' ? 11 : TypeCourant == u'M' ? 4 : 9;
}

void TFormFiche::AfficherFichier(int position)
{
    // The search box follows the file shown (below).
    CreerDialogues();
    const TFichierX &f = *Fichier();
    Edition1->menuAction()->setVisible(true);
    const bool indexParDefaut = QuestionUneLigne && !f.Numerote;
    Action("Options1")->setVisible(f.EstQuestionnaire);
    Action("OptionsAvancees1")->setVisible(f.EstQuestionnaire);
    Action("Entete1")->setVisible(Formats::A(f.FormatFichier, Formats::Entete));
    Action("Listedesfiches1")->setVisible(indexParDefaut || f.AvecTitre);
    Action("ListeVersPressepapiers1")->setVisible(indexParDefaut || f.AvecTitre);
    SujetAide = Lettres::ContexteAide(f.TypeFichier);
    Panel1->setVisible(f.AvecTitre || Formats::A(f.FormatFichier, Formats::TitresToujours));
    AfficherEtiquettes();
    Splitter1->handle(1)->setEnabled(!QuestionUneLigne);
    AjusterPanneaux();
    AfficherTitreFichier();
    MReponse->setTabChangesFocus(!QuestionUneLigne);
    AppliquerLectureSeule();
    RechercheEnCours = false;
    if (DlgChercher) {
        DlgChercher->CBChampUnique->setChecked(indexParDefaut);
        DlgChercher->CBChampUnique->setEnabled(!f.Numerote);
    }
    AfficherTitreFenetre();
    IndexCourant = position >= 0 || BlocNotes ? position : 0;
    FicheNouvelle = false;
    if (Parametres.ncwnf && f.NomFichier.isEmpty()) {
        CreerFiche(-1);
        return;
    }
    AfficherFiche(IndexCourant);
    // Typing starts in the card; without a card, on "New".
    if (CarteAffichee())
        PremierChamp()->setFocus();
    else
        BNouveau->setFocus();
}

void TFormFiche::AfficherSansFichier()
{
    setWindowModified(false);
    setWindowTitle(QStringLiteral("Amblopad"));
    Edition1->menuAction()->setVisible(false);
    Panel1->setVisible(true);
    PoserTexte(ETitre, tr("(No file loaded)"));
    ETitre->setEnabled(false);
    PoserTexte(MQuestion, QString());
    PoserTexte(MReponse, QString());
    MQuestion->setEnabled(false);
    MReponse->setEnabled(false);
    for (QPushButton *b : {BPrecedent, BSuivant, BNouveau, BInserer, BSupprimer, BChercher})
        b->setEnabled(false);
    IndexCourant = -1;
    IndexPrecedent = -1;
    FicheNouvelle = false;
    RechercheEnCours = false;
}

void TFormFiche::AfficherTitreFenetre()
{
    const QString nom = Fichier()->NomFichier;
    // "[*]": the desktop's mark of a modified document.
    setWindowTitle(
        QStringLiteral("%1 - %2[*]").arg(QStringLiteral("Amblopad"), nom.isEmpty() ? tr("(New file)") : nom));
    MarquerModification();
}

void TFormFiche::MarquerModification()
{
    if (Fichier())
        setWindowModified(m_document.EstModifie() || FicheEditee());
    else if (isWindowModified())
        setWindowModified(false);
}

void TFormFiche::SuivreSaisie()
{
    if (!Fichier() || !FicheEditee())
        return;
    m_document.SignalerSaisie();
    if (!isWindowModified())
        MarquerModification();
}

void TFormFiche::AfficherEtiquettes()
{
    const TFicheX &e = Fichier()->Etiquettes;
    // A caption is the user's text: an '&' in it is shown, never an accelerator
    // (a label with a buddy takes one '&' as the accelerator's mark).
    const auto echapper = [](QString texte) { return texte.replace(u'&', QLatin1String("&&")); };
    PTitre->setText(echapper(e.Champ0()));
    PQuestion->setText(echapper(e.Champ1()));
    PReponse->setText(echapper(e.Champ2()));
    const QString legende = echapper(Fichier()->AvecTitre ? e.Champ0() : e.Champ1());
    if (DlgChercher)
        DlgChercher->CBChampUnique->setText(tr("Search only in field \"%1\"").arg(legende));
}

void TFormFiche::AfficherTitreFichier()
{
    if (!Fichier()->AvecTitre)
        PoserTexte(ETitre, Fichier()->Titre);
}

void TFormFiche::ValiderTitreFichier()
{
    if (Fichier() && !Fichier()->AvecTitre && ETitre->isModified()) {
        const QString titre = ETitre->text();
        ETitre->setModified(false);
        m_document.ModifierProprietes(tr("Title"), [&titre](TFichierX &f) { f.SetTitre(titre); });
    }
}

void TFormFiche::AppliquerLectureSeule()
{
    const TFichierX &f = *Fichier();
    ETitre->setReadOnly(!f.Modifiable);
    MQuestion->setReadOnly(f.Numerote || !f.Modifiable);
    MReponse->setReadOnly(!f.Modifiable);
    // Read-only fields look it: the window's colour behind the text, as the
    // platform shows a field that cannot be typed into.
    for (QWidget *champ :
         {static_cast<QWidget *>(ETitre), static_cast<QWidget *>(MQuestion), static_cast<QWidget *>(MReponse)}) {
        const bool lectureSeule = champ == MQuestion ? MQuestion->isReadOnly() : !f.Modifiable;
        QPalette palette = QApplication::palette(champ);
        if (lectureSeule)
            palette.setColor(QPalette::Base, palette.color(QPalette::Window));
        champ->setPalette(palette);
    }
}

void TFormFiche::EffacerMarquesEdition()
{
    MQuestion->document()->setModified(false);
    MReponse->document()->setModified(false);
    if (Fichier() && Fichier()->AvecTitre)
        ETitre->setModified(false);
    MarquerModification();
}

// ----------------------------------------------------------------- one card

void TFormFiche::AfficherFiche(int position)
{
    const TFichierX &f = *Fichier();
    IndexPrecedent = IndexCourant;
    const int n = f.NombreFiches();
    IndexCourant = position < 0 || position >= n ? n - 1 : position;
    const TFicheX &fiche = IndexCourant == -1 ? FicheNeutre : f.Fiche(IndexCourant);
    const bool carte = CarteAffichee();
    if (f.AvecTitre)
        PoserTexte(ETitre, fiche.Champ0());
    PoserTexte(MQuestion, f.Numerote && carte ? QString::number(IndexCourant + 1) : fiche.Champ1());
    PoserTexte(MReponse, fiche.Champ2());
    ETitre->setEnabled(carte || !f.AvecTitre);
    MQuestion->setEnabled(carte);
    MReponse->setEnabled(carte);
    MettreAJourBoutons();
    MarquerModification();
}

void TFormFiche::TextesSaisis(QString &c0, QString &c1, QString &c2) const
{
    const TFichierX &f = *Fichier();
    c0 = ETitre->text();
    c1 = Memo::Texte(MQuestion);
    c2 = Memo::Texte(MReponse);
    // Quiz markup may rely on leading and trailing blanks.
    if (f.TypeFichier != u'M') {
        c0 = f.AvecTitre ? RognerDroite(c0) : QString();
        c1 = f.Numerote ? QString() : Alphabetique ? Rogner(c1) : RognerDroite(c1);
        c2 = RognerDroite(c2);
    }
}

bool TFormFiche::LireSaisie(TDocument::TSaisie &saisie) const
{
    if (!Fichier())
        return false;
    saisie.titre = !Fichier()->AvecTitre && ETitre->isModified();
    if (saisie.titre)
        saisie.titreFichier = ETitre->text();
    const bool carte = CarteAffichee() && FicheEditee() && !NouvelleFicheIntacte();
    saisie.index = carte ? IndexCourant : -1;
    if (carte)
        TextesSaisis(saisie.c0, saisie.c1, saisie.c2);
    return carte || saisie.titre;
}

void TFormFiche::StockerFiche()
{
    QString c0, c1, c2;
    TextesSaisis(c0, c1, c2);
    const bool reclasser = Alphabetique && (FicheNouvelle || MQuestion->document()->isModified());
    const int index = IndexCourant;
    // The fields are clean before the document announces the change.
    EffacerMarquesEdition();
    if (FicheNouvelle) {
        FicheNouvelle = false;
        IndexCourant = m_document.ValiderFicheProvisoire(c0, c1, c2, reclasser,
                                                         m_positionNouvelle == -1 ? tr("New card") : tr("Insert card"));
    } else {
        IndexCourant = m_document.ModifierFiche(index, c0, c1, c2, reclasser, tr("Edit card"));
    }
    if (reclasser)
        RechercheEnCours = false;
    MettreAJourBoutons();
}

bool TFormFiche::FicheEditee() const
{
    if (!Fichier())
        return false;
    return MQuestion->document()->isModified() || MReponse->document()->isModified()
        || (Fichier()->AvecTitre && ETitre->isModified());
}

bool TFormFiche::NouvelleFicheIntacte() const
{
    if (!FicheNouvelle || !Fichier())
        return false;
    const TFichierX &f = *Fichier();
    if (f.AvecCanevas)
        return EgaleAuCanevas();
    return Memo::Texte(MReponse).isEmpty() && (f.Numerote || Memo::Texte(MQuestion).isEmpty())
        && (!f.AvecTitre || ETitre->text().isEmpty());
}

bool TFormFiche::EgaleAuCanevas() const
{
    const TFichierX &f = *Fichier();
    return Memo::Texte(MReponse) == f.Canevas.Champ2() && (f.Numerote || Memo::Texte(MQuestion) == f.Canevas.Champ1())
        && (!f.AvecTitre || ETitre->text() == f.Canevas.Champ0());
}

bool TFormFiche::ValiderFiche()
{
    if (!Fichier() || IndexCourant < 0 || IndexCourant >= Fichier()->NombreFiches()) {
        FicheAbandonnee = false; // no card shown: nothing to store
        return true;
    }
    const TFichierX &f = *Fichier();
    if (!FicheEditee()) {
        FicheAbandonnee = NouvelleFicheIntacte();
        if (FicheAbandonnee)
            RetirerFicheCourante(); // an untouched new card goes without a word
        return true;
    }
    FicheAbandonnee = false;
    bool incomplete;
    if (f.Numerote || BlocNotes)
        incomplete = Rogner(Memo::Texte(MReponse)).isEmpty();
    else
        incomplete = Rogner(Memo::Texte(MQuestion)).isEmpty()
            && !(f.AvecTitre && f.CommenceParCarPourcent(ETitre->text()));
    if (!incomplete && f.AvecCanevas)
        incomplete = EgaleAuCanevas();
    if (incomplete) {
        TInteraction::Courante().Message(TInteraction::Avertissement,
                                         tr("The card is incomplete!\r\nFill it or delete it."),
                                         TInteraction::AnnulerSeul, 0);
        return false;
    }
    if (BlocNotes && Rogner(Memo::Texte(MQuestion)).isEmpty())
        PoserTexte(MQuestion, Horodatage());
    StockerFiche();
    return true;
}

QString TFormFiche::Horodatage()
{
    const QLocale locale;
    const QDateTime maintenant = QDateTime::currentDateTime();
    return locale.toString(maintenant.date(), QLocale::ShortFormat) + u' '
        + locale.toString(maintenant.time(), QLocale::LongFormat);
}

void TFormFiche::CreerFiche(int position)
{
    if (!Fichier())
        return;
    if (!(position >= 0 && NouvelleFicheIntacte()) && ValiderFiche())
        InsererNouvelleFiche(position);
    PremierChamp()->setFocus();
}

QWidget *TFormFiche::PremierChamp() const
{
    if (Fichier()->Numerote)
        return MReponse;
    if (Fichier()->AvecTitre)
        return ETitre;
    return MQuestion;
}

void TFormFiche::InsererNouvelleFiche(int position)
{
    m_positionNouvelle = position;
    position = m_document.InsererFicheProvisoire(position);
    FicheNouvelle = true;
    RechercheEnCours = false;
    AfficherFiche(position);
}

void TFormFiche::RetirerFicheCourante()
{
    const int cible = FicheNouvelle ? IndexPrecedent : IndexCourant;
    const bool nouvelle = FicheNouvelle;
    FicheNouvelle = false;
    RechercheEnCours = false;
    EffacerMarquesEdition();
    // A new card was never stored: dropping it changes nothing in the file.
    if (nouvelle)
        m_document.AbandonnerFicheProvisoire();
    else
        m_document.SupprimerFiche(IndexCourant, tr("Delete card"));
    AfficherFiche(cible);
}

// ----------------------------------------------------------------- commands

void TFormFiche::FicheSuivante()
{
    if (!Fichier() || !ValiderFiche())
        return;
    if (RechercheEnCours)
        ChercherSuivante(false);
    else if (!FicheAbandonnee)
        AfficherFiche(IndexCourant + 1);
}

void TFormFiche::FichePrecedente()
{
    if (!Fichier() || !ValiderFiche())
        return;
    if (RechercheEnCours)
        ChercherSuivante(true);
    else if (!FicheAbandonnee && IndexCourant > 0)
        AfficherFiche(IndexCourant - 1);
}

void TFormFiche::PremiereFiche()
{
    if (Fichier() && ValiderFiche())
        AfficherFiche(0);
}

void TFormFiche::DerniereFiche()
{
    if (Fichier() && ValiderFiche())
        AfficherFiche(-1);
}

void TFormFiche::ValiderFicheAffichee()
{
    if (Fichier() && ValiderFiche())
        MettreAJourBoutons();
}

void TFormFiche::NouvelleFiche()
{
    if (Fichier() && Fichier()->Modifiable)
        CreerFiche(-1);
}

void TFormFiche::InsererFiche()
{
    if (Fichier() && Fichier()->Modifiable && CarteAffichee() && !Alphabetique)
        CreerFiche(IndexCourant);
}

void TFormFiche::SupprimerCarteCourante()
{
    if (!Fichier() || !Fichier()->Modifiable || !CarteAffichee())
        return;
    if (NouvelleFicheIntacte()) {
        RetirerFicheCourante();
        return;
    }
    if (TInteraction::Courante().Message(TInteraction::Question, tr("Do you really want to delete this card?"),
                                         TInteraction::OuiNon, 0)
        != TInteraction::RepOui)
        return;
    RetirerFicheCourante();
}

void TFormFiche::AnnulerSaisie()
{
    if (!Fichier() || !CarteAffichee())
        return;
    if (FicheNouvelle)
        RetirerFicheCourante();
    else
        AfficherFiche(IndexCourant);
    MarquerModification();
}

void TFormFiche::DefaireEtape()
{
    // Never under a card being typed: "Cancel modification" comes first.
    if (FicheEditee() || FicheNouvelle)
        return;
    m_document.Defaire();
}

void TFormFiche::RefaireEtape()
{
    if (FicheEditee() || FicheNouvelle)
        return;
    m_document.Refaire();
}

void TFormFiche::MontrerFicheTouchee(int index)
{
    if (!Fichier())
        return;
    // A step may have changed the type, the captions or the file's title.
    TypeCourant = Fichier()->TypeFichier;
    EvaluerType();
    AfficherEtiquettes();
    AfficherTitreFichier();
    RechercheEnCours = false;
    AfficherFiche(index >= 0 ? index : IndexCourant);
    MettreAJourMenus();
}

void TFormFiche::PermuterChampsFichier()
{
    if (!Fichier() || !ValiderFiche())
        return;
    const TFicheX &e = Fichier()->Etiquettes;
    if (TInteraction::Courante().Message(
            TInteraction::Question,
            tr("Do you really want to switch fields %1/%2 of all the cards?").arg(e.Champ1(), e.Champ2()),
            TInteraction::OkAnnuler, 0)
        != TInteraction::RepOk)
        return;
    m_document.PermuterChamps(tr("Switch fields"));
    AfficherFiche(IndexCourant);
}

void TFormFiche::DefinirCanevas()
{
    if (!Fichier() || !FicheNouvelle)
        return;
    TInteraction &interaction = TInteraction::Courante();
    const auto reponse = interaction.Message(
        TInteraction::Question,
        tr("Will you make the current card as a canvas?\r\nClick on \"Abort\" to delete the canvas."),
        TInteraction::OuiNonAbandon, 8);
    if (reponse == TInteraction::RepOui) {
        if (!NouvelleFicheIntacte()) {
            const QString c0 = ETitre->text();
            const QString c1 = Memo::Texte(MQuestion);
            const QString c2 = Memo::Texte(MReponse);
            m_document.ModifierProprietes(
                tr("Canvas"), [&](TFichierX &f) { f.SetCanevas(c0, c1, c2); }, true);
        }
    } else if (reponse == TInteraction::RepAbandon) {
        if (Fichier()->AvecCanevas
            && interaction.Message(TInteraction::Question, tr("Will you really delete the canvas?"),
                                   TInteraction::OuiNon, 0)
                == TInteraction::RepOui) {
            m_document.ModifierProprietes(
                tr("Delete canvas"), [](TFichierX &f) { f.AvecCanevas = false; }, true);
            if (!FicheEditee())
                RetirerFicheCourante();
        }
    }
}

// ----------------------------------------------------------------- state of the commands

void TFormFiche::MettreAJourBoutons()
{
    if (!Fichier()) {
        for (QPushButton *b : {BPrecedent, BSuivant, BNouveau, BInserer, BSupprimer, BChercher})
            b->setEnabled(false);
        return;
    }
    const int n = Fichier()->NombreFiches();
    const bool carte = CarteAffichee();
    const bool modifiable = Fichier()->Modifiable;
    BSuivant->setEnabled(carte && (IndexCourant < n - 1 || RechercheEnCours));
    BPrecedent->setEnabled(carte && (IndexCourant > 0 || RechercheEnCours));
    BNouveau->setEnabled(modifiable);
    BInserer->setEnabled(carte && !Alphabetique && modifiable);
    BSupprimer->setEnabled(carte && modifiable);
    BChercher->setEnabled(carte);
}

void TFormFiche::MettreAJourMenus()
{
    const TFichierX *f = Fichier();
    const QString nom = f ? f->NomFichier : QString();

    QAction *ouvert = Action("Ouvert1");
    ouvert->setVisible(!Parametres.open.isEmpty() && Parametres.open != nom);
    ouvert->setText(NomAffiche(Parametres.open));
    QAction *recent = Action("Recent1");
    recent->setVisible(!Parametres.recent.isEmpty() && Parametres.recent != nom);
    recent->setText(NomAffiche(Parametres.recent));
    Action("Modele1")->setVisible(TypeCourant == u'Q');
    Action("OptionsCSV")->setVisible(Lettres::EstTypeCsv(TypeCourant));
    PoserEntree(Action("OptionsCSV"), true);

    if (!f) {
        for (const char *entree : {"Sauver1", "Sauversous1", "Fermer1", "Proprietes1", "Exporter1"})
            PoserEntree(Action(entree), false);
        Action("Exporter1")->setVisible(false);
        Edition1->menuAction()->setVisible(false);
        for (QAction *action : Edition1->actions())
            if (!action->shortcut().isEmpty())
                PoserEntree(action, false);
    } else {
        const int n = f->NombreFiches();
        const bool carte = CarteAffichee();
        const bool editee = FicheEditee();
        const bool modifiable = f->Modifiable;
        const auto poser = [this](const char *entree, bool actif) { PoserEntree(Action(entree), actif); };
        poser("Sauver1", m_document.EstModifie() || editee || ETitre->isModified());
        for (const char *entree : {"Sauversous1", "Fermer1", "Proprietes1", "Entete1", "Exporter1"})
            poser(entree, true);
        Action("Exporter1")->setVisible(Exportable);
        poser("Premiere1", carte);
        poser("Derniere1", carte);
        poser("Enregistrerlafiche1", editee);
        poser("Suivante1", carte && (IndexCourant < n - 1 || RechercheEnCours));
        poser("Precedente1", carte && (IndexCourant > 0 || RechercheEnCours));
        poser("Nouvelle1", modifiable);
        poser("Options1", f->EstQuestionnaire);
        poser("OptionsAvancees1", f->EstQuestionnaire);
        poser("Inserer1", carte && !Alphabetique && modifiable);
        poser("Supprimer1", carte && modifiable);
        poser("Canevas1", FicheNouvelle);
        poser("DupliquerFiche1", carte && modifiable);
        poser("CollerFiche1", modifiable);
        Action("Rechsuivant1")->setVisible(RechercheEnCours);
        Action("AbandonRech1")->setVisible(RechercheEnCours);
        poser("Annuler1", editee || FicheNouvelle);
        const bool saisie = editee || FicheNouvelle;
        QAction *defaire = Action("Defaire1");
        QAction *refaire = Action("Refaire1");
        const QString etapeDefaite = m_document.Pile().undoText();
        const QString etapeRefaite = m_document.Pile().redoText();
        PoserEntree(defaire, !saisie && m_document.PeutDefaire());
        PoserEntree(refaire, !saisie && m_document.PeutRefaire());
        defaire->setText(etapeDefaite.isEmpty() ? tr("Undo") : tr("Undo %1").arg(etapeDefaite));
        refaire->setText(etapeRefaite.isEmpty() ? tr("Redo") : tr("Redo %1").arg(etapeRefaite));
        for (QAction *action : {defaire, refaire})
            action->setToolTip(action->text());
        Action("Etiquettes1")->setVisible(Formats::A(f->FormatFichier, Formats::Etiquettes) && modifiable);
        Action("PermuterChamps")->setVisible(Permutable && carte && modifiable);
        poser("PermuterChamps", true);
        poser("FeuilledeStyle1", modifiable);
        for (const char *entree : {"Rechercher1", "Rechsuivant1", "AbandonRech1", "Imprimer1", "ImprimerTout1",
                                   "PressePapiers1", "ListeVersPressepapiers1", "Listedesfiches1"})
            poser(entree, carte);
    }
}

void TFormFiche::PoserEntree(QAction *action, bool active)
{
    m_actives.insert(action, active);
    action->setEnabled(active);
}

bool TFormFiche::EntreeActive(const char *nom) const
{
    QAction *action = Action(nom);
    return action && m_actives.value(action, true);
}
