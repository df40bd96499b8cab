#pragma once

#include "document/document.h"
#include "formats/pertes.h"
#include "model/fichierx.h"
#include "model/recherche.h"

#include <QFont>
#include <QHash>
#include <QMainWindow>
#include <QSet>
#include <QStringList>
#include <memory>
#include <optional>

class QAction;
class TDlgChercher;
class TListe;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QShortcut;
class QSplitter;
class QWidget;
class TDlgEntete;
class TDlgEtiquettes;
class TDlgNouveau;
class TDlgOptions;
class TDlgOptionsAvancees;
class TDlgOptionsCSV;
class TVerificationOrthographe;

// The main window: one card file shown card by card. Split by concern:
// fiche.cpp (construction, layout, start, preferences), fiche_cartes.cpp
// (cards and the state of the commands), fiche_fichiers.cpp (opening, saving,
// closing), fiche_recherche.cpp (search), fiche_liste.cpp (list of cards,
// clipboard, printing, fonts), fiche_copie.cpp (new cards from others),
// fiche_proprietes.cpp (property dialogs of the file). The letter rules are
// in lettres.h, printing in impression.h, the clipboard's cards in
// pressepapiers.h.
//
// The window is a view of its document (TDocument): it shows what the
// document's signals announce and sends it every change as a step. Tests and
// the program drive it as a user does: menu entries by object name, widgets
// by object name, dialogs through TInteraction.
class TFormFiche : public QMainWindow
{
    Q_OBJECT

public:
    explicit TFormFiche(QWidget *parent = nullptr);
    ~TFormFiche() override;

    // ----- start: FormCreate once, then FormShow with the command line
    // (without the program name).
    void FormCreate();
    void FormShow(const QStringList &arguments, int instancesEnCours = 1);

    // The open card file: the window shows it and sends it every change. A
    // file loaded into it is shown from its first card.
    TDocument &Document() { return m_document; }
    const TDocument &Document() const { return m_document; }

    // Lines a later instance forwarded (the first names a file to show):
    // the window comes forward and handles them once no modal dialog runs.
    void RecevoirLignes(const QStringList &lignes);

    // The menu entry of that object name (nullptr: none).
    QAction *Action(const char *nom) const;
    // Whether an entry is offered. A hidden QAction reports itself disabled,
    // yet a hidden entry may still answer its shortcut: this is the state
    // the menus were last brought up to date with.
    bool EntreeActive(const char *nom) const;
    // A shortcut as the user presses it: the menus are brought up to date
    // first, and a hidden but enabled entry still answers.
    bool ActiverRaccourci(const QKeySequence &touches);

    // ----- what the view shows
    int IndexAffiche() const { return IndexCourant; }            // the card shown, -1: none
    bool NouvelleFicheAffichee() const { return FicheNouvelle; } // not validated yet
    // The card shown has edits not validated yet.
    bool FicheEditee() const;
    bool RechercheActive() const { return RechercheEnCours; }
    // The type the open dialog and "New" start from.
    QChar TypeEnCours() const { return TypeCourant; }
    // A preference changed: the settings are written when the window closes.
    bool ReglagesAEcrire() const { return ReglagesModifies; }

protected:
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *objet, QEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    const TFichierX *Fichier() const { return m_document.Fichier(); }

    // ----- editor state
    QChar TypeCourant = u'?';
    bool ReglagesModifies = false;
    QChar LettreTypeCsv = u' ';

    // ----- window state
    int IndexCourant = -1;
    bool FicheNouvelle = false;
    bool QuestionUneLigne = false;
    bool RechercheEnCours = false;
    bool FicheAbandonnee = false;
    int SujetAide = 0; // the window's help topic (F1)

    // ----- files
    void OuvrirFichier(const QString &nom, int position, bool modifiable, bool commeDocument, bool signalerErreurs);
    // Makes a loaded card file the document, shown at a card position.
    void ChargerDocument(std::unique_ptr<TFichierX> fichier, int position);
    // Another file (or none) became the document: it is shown.
    void MontrerDocument();
    bool SauverFichier(QString nom, bool demanderNom, bool exporter);
    void FermerFichier();
    bool FermerAvecDemande();
    void RouvrirFichier(const QString &nom, int position);
    // The arguments a later instance forwarded: the first names a file to show.
    void OuvrirFichierTransmis(const QStringList &lignes);

