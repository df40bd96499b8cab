#include "editor/fiche.h"

#include "dialogs/dlgentete.h"
#include "dialogs/dlgetiquettes.h"
#include "dialogs/dlgnouveau.h"
#include "dialogs/dlgoptions.h"
#include "dialogs/dlgoptionsavancees.h"
#include "dialogs/dlgoptionscsv.h"
#include "editor/aide.h"
#include "editor/dlgchercher.h"
#include "editor/lettres.h"
#include "editor/liste.h"
#include "editor/verification.h"
#include "model/outils.h"
#include "resources/chaines.h"
#include "settings/init.h"
#include "ui/interaction.h"

#include <QAction>
#include <algorithm>
#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QShortcutEvent>
#include <QSplitter>
#include <QStyleFactory>
#include <QToolButton>
#include <QVBoxLayout>
#include <QtMath>

namespace {

// A caption panel: the name of a field, left of it.
QLabel *Legende(QWidget *parent, const char *nom)
{
    auto *etiquette = new QLabel(parent);
    etiquette->setObjectName(QLatin1String(nom));
    etiquette->setFixedWidth(100);
    etiquette->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    etiquette->setContentsMargins(4, 4, 4, 0);
    etiquette->setWordWrap(true);
    etiquette->setTextFormat(Qt::PlainText); // the user's caption, shown as typed
    return etiquette;
}

// The application's style but for the menu bar's overflow button (shown
// only when the menus do not fit the window), which is made without its
// icon: the main window gives it the icon when it first shows. Reading that
// icon loads every image plug-in, a tenth of the time the window takes to
// come up.
class TStyleDemarrage : public QProxyStyle
{
public:
    using QProxyStyle::QProxyStyle;

    QIcon standardIcon(StandardPixmap sorte, const QStyleOption *option, const QWidget *widget) const override
    {
        if (sorte == SP_ToolBarHorizontalExtensionButton && qobject_cast<const QMenuBar *>(widget))
            return QIcon();
        return QProxyStyle::standardIcon(sorte, option, widget);
    }

    QIcon IconeDebordement(const QMenuBar *barre) const
    {
        return baseStyle()->standardIcon(SP_ToolBarHorizontalExtensionButton, nullptr, barre);
    }

    static void Installer()
    {
        if (!dynamic_cast<TStyleDemarrage *>(QApplication::style()))
            QApplication::setStyle(new TStyleDemarrage(QStyleFactory::create(QApplication::style()->name())));
    }
};

// A button of the bar: at least the design's size, and never less than its
// caption needs in the desktop's font (an explicit minimum size would let
// the layout squeeze a wider caption).
class TBouton : public QPushButton
{
public:
    using QPushButton::QPushButton;
    QSize sizeHint() const override { return QPushButton::sizeHint().expandedTo(QSize(88, 25)); }
    QSize minimumSizeHint() const override { return sizeHint(); }
};

QPlainTextEdit *Memo(QWidget *parent, const char *nom)
{
    auto *memo = new QPlainTextEdit(parent);
    memo->setObjectName(QLatin1String(nom));
    memo->setMinimumHeight(1); // a one-line question may be that small
    memo->setEnabled(false);
    memo->setReadOnly(true);
    return memo;
}

} // namespace

TFormFiche::TFormFiche(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("FormFiche"));
    TInteractionPlateforme::DefinirAfficheurAide(&TAide::AfficherRubrique);
    TStyleDemarrage::Installer();
    ConstruireFenetre();
    ConstruireMenus();
    m_document.DefinirSaisie([this](TDocument::TSaisie &saisie) { return LireSaisie(saisie); });
    // The overflow button's icon, when it first shows (TStyleDemarrage).
    for (QToolButton *bouton : menuBar()->findChildren<QToolButton *>(QString(), Qt::FindDirectChildrenOnly)) {
        if (bouton->icon().isNull())
            bouton->installEventFilter(this);
    }
    setWindowTitle(tr("Amblopad: micro Data Base"));
    resize(616, 436);
    if (const QScreen *ecran = QGuiApplication::primaryScreen())
        move(ecran->availableGeometry().center() - rect().center());
}

