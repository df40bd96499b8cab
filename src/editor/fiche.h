#pragma once

#include "document/document.h"
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
class QPagedPaintDevice;
class QPrinter;
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
// clipboard, printing, fonts), fiche_proprietes.cpp (property dialogs of the
// file). The letter rules are in lettres.h.
class TFormFiche : public QMainWindow
{
    Q_OBJECT

public:
    explicit TFormFiche(QWidget *parent = nullptr);
    ~TFormFiche() override;

    // ----- editor state
    // The open card file: the window shows it and sends it every change.
    TDocument &Document() { return m_document; }
    const TFichierX *Fichier() const { return m_document.Fichier(); }
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

    // ----- start and end
    void FormCreate();
    // arguments: the command line without the program name.
    void FormShow(const QStringList &arguments, int instancesEnCours = 1);

    // ----- files
    void OuvrirFichier(const QString &nom, int position, bool modifiable, bool commeDocument, bool signalerErreurs);
    // Makes a loaded card file the current one and shows it at a card position.
    void ChargerDocument(std::unique_ptr<TFichierX> fichier, int position);
    bool SauverFichier(QString nom, bool demanderNom, bool exporter);
    void FermerFichier();
    bool FermerAvecDemande();
    void RouvrirFichier(const QString &nom, int position);
    // The arguments a later instance forwarded: the first names a file to show.
    void JvAppInstances1CmdLineReceived(const QStringList &lignes);
    // Receives forwarded lines: brings the window forward and handles them
    // once no modal dialog is running.
    void RecevoirLignes(const QStringList &lignes);

    // ----- display
    void AfficherFiche(int position);
    void ValiderTitreFichier();

    // ----- cards
    // True when the card may be left (complete, or nothing edited).
    bool ValiderFiche();
    bool FicheEditee() const;
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
    void Rechercher1Click();
    void BChercherClick() { Rechercher1Click(); }
    void Rechsuivant1Click();
    void AbandonRech1Click();
    void ChercherSuivante(bool arriere);
    bool Correspond(const QString &texte);

    // ----- list, clipboard, printing and fonts (fiche_liste.cpp)
    QFont PoliceImpression; // the fields font, which the printer shares
    void Listedesfiches1Click();
    void PressePapiers1Click();
    void ListeVersPressePapiers1Click();
    void Imprimer1Click();
    void ImprimerTout1Click();
    // Each card as it is printed, in the file's order.
    QList<QStringList> BlocsImpression() const;
    // Prints blocks of lines; a block that does not fit in the rest of a page
    // starts the next one. Returns the lines of each page.
    static QList<QStringList> ImprimerBlocs(QPagedPaintDevice &imprimante, const QFont &police,
                                            const QList<QStringList> &blocs);
    // Asks for the printer and prints; the messages say what failed (%1: the PDF file).
    void Imprimer(const QList<QStringList> &blocs, const QString &echec, const QString &echecFichier);
    void Police1Click();
    void Police2Click();
    void AppliquerPoliceListe(const QFont &police);
    // The card shown as it is printed: title, question and answer lines as
    // the fields display them, each after six spaces.
    QStringList LignesImpression() const;
    // Prints lines one under the other, a new page when one is full; returns
    // the lines of each page.
    // A line wider than the page is wrapped.
    static QList<QStringList> ImprimerLignes(QPagedPaintDevice &imprimante, const QFont &police,
                                             const QStringList &lignes);

    // ----- spell checking of the card shown (verification.h)
    TVerificationOrthographe *Orthographe = nullptr;

    // ----- new cards from others (fiche_copie.cpp)
    void DupliquerFiche1Click();
    void CollerFiche1Click();
    // The clipboard gets the text and, for "Paste as new card", the cards' fields.
    static void CopierCartes(const QString &texte, const QList<QStringList> &cartes);
    // The cards of a clipboard text: one per line of a list, else one whose
    // fields are apart by an empty line.
    static QList<QStringList> CartesDepuisTexte(const TFichierX &fichier, const QString &texte);
    QList<QStringList> CartesPressePapiers() const;
    // Inserts complete cards after the one shown (in order in an
    // alphabetical file) as the step nom, and shows the last; returns how many.
    int AjouterCartes(const QList<QStringList> &cartes, const QString &nom);

    // ----- dialogs, created once in their order after the window
    TDlgChercher *DlgChercher = nullptr;
    TListe *Liste = nullptr;

    // A shortcut as the user presses it: the menus are brought up to date
    // first, and a hidden but enabled entry still answers.
    bool ActiverRaccourci(const QKeySequence &touches);

    // ----- commands
    void BSuivantClick();
    void BPrecedentClick();
    void Premiere1Click();
    void Derniere1Click();
    void Enregistrerlafiche1Click();
    void BNouveauClick();
    void BInsererClick();
    void BSupprimerClick();
    void Annuler1Click();
    void PermuterChampsClick();
    void Canevas1Click();
    void Nouveau1Click();
    void Ouvrir1Click(bool commeDocument);
    void Exporter1Click();
    void Sauver1Click();
    void Sauversous1Click();
    void Proprietes1Click();
    void Applicationaudessus1Click();
    void Rouvrir1Click();
    void Instanceunique1Click();
    void Rubriquesdaide1Click();
    void Apropos1Click();

    // The dialogs live for the whole run, created once in their order.
    void CreerDialogues();

    // ----- file properties (fiche_proprietes.cpp)
    void Entete1Click();
    void Options1Click();
    void OptionsAvancees1Click();
    void Etiquettes1Click();
    void FeuilledeStyle1Click();
    void OptionsCSVClick();
    TDlgOptions *DlgOptions = nullptr;
    TDlgOptionsAvancees *DlgOptionsAvancees = nullptr;
    TDlgEtiquettes *DlgEtiquettes = nullptr;
    TDlgEntete *DlgEntete = nullptr;
    TDlgOptionsCSV *DlgOptionsCSV = nullptr;
    // The dialog of "New".
    TDlgNouveau *DlgNouveau = nullptr;

    // ----- widgets (named after their components)
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
    QAction *Action(const char *nom) const;

    // Whether an entry is offered. A hidden QAction reports itself disabled,
    // yet a hidden entry may still answer its shortcut: this is the state
    // MettreAJourMenus decided.
    bool EntreeActive(const char *nom) const;

protected:
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *objet, QEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
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
    void SignalerAvertissements();
    // The folder the file dialogs start in: the document's, else the one a
    // file dialog last led to in this run, else the remembered files', else
    // the user's documents folder.
    QString DossierDialogue() const;
    // Asks before a save that would turn characters into '?'; true to go on.
    bool AccepterPertes(QChar format);
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
    void SupprimerFicheCourante();
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
    // The search last asked for, kept while its text, case and locale hold.
    std::optional<TRecherche> m_recherche;
    TDocument m_document;
    // Where the new card shown was asked for (-1: at the end, "New").
    int m_positionNouvelle = -1;
    const TRecherche &Recherche();
};