    // ----- display
    void AfficherFiche(int position);
    void ValiderTitreFichier();

    // ----- cards
    // True when the card may be left (complete, or nothing edited).
    bool ValiderFiche();
    bool NouvelleFicheIntacte() const;
    bool EgaleAuCanevas() const;
    // The field a new or shown card is typed into first.
    QWidget *PremierChamp() const;
    // A notebook card's stamp: the date and time now.
    static QString Horodatage();
    void MettreAJourMenus();

    // ----- search (fiche_recherche.cpp)
    QString TexteRecherche;
    bool RechercheCasse = false;
    bool RechercheTousChamps = true;
    bool RechercheArriere = false;
    int IndexDepartRecherche = -1;
    void LancerRecherche();
    void RechercherSuivante();
    void AbandonnerRecherche();
    void ChercherSuivante(bool arriere);
    // The search last asked for, kept while its text, case and locale hold.
    const TRecherche &Recherche();

    // ----- list, clipboard, printing and fonts (fiche_liste.cpp)
    void MontrerListe();
    void CopierFiche();
    void CopierListe();
    void ImprimerFiche();
    void ImprimerFichier();
    void ChoisirPoliceChamps();
    void ChoisirPoliceListe();
    void AppliquerPoliceListe(const QFont &police);

    // ----- new cards from others (fiche_copie.cpp)
    void DupliquerFiche();
    void CollerFiches();
    // Inserts complete cards after the one shown (in order in an
    // alphabetical file) as the step nom, and shows the last; returns how many.
    int AjouterCartes(const QList<QStringList> &cartes, const QString &nom);

    // ----- commands
    void FicheSuivante();
    void FichePrecedente();
    void PremiereFiche();
    void DerniereFiche();
    void ValiderFicheAffichee();
    void NouvelleFiche();
    void InsererFiche();
    // Asks, then deletes the card shown.
    void SupprimerCarteCourante();
    void AnnulerSaisie();
    void PermuterChampsFichier();
    void DefinirCanevas();
    void NouveauFichier();
    void OuvrirAvecDialogue(bool commeDocument);
    void Exporter();
    void EnregistrerFichier();
    void EnregistrerSous();
    void MontrerProprietes();
    void BasculerPremierPlan();
    void BasculerRouvrir();
    void BasculerInstanceUnique();
    void AfficherAideType();
    void AfficherAPropos();

    // The dialogs live for the whole run, created once in their order.
    void CreerDialogues();

    // ----- file properties (fiche_proprietes.cpp)
    void ModifierEntete();
    void ModifierOptions();
    void ModifierOptionsAvancees();
    void ModifierEtiquettes();
    void ModifierFeuilleStyle();
    void ModifierOptionsCsv();

    // ----- dialogs, created once in their order after the window
    TDlgChercher *DlgChercher = nullptr;
    TListe *Liste = nullptr;
    TDlgOptions *DlgOptions = nullptr;
    TDlgOptionsAvancees *DlgOptionsAvancees = nullptr;
    TDlgEtiquettes *DlgEtiquettes = nullptr;
    TDlgEntete *DlgEntete = nullptr;
    TDlgOptionsCSV *DlgOptionsCSV = nullptr;
    // The dialog of "New".
    TDlgNouveau *DlgNouveau = nullptr;
    // Spell checking of the card shown (verification.h).
    TVerificationOrthographe *Orthographe = nullptr;

    // ----- widgets (named after their components; the same object names)
    QWidget *Panel1 = nullptr;
    QLabel *PTitre = nullptr;
    QLineEdit *ETitre = nullptr;
    QWidget *PSeparateur = nullptr;
    QSplitter *Splitter1 = nullptr;
    QWidget *Panel2 = nullptr;
    QLabel *PQuestion = nullptr;
    QPlainTextEdit *MQuestion = nullptr;
    QWidget *Panel3 = nullptr;
    QLabel *PReponse = nullptr;
    QPlainTextEdit *MReponse = nullptr;
    QWidget *Panel4 = nullptr;
    QPushButton *BPrecedent = nullptr;
    QPushButton *BSuivant = nullptr;
    QPushButton *BNouveau = nullptr;
    QPushButton *BInserer = nullptr;
    QPushButton *BSupprimer = nullptr;
    QPushButton *BChercher = nullptr;