TFormFiche::~TFormFiche() = default;

void TFormFiche::ConstruireFenetre()
{
    auto *centre = new QWidget(this);
    centre->setObjectName(QStringLiteral("Centre"));
    auto *colonne = new QVBoxLayout(centre);
    colonne->setContentsMargins(0, 0, 0, 0);
    colonne->setSpacing(0);

    // Title row
    Panel1 = new QWidget(centre);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    auto *ligne1 = new QHBoxLayout(Panel1);
    ligne1->setContentsMargins(0, 2, 2, 0);
    ligne1->setSpacing(0);
    PTitre = Legende(Panel1, "PTitre");
    PTitre->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    PTitre->setContentsMargins(4, 0, 4, 0);
    ETitre = new QLineEdit(Panel1);
    ETitre->setObjectName(QStringLiteral("ETitre"));
    ETitre->setEnabled(false);
    ETitre->setReadOnly(true);
    ligne1->addWidget(PTitre);
    ligne1->addWidget(ETitre);
    colonne->addWidget(Panel1);

    PSeparateur = new QWidget(centre);
    PSeparateur->setObjectName(QStringLiteral("PSeparateur"));
    PSeparateur->setFixedHeight(4);
    colonne->addWidget(PSeparateur);

    // Question and answer rows, with the splitter between them
    Splitter1 = new QSplitter(Qt::Vertical, centre);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    Splitter1->setHandleWidth(4);
    Splitter1->setChildrenCollapsible(false);
    Panel2 = new QWidget(Splitter1);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    auto *ligne2 = new QHBoxLayout(Panel2);
    ligne2->setContentsMargins(0, 0, 2, 0);
    ligne2->setSpacing(0);
    PQuestion = Legende(Panel2, "PQuestion");
    MQuestion = Memo(Panel2, "MQuestion");
    MQuestion->setTabChangesFocus(true);
    ligne2->addWidget(PQuestion);
    ligne2->addWidget(MQuestion);
    Panel3 = new QWidget(Splitter1);
    Panel3->setObjectName(QStringLiteral("Panel3"));
    Panel3->setMinimumHeight(25);
    auto *ligne3 = new QHBoxLayout(Panel3);
    ligne3->setContentsMargins(0, 0, 2, 0);
    ligne3->setSpacing(0);
    PReponse = Legende(Panel3, "PReponse");
    MReponse = Memo(Panel3, "MReponse");
    MReponse->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    ligne3->addWidget(PReponse);
    ligne3->addWidget(MReponse);
    Splitter1->addWidget(Panel2);
    Splitter1->addWidget(Panel3);
    Splitter1->setStretchFactor(0, 0);
    Splitter1->setStretchFactor(1, 1);
    colonne->addWidget(Splitter1, 1);

    // Button bar
    Panel4 = new QWidget(centre);
    Panel4->setObjectName(QStringLiteral("Panel4"));
    Panel4->setMinimumHeight(41);
    Panel4->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    auto *ligne4 = new QHBoxLayout(Panel4);
    ligne4->setContentsMargins(8, 8, 8, 8);
    ligne4->setSpacing(8);
    const struct
    {
        QPushButton *TFormFiche::*membre;
        const char *nom;
        const char *legende;
        const char *bulle;
        void (TFormFiche::*action)();
    } boutons[] = {
        {&TFormFiche::BPrecedent, "BPrecedent", QT_TR_NOOP("Previous"), QT_TR_NOOP("Previous card"),
         &TFormFiche::FichePrecedente},
        {&TFormFiche::BSuivant, "BSuivant", QT_TR_NOOP("Next"), QT_TR_NOOP("Next card"), &TFormFiche::FicheSuivante},
        {&TFormFiche::BNouveau, "BNouveau", QT_TR_NOOP("New"), QT_TR_NOOP("New card"), &TFormFiche::NouvelleFiche},
        {&TFormFiche::BInserer, "BInserer", QT_TR_NOOP("Insert"), QT_TR_NOOP("Insert card"), &TFormFiche::InsererFiche},
        {&TFormFiche::BSupprimer, "BSupprimer", QT_TR_NOOP("Delete"), QT_TR_NOOP("Delete card"),
         &TFormFiche::SupprimerCarteCourante},
        {&TFormFiche::BChercher, "BChercher", QT_TR_NOOP("Search"), QT_TR_NOOP("Search a card"),
         &TFormFiche::LancerRecherche},
    };
    for (const auto &b : boutons) {
        auto *bouton = new TBouton(tr(b.legende), Panel4);
        bouton->setObjectName(QLatin1String(b.nom));
        bouton->setToolTip(tr(b.bulle));
        bouton->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        bouton->setEnabled(false);
        bouton->setAutoDefault(false);
        if (b.action)
            connect(bouton, &QPushButton::clicked, this, b.action);
        ligne4->addWidget(bouton);
        this->*(b.membre) = bouton;
    }
    ligne4->addStretch(1);
    colonne->addWidget(Panel4);

    // The button bar comes first in the tab order.
    setTabOrder(BPrecedent, BSuivant);
    setTabOrder(BSuivant, BNouveau);
    setTabOrder(BNouveau, BInserer);
    setTabOrder(BInserer, BSupprimer);
    setTabOrder(BSupprimer, BChercher);
    setTabOrder(BChercher, ETitre);
    setTabOrder(ETitre, MQuestion);
    setTabOrder(MQuestion, MReponse);
    // Each field is named by its caption, for screen readers.
    PTitre->setBuddy(ETitre);
    PQuestion->setBuddy(MQuestion);
    PReponse->setBuddy(MReponse);

    for (QWidget *champ :
         {static_cast<QWidget *>(ETitre), static_cast<QWidget *>(MQuestion), static_cast<QWidget *>(MReponse)})
        champ->installEventFilter(this);
    // The memos receive drops on their viewports.
    MQuestion->viewport()->installEventFilter(this);
    MReponse->viewport()->installEventFilter(this);
    setAcceptDrops(true);
    setCentralWidget(centre);

    Orthographe = new TVerificationOrthographe(this, ETitre, MQuestion, MReponse);
    connect(Orthographe, &TVerificationOrthographe::ReglageModifie, this, [this] { ReglagesModifies = true; });
}

QAction *TFormFiche::Entree(QMenu *menu, const char *nom, const QString &legende, const QList<QKeySequence> &raccourcis)
{
    QAction *action = menu->addAction(legende);
    action->setObjectName(QLatin1String(nom));
    if (!raccourcis.isEmpty()) {
        // The entry shows its shortcut; the window's own shortcut acts on it,
        // after the menus are brought up to date, even when it is hidden.
        action->setShortcuts(raccourcis);
        action->setShortcutContext(Qt::WidgetShortcut);
        action->installEventFilter(this);
    }
    for (const QKeySequence &raccourci : raccourcis) {
        // One window shortcut a key: entries sharing it take turns in ActiverRaccourci.
        const bool pris = std::any_of(m_raccourcis.begin(), m_raccourcis.end(),
                                      [&raccourci](const QShortcut *r) { return r->key() == raccourci; });
        if (pris)
            continue;
        auto *raccourciFenetre = new QShortcut(raccourci, this);
        raccourciFenetre->setObjectName(QLatin1String(nom) + QLatin1String("Raccourci"));
        connect(raccourciFenetre, &QShortcut::activated, this, [this, raccourci] { ActiverRaccourci(raccourci); });
        // While a menu holds the focus the entry's own shortcut competes with
        // the window's: whichever Qt picks, the command runs once.
        connect(raccourciFenetre, &QShortcut::activatedAmbiguously, this,
                [this, raccourci] { ActiverRaccourci(raccourci); });
        m_raccourcis.push_back(raccourciFenetre);
    }
    m_actions.insert(QLatin1String(nom), action);
    m_ordreEntrees.push_back(action);
    return action;
}

QAction *TFormFiche::Action(const char *nom) const
{
    return m_actions.value(QLatin1String(nom));
}