    QMenu *Fichier1 = nullptr;
    QMenu *Edition1 = nullptr;
    QMenu *Preferences1 = nullptr;
    QMenu *Polices1 = nullptr;
    QMenu *Aide1 = nullptr;

    // ----- the view's own state and workings
    int IndexPrecedent = -1;
    TFicheX FicheNeutre;
    bool Alphabetique = false;
    bool BlocNotes = false;
    bool Permutable = false;
    bool Exportable = false;
    int ProportionQuestion = 9; // twelfths of the two memo rows given to the question
    // ----- letters of the current state
    QString TypesOrdonnes() const;
    QChar FormatParDefaut() const;
    QChar TypePourCsv(const QString &nom) const;
    // Asks the type of a card file made from an imported deck; false when cancelled.
    bool DemanderTypeImport(QChar &type);
    void SignalerOmissions(const Formats::Rapport &rapport);
    // The folder the file dialogs start in: the document's, else the one a
    // file dialog last led to in this run, else the remembered files', else
    // the user's documents folder.
    QString DossierDialogue() const;
    // Asks before a save that would turn characters into '?'; true to go on.
    bool AccepterPertes(const Formats::Rapport &rapport);
    bool DemanderSauvegarde();
    // A card file dropped on the window, opened as "&Open" would.
    void OuvrirDepose(const QString &chemin);
    void EvaluerType();
    void AjusterPanneaux();
    void AfficherFichier(int position);
    void AfficherSansFichier();
    void AfficherTitreFenetre();
    void AfficherEtiquettes();
    void AfficherTitreFichier();
    void AppliquerLectureSeule();
    void EffacerMarquesEdition();
    void AppliquerPoliceChamps(const QFont &police);
    void AppliquerPremierPlan();
    void StockerFiche();
    // The card's texts as storing it would keep them.
    void TextesSaisis(QString &c0, QString &c1, QString &c2) const;
    // What is typed and not yet in the document (its recovery copy takes it).
    bool LireSaisie(TDocument::TSaisie &saisie) const;
    void CreerFiche(int position);
    void InsererNouvelleFiche(int position);
    // Drops the card shown, a new one without a step.
    void RetirerFicheCourante();
    void MettreAJourBoutons();

    void ConstruireFenetre();
    void ConstruireMenus();
    QAction *Entree(QMenu *menu, const char *nom, const QString &legende, const QList<QKeySequence> &raccourcis = {});
    QAction *Entree(QMenu *menu, const char *nom, const QString &legende, const QKeySequence &raccourci)
    {
        return Entree(menu, nom, legende, QList<QKeySequence>{raccourci});
    }
    // Undo and Redo: the step of the history, the card it touched shown.
    void DefaireEtape();
    void RefaireEtape();
    void MontrerFicheTouchee(int index);
    // The title's modified mark: the document's, or a card being typed.
    void MarquerModification();
    void SuivreSaisie();
    bool CarteAffichee() const { return IndexCourant != -1; }
    void PoserEntree(QAction *action, bool active);

    void TraiterLignesEnAttente();
    // Drag and drop of a card file, on the window or on one of its fields.
    bool TraiterDepot(QEvent *event);

    QHash<QString, QAction *> m_actions;
    std::vector<QAction *> m_ordreEntrees; // the menus' order: the first offered answers a shared shortcut
    QString m_dossierDialogue;
    QStringList m_lignesEnAttente;
    bool m_lignesRecues = false;
    QHash<QAction *, bool> m_actives;
    std::vector<QShortcut *> m_raccourcis;
    std::optional<TRecherche> m_recherche;
    TDocument m_document;
    // Where the new card shown was asked for (-1: at the end, "New").
    int m_positionNouvelle = -1;
    // The card a file being loaded is shown at.
    int m_positionOuverture = 0;
};