void TFormFiche::ConstruireMenus()
{
    QMenuBar *barre = menuBar();

    Fichier1 = barre->addMenu(tr("&File"));
    Fichier1->setObjectName(QStringLiteral("Fichier1"));
    connect(Entree(Fichier1, "Nouveau1", tr("&New"), QKeySequence(Qt::CTRL | Qt::Key_N)), &QAction::triggered, this,
            &TFormFiche::NouveauFichier);
    connect(Entree(Fichier1, "Ouvrir1", tr("&Open"), QKeySequence(Qt::CTRL | Qt::Key_O)), &QAction::triggered, this,
            [this] { OuvrirAvecDialogue(true); });
    connect(Entree(Fichier1, "Modele1", tr("New file from model"), QKeySequence(Qt::CTRL | Qt::Key_M)),
            &QAction::triggered, this, [this] { OuvrirAvecDialogue(false); });
    Fichier1->addSeparator();
    connect(Entree(Fichier1, "Ouvert1", tr("Open")), &QAction::triggered, this,
            [this] { RouvrirFichier(Parametres.open, Parametres.openum); });
    connect(Entree(Fichier1, "Recent1", tr("Recent")), &QAction::triggered, this,
            [this] { RouvrirFichier(Parametres.recent, Parametres.recnum); });
    Fichier1->addSeparator();
    connect(Entree(Fichier1, "Sauver1", tr("&Save"), QKeySequence(Qt::CTRL | Qt::Key_S)), &QAction::triggered, this,
            &TFormFiche::EnregistrerFichier);
    connect(Entree(Fichier1, "Sauversous1", tr("Save &as...")), &QAction::triggered, this,
            &TFormFiche::EnregistrerSous);
    connect(Entree(Fichier1, "Exporter1", tr("Export")), &QAction::triggered, this, &TFormFiche::Exporter);
    Fichier1->addSeparator();
    connect(Entree(Fichier1, "Proprietes1", tr("&Properties")), &QAction::triggered, this,
            &TFormFiche::MontrerProprietes);
    Fichier1->addSeparator();
    connect(Entree(Fichier1, "Fermer1", tr("&Close"), QKeySequence(Qt::CTRL | Qt::Key_W)), &QAction::triggered, this,
            &TFormFiche::FermerAvecDemande);
    connect(Entree(Fichier1, "Quitter1", tr("&Quit"), QKeySequence(Qt::CTRL | Qt::Key_Q)), &QAction::triggered, this,
            &QWidget::close);

    Edition1 = barre->addMenu(tr("&Edition"));
    Edition1->setObjectName(QStringLiteral("Edition1"));
    connect(Entree(Edition1, "Premiere1", tr("&First card")), &QAction::triggered, this, &TFormFiche::PremiereFiche);
    connect(Entree(Edition1, "Derniere1", tr("&Last card")), &QAction::triggered, this, &TFormFiche::DerniereFiche);
    connect(Entree(Edition1, "Precedente1", tr("Previous card"), QKeySequence(Qt::Key_F7)), &QAction::triggered, this,
            &TFormFiche::FichePrecedente);
    connect(Entree(Edition1, "Suivante1", tr("Next card"), QKeySequence(Qt::Key_F8)), &QAction::triggered, this,
            &TFormFiche::FicheSuivante);
    Edition1->addSeparator();
    connect(Entree(Edition1, "Listedesfiches1", tr("&List of cards"), QKeySequence(Qt::Key_F12)), &QAction::triggered,
            this, &TFormFiche::MontrerListe);
    connect(Entree(Edition1, "Rechercher1", tr("&Search card"), QKeySequence(Qt::CTRL | Qt::Key_F)),
            &QAction::triggered, this, &TFormFiche::LancerRecherche);
    connect(Entree(Edition1, "Rechsuivant1", tr("Find next"), QKeySequence(Qt::Key_F3)), &QAction::triggered, this,
            &TFormFiche::RechercherSuivante);
    connect(Entree(Edition1, "AbandonRech1", tr("Abort Search"), QKeySequence(Qt::CTRL | Qt::Key_F3)),
            &QAction::triggered, this, &TFormFiche::AbandonnerRecherche);
    Edition1->addSeparator();
    connect(Entree(Edition1, "Enregistrerlafiche1", tr("&Validate"), QKeySequence(Qt::Key_F2)), &QAction::triggered,
            this, &TFormFiche::ValiderFicheAffichee);
    connect(Entree(Edition1, "Nouvelle1", tr("&New card"), QKeySequence(Qt::Key_F4)), &QAction::triggered, this,
            &TFormFiche::NouvelleFiche);
    connect(Entree(Edition1, "Inserer1", tr("&Insert card")), &QAction::triggered, this, &TFormFiche::InsererFiche);
    connect(Entree(Edition1, "Supprimer1", tr("&Delete card")), &QAction::triggered, this,
            &TFormFiche::SupprimerCarteCourante);
    connect(Entree(Edition1, "DupliquerFiche1", tr("D&uplicate card")), &QAction::triggered, this,
            &TFormFiche::DupliquerFiche);
    connect(Entree(Edition1, "Annuler1", tr("Cancel modification"), QKeySequence(Qt::CTRL | Qt::Key_Z)),
            &QAction::triggered, this, &TFormFiche::AnnulerSaisie);
    // Ctrl+Z cancels the card being typed while that is offered, else undoes.
    QAction *defaire = Entree(Edition1, "Defaire1", tr("Undo"), QKeySequence(Qt::CTRL | Qt::Key_Z));
    connect(defaire, &QAction::triggered, this, &TFormFiche::DefaireEtape);
    QAction *refaire = Entree(Edition1, "Refaire1", tr("Redo"),
                              {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    connect(refaire, &QAction::triggered, this, &TFormFiche::RefaireEtape);
    for (QAction *action : {defaire, refaire})
        action->setToolTip(action->text());
    Edition1->addSeparator();
    connect(Entree(Edition1, "PermuterChamps", tr("Switch fields")), &QAction::triggered, this,
            &TFormFiche::PermuterChampsFichier);
    Edition1->addSeparator();
    connect(Entree(Edition1, "Imprimer1", tr("Card \u2013> printer"), QKeySequence(Qt::CTRL | Qt::Key_P)),
            &QAction::triggered, this, &TFormFiche::ImprimerFiche);
    connect(Entree(Edition1, "ImprimerTout1", tr("Print &all cards")), &QAction::triggered, this,
            &TFormFiche::ImprimerFichier);
    connect(Entree(Edition1, "PressePapiers1", tr("Card \u2013> clipboard"), QKeySequence(Qt::CTRL | Qt::Key_Insert)),
            &QAction::triggered, this, &TFormFiche::CopierFiche);
    connect(Entree(Edition1, "ListeVersPressepapiers1", tr("List \u2013> clipboard")), &QAction::triggered, this,
            &TFormFiche::CopierListe);
    connect(Entree(Edition1, "CollerFiche1", tr("Paste as ne&w card")), &QAction::triggered, this,
            &TFormFiche::CollerFiches);
    Edition1->addSeparator();
    connect(Entree(Edition1, "Options1", tr("&Options"), QKeySequence(Qt::Key_F5)), &QAction::triggered, this,
            &TFormFiche::ModifierOptions);
    connect(Entree(Edition1, "OptionsAvancees1", tr("Advanced options"), QKeySequence(Qt::SHIFT | Qt::Key_F5)),
            &QAction::triggered, this, &TFormFiche::ModifierOptionsAvancees);
    Edition1->addSeparator();
    connect(Entree(Edition1, "Entete1", tr("&Header"), QKeySequence(Qt::Key_F9)), &QAction::triggered, this,
            &TFormFiche::ModifierEntete);
    connect(Entree(Edition1, "Etiquettes1", tr("&Labels")), &QAction::triggered, this, &TFormFiche::ModifierEtiquettes);
    connect(Entree(Edition1, "Canevas1", tr("&Canvas")), &QAction::triggered, this, &TFormFiche::DefinirCanevas);
    QAction *feuille = Entree(Edition1, "FeuilledeStyle1", tr("Style sheet"), QKeySequence(Qt::CTRL | Qt::Key_F5));
    feuille->setVisible(false);
    connect(feuille, &QAction::triggered, this, &TFormFiche::ModifierFeuilleStyle);
    Edition1->addSeparator();
    Orthographe->InstallerMenu(Edition1);
    Edition1->menuAction()->setVisible(false);

    Preferences1 = barre->addMenu(tr("&Preferences"));
    Preferences1->setObjectName(QStringLiteral("Preferences1"));
    Polices1 = Preferences1->addMenu(tr("&Fonts"));
    Polices1->setObjectName(QStringLiteral("Polices1"));
    connect(Entree(Polices1, "Champs1", tr("Fields")), &QAction::triggered, this, &TFormFiche::ChoisirPoliceChamps);
    connect(Entree(Polices1, "Liste1", tr("List")), &QAction::triggered, this, &TFormFiche::ChoisirPoliceListe);
    connect(Entree(Preferences1, "OptionsCSV", tr("CSV options"), QKeySequence(Qt::SHIFT | Qt::Key_F6)),
            &QAction::triggered, this, &TFormFiche::ModifierOptionsCsv);
    Preferences1->addSeparator();
    QAction *dessus = Entree(Preferences1, "Applicationaudessus1", tr("Keep to foreground"));
    dessus->setCheckable(true);
    connect(dessus, &QAction::triggered, this, &TFormFiche::BasculerPremierPlan);
    QAction *rouvrir = Entree(Preferences1, "Rouvrir1", tr("&Open when starts"));
    rouvrir->setCheckable(true);
    connect(rouvrir, &QAction::triggered, this, &TFormFiche::BasculerRouvrir);
    QAction *unique = Entree(Preferences1, "Instanceunique1", tr("&Unique instance"));
    unique->setCheckable(true);
    connect(unique, &QAction::triggered, this, &TFormFiche::BasculerInstanceUnique);

    Aide1 = barre->addMenu(tr("&Help"));
    Aide1->setObjectName(QStringLiteral("Aide1"));
    connect(Entree(Aide1, "Rubriquesdaide1", tr("&Contents")), &QAction::triggered, this,
            &TFormFiche::AfficherAideType);
    connect(Entree(Aide1, "Apropos1", tr("&About...")), &QAction::triggered, this, &TFormFiche::AfficherAPropos);

    // F1: the window's own help topic.
    auto *aide = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(aide, &QShortcut::activated, this, [this, aide] { ActiverRaccourci(aide->key()); });

    // Opening a menu brings its entries up to date.
    for (QMenu *menu : {Fichier1, Edition1, Preferences1})
        connect(menu, &QMenu::aboutToShow, this, &TFormFiche::MettreAJourMenus);

    // The window follows its document.
    connect(&m_document, &TDocument::fichierRemplace, this, &TFormFiche::MontrerDocument);
    connect(&m_document, &TDocument::ficheAMontrer, this, &TFormFiche::MontrerFicheTouchee);
    connect(&m_document, &TDocument::modifieChange, this, &TFormFiche::MarquerModification);
    connect(&m_document, &TDocument::nomChange, this, [this] {
        if (Fichier())
            AfficherTitreFenetre();
    });
    connect(ETitre, &QLineEdit::textEdited, this, &TFormFiche::SuivreSaisie);
    connect(MQuestion, &QPlainTextEdit::textChanged, this, &TFormFiche::SuivreSaisie);
    connect(MReponse, &QPlainTextEdit::textChanged, this, &TFormFiche::SuivreSaisie);

    MettreAJourMenus();
}

bool TFormFiche::ActiverRaccourci(const QKeySequence &touches)
{
    MettreAJourMenus();
    for (QAction *action : m_ordreEntrees) {
        if (action->shortcuts().contains(touches) && EntreeActive(action->objectName().toLatin1().constData())) {
            action->trigger();
            return true;
        }
    }
    if (touches == QKeySequence(Qt::Key_F1)) {
        TInteraction::Courante().Aide(SujetAide);
        return true;
    }
    return false;
}

// ----------------------------------------------------------------- start

void TFormFiche::FormCreate()
{
    FicheNeutre = TFicheX();
    FicheNeutre.SetChamp1(tr("(No card)"));
    // The window's size is its client area's: the menu bar comes on top.
    QSize taille(Parametres.width, Parametres.height + menuBar()->sizeHint().height());
    // The whole window on the screen, whatever size was remembered.
    if (const QScreen *ecran = QGuiApplication::primaryScreen())
        taille = taille.boundedTo(ecran->availableGeometry().size());
    resize(taille);
    if (const QScreen *ecran = QGuiApplication::primaryScreen())
        move(ecran->availableGeometry().center() - rect().center());
    if (Parametres.fulscr)
        setWindowState(windowState() | Qt::WindowMaximized);
    // The list window is placed when the window is first shown; the dialogs
    // wait until they are needed (CreerDialogues), which shortens the start.
    if (!Liste)
        Liste = new TListe(this);
}

// The dialogs live as long as the window, so that they keep their values
// from one use to the next. They are created once, together, when a file is
// first shown or one of them is first asked for; "New" creates its own.
void TFormFiche::CreerDialogues()
{
    if (DlgOptions)
        return;
    DlgOptions = new TDlgOptions(this);
    DlgOptionsAvancees = new TDlgOptionsAvancees(this);
    DlgChercher = new TDlgChercher(this);
    DlgEtiquettes = new TDlgEtiquettes(this);
    DlgEntete = new TDlgEntete(this);
    DlgOptionsCSV = new TDlgOptionsCSV(this);
}

void TFormFiche::FormShow(const QStringList &arguments, int instancesEnCours)
{
    AppliquerPoliceChamps(QFont(Parametres.foname, Parametres.fosize));
    AppliquerPoliceListe(QFont(Parametres.lstfon, Parametres.lstfos));
    if (Liste)
        Liste->Placer();
    AppliquerPremierPlan();
    Action("Rouvrir1")->setChecked(Parametres.reopen);
    Action("Instanceunique1")->setChecked(Parametres.uninst);
    LettreTypeCsv = PremierCar(Parametres.csvtyp);

    QString nom;
    bool depuisLigneDeCommande = false;
    if (!arguments.isEmpty()) {
        nom = arguments.constFirst();
        depuisLigneDeCommande = true;
    } else if (Parametres.reopen && Parametres.opened && instancesEnCours == 1) {
        nom = Parametres.open;
    }
    if (!nom.isEmpty())
        OuvrirFichier(nom, Lettres::IndexMemorise(nom), true, true, depuisLigneDeCommande);
    if (!Fichier()) {
        TypeCourant = PremierCar(Parametres.types);
        EvaluerType();
        AjusterPanneaux();
    }
    MettreAJourMenus();
}

// ----------------------------------------------------------------- layout

void TFormFiche::AjusterPanneaux()
{
    const QList<int> tailles = Splitter1->sizes();
    int total = 0;
    for (int t : tailles)
        total += t;
    if (total <= 0)
        total = qMax(0, Splitter1->height() - Splitter1->handleWidth());
    // One-line fields never show a scroll bar, with a file or without.
    MQuestion->setVerticalScrollBarPolicy(QuestionUneLigne ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAlwaysOn);
    // No memo shown smaller than one usable line, its scroll bar whole,
    // whatever the font's height.
    const auto ligneTexte = [](QPlainTextEdit *memo) {
        return memo->fontMetrics().lineSpacing() + 2 * (memo->frameWidth() + qCeil(memo->document()->documentMargin()));
    };
    const auto ligneUtilisable = [&ligneTexte](QPlainTextEdit *memo) {
        return qMax(ligneTexte(memo), memo->verticalScrollBar()->minimumSizeHint().height() + 2 * memo->frameWidth());
    };
    Panel3->setMinimumHeight(ligneUtilisable(MReponse));
    int question;
    if (QuestionUneLigne) {
        // As high as the title's line, and never less than its own line.
        question = qMax(ETitre->sizeHint().height(), ligneTexte(MQuestion));
        Panel2->setMinimumHeight(question);
    } else {
        Panel2->setMinimumHeight(ligneUtilisable(MQuestion));
        question = qMax(Panel2->minimumHeight(), total * ProportionQuestion / 12);
        question = qMin(question, qMax(Panel2->minimumHeight(), total - Panel3->minimumHeight()));
    }
    Splitter1->setSizes({question, qMax(0, total - question)});
}

void TFormFiche::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    AjusterPanneaux();
}

bool TFormFiche::eventFilter(QObject *objet, QEvent *event)
{
    if (event->type() == QEvent::Show) {
        auto *bouton = qobject_cast<QToolButton *>(objet);
        const auto *barre = bouton ? qobject_cast<const QMenuBar *>(bouton->parent()) : nullptr;
        if (barre) {
            const auto *style = dynamic_cast<const TStyleDemarrage *>(QApplication::style());
            if (style && bouton->icon().isNull())
                bouton->setIcon(style->IconeDebordement(barre));
            bouton->removeEventFilter(this);
        }
    }
    // A card file dropped on a field opens the file instead of pasting its path.
    if (TraiterDepot(event))
        return true;
    if (event->type() == QEvent::Shortcut && qobject_cast<QAction *>(objet)) {
        ActiverRaccourci(static_cast<QShortcutEvent *>(event)->key());
        return true;
    }
    // The menu shortcuts win over the fields' own keys (Ctrl+Z is "Cancel
    // modification", not the memo's undo).
    if (event->type() == QEvent::ShortcutOverride) {
        const auto *touche = static_cast<QKeyEvent *>(event);
        const QKeySequence sequence(touche->keyCombination());
        for (const QShortcut *raccourci : m_raccourcis)
            if (raccourci->key() == sequence)
                return true;
    }
    // A one-line question takes no line break.
    if (objet == MQuestion && event->type() == QEvent::KeyPress && QuestionUneLigne) {
        const int touche = static_cast<QKeyEvent *>(event)->key();
        if (touche == Qt::Key_Return || touche == Qt::Key_Enter)
            return true;
    }
    return QMainWindow::eventFilter(objet, event);
}

// ----------------------------------------------------------------- preferences and help

void TFormFiche::AppliquerPremierPlan()
{
    const bool dessus = Parametres.topmst;
    if (bool(windowFlags() & Qt::WindowStaysOnTopHint) != dessus) {
        const QRect cadre = geometry();
        const bool visible = isVisible();
        setWindowFlag(Qt::WindowStaysOnTopHint, dessus);
        setGeometry(cadre);
        if (visible)
            show();
    }
    Action("Applicationaudessus1")->setChecked(dessus);
}

void TFormFiche::BasculerPremierPlan()
{
    Parametres.topmst = !Parametres.topmst;
    ReglagesModifies = true;
    AppliquerPremierPlan();
}

void TFormFiche::BasculerRouvrir()
{
    Parametres.reopen = !Parametres.reopen;
    ReglagesModifies = true;
    Action("Rouvrir1")->setChecked(Parametres.reopen);
}

void TFormFiche::BasculerInstanceUnique()
{
    Parametres.uninst = !Parametres.uninst;
    ReglagesModifies = true;
    Action("Instanceunique1")->setChecked(Parametres.uninst);
}

void TFormFiche::AfficherAideType()
{
    TInteraction::Courante().Aide(Lettres::ContexteAide(TypeCourant));
}

void TFormFiche::AfficherAPropos()
{
    TInteraction::Courante().Message(TInteraction::Information,
                                     tr("Amblopad %1\r\nmicro Data Base: an editor of card files for Amblorine.\r\n\r\n"
                                        "This program is free software: you can redistribute it and/or modify it under "
                                        "the terms of the GNU General Public License, version 3 or any later version. "
                                        "It comes with no warranty.\r\n\r\n"
                                        "Built with Qt %2 (LGPL version 3) and libxml2 (MIT licence).")
                                         .arg(Chaines::Version(), QString::fromLatin1(qVersion())),
                                     TInteraction::Ok, 0, tr("About"));
}
