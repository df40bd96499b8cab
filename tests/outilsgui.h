#pragma once

// What the window tests share: card files built from short descriptions, and
// one window at a time driven with scripted answers on its own settings.

#include "outilstest.h"

#include "editor/dlgchercher.h"
#include "editor/fiche.h"
#include "editor/liste.h"
#include "editor/verification.h"
#include "interactionscriptee.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>

namespace OutilsGui {

// Cards given as "title|question|answer".
inline std::unique_ptr<TFichierX> FichierCartes(QChar type, const QStringList &cartes, QChar format = u'x')
{
    auto f = std::make_unique<TFichierX>(type, format);
    for (const QString &c : cartes) {
        const QStringList champs = c.split(u'|');
        f->AjouterFiche(champs.value(0), champs.value(1), champs.value(2));
    }
    f->NomFichier = QStringLiteral("/nowhere/test.xaq") + QString(type).toLower();
    f->Modifie = false;
    return f;
}

class TBanc
{
public:
    QTemporaryDir dossier;
    TInteractionScriptee *dialogues = nullptr;
    std::unique_ptr<TFormFiche> fenetre;

    // Once per test executable.
    void Installer()
    {
        OutilsTest::IsolerParametres(dossier);
        auto script = std::make_unique<TInteractionScriptee>();
        dialogues = script.get();
        TInteraction::Installer(std::move(script));
    }

    // Before each test: default settings, nothing asked, nothing scripted.
    void Reinitialiser()
    {
        ParametresParDefaut();
        dialogues->Oublier();
        dialogues->Reponses.clear();
        dialogues->Fichiers.clear();
        dialogues->Saisies.clear();
        dialogues->SaisiesAcceptees.clear();
        dialogues->Dialogues.clear();
        dialogues->Polices.clear();
        dialogues->Impressions.clear();
        dialogues->FichierImpression.clear();
        dialogues->Annulations.clear();
    }

    // After each test; false when something was asked that no test scripted.
    bool Fermer()
    {
        // Closing must not stop on a question nobody scripted.
        if (fenetre)
            fenetre->Document().Fermer();
        fenetre.reset();
        return dialogues->Imprevus == 0;
    }

    // A window created and shown, not yet started.
    TFormFiche &Creer()
    {
        fenetre = std::make_unique<TFormFiche>();
        fenetre->FormCreate();
        fenetre->show();
        return *fenetre;
    }

    // A window started as the program starts it, with its arguments.
    TFormFiche &Demarrer(const QStringList &arguments = {}, int instances = 1)
    {
        Creer().FormShow(arguments, instances);
        return *fenetre;
    }

    // A started window showing f (none when f is null) at a card.
    TFormFiche &Charger(std::unique_ptr<TFichierX> f, int position = 0);
};

// What a person does: select the whole field and type over it.
inline void Taper(QWidget *champ, const QString &texte)
{
    if (auto *ligne = qobject_cast<QLineEdit *>(champ))
        ligne->selectAll();
    else if (auto *memo = qobject_cast<QPlainTextEdit *>(champ))
        memo->selectAll();
    if (texte.isEmpty())
        QTest::keyClick(champ, Qt::Key_Delete);
    else
        QTest::keyClicks(champ, texte);
}

// The menus opened, as the user opens them: their entries are brought up to date.
inline void OuvrirMenus(TFormFiche &w)
{
    for (QAction *entree : w.menuBar()->actions())
        if (QMenu *menu = entree->menu())
            emit menu->aboutToShow();
}

// A menu entry chosen: opening the menu brings its entries up to date first.
// A disabled entry does nothing, as in the menu.
inline void Choisir(TFormFiche &w, const char *entree)
{
    OuvrirMenus(w);
    QAction *action = w.Action(entree);
    if (!action)
        qFatal("no menu entry %s", entree);
    action->trigger();
}

// Whether a menu entry is enabled, as the menu shows it once opened.
inline bool Actif(TFormFiche &w, const char *entree)
{
    OuvrirMenus(w);
    return w.EntreeActive(entree);
}

// "Validate" (F2): true when the card may be left, nothing left unvalidated.
inline bool Valider(TFormFiche &w)
{
    Choisir(w, "Enregistrerlafiche1");
    return !w.FicheEditee();
}

// "Close": true when the file was closed.
inline bool Fermer(TFormFiche &w)
{
    Choisir(w, "Fermer1");
    return !w.Document().EstOuvert();
}

// Card position shown, as the user gets there: First, then Next (-1: Last).
// While a search runs Next goes on searching: move before searching.
inline void Aller(TFormFiche &w, int position)
{
    if (position < 0) {
        Choisir(w, "Derniere1");
        return;
    }
    Choisir(w, "Premiere1");
    while (w.IndexAffiche() >= 0 && w.IndexAffiche() < position) {
        const int avant = w.IndexAffiche();
        Choisir(w, "Suivante1");
        if (w.IndexAffiche() == avant)
            break;
    }
}

inline TFormFiche &TBanc::Charger(std::unique_ptr<TFichierX> f, int position)
{
    Demarrer();
    if (f) {
        fenetre->Document().Charger(std::move(f));
        if (position != 0)
            Aller(*fenetre, position);
    }
    return *fenetre;
}

// A part of the window by its object name (the fields, buttons and panels
// are under the central widget: some dialogs reuse those names).
template <class T = QWidget>
T *Enfant(const TFormFiche &w, const char *nom)
{
    T *enfant = w.centralWidget()->findChild<T *>(QLatin1String(nom));
    if (!enfant)
        qFatal("no %s in the window", nom);
    return enfant;
}

inline QLineEdit *ETitre(const TFormFiche &w)
{
    return Enfant<QLineEdit>(w, "ETitre");
}
inline QPlainTextEdit *MQuestion(const TFormFiche &w)
{
    return Enfant<QPlainTextEdit>(w, "MQuestion");
}
inline QPlainTextEdit *MReponse(const TFormFiche &w)
{
    return Enfant<QPlainTextEdit>(w, "MReponse");
}
inline QLabel *PTitre(const TFormFiche &w)
{
    return Enfant<QLabel>(w, "PTitre");
}
inline QLabel *PQuestion(const TFormFiche &w)
{
    return Enfant<QLabel>(w, "PQuestion");
}
inline QLabel *PReponse(const TFormFiche &w)
{
    return Enfant<QLabel>(w, "PReponse");
}
inline QPushButton *BPrecedent(const TFormFiche &w)
{
    return Enfant<QPushButton>(w, "BPrecedent");
}
inline QPushButton *BSuivant(const TFormFiche &w)
{
    return Enfant<QPushButton>(w, "BSuivant");
}
inline QPushButton *BNouveau(const TFormFiche &w)
{
    return Enfant<QPushButton>(w, "BNouveau");
}
inline QPushButton *BInserer(const TFormFiche &w)
{
    return Enfant<QPushButton>(w, "BInserer");
}
inline QPushButton *BSupprimer(const TFormFiche &w)
{
    return Enfant<QPushButton>(w, "BSupprimer");
}
inline QPushButton *BChercher(const TFormFiche &w)
{
    return Enfant<QPushButton>(w, "BChercher");
}
inline QSplitter *Splitter1(const TFormFiche &w)
{
    return Enfant<QSplitter>(w, "Splitter1");
}
inline QWidget *Panel1(const TFormFiche &w)
{
    return Enfant(w, "Panel1");
}
inline QWidget *Panel2(const TFormFiche &w)
{
    return Enfant(w, "Panel2");
}
inline QWidget *Panel3(const TFormFiche &w)
{
    return Enfant(w, "Panel3");
}
inline QWidget *Panel4(const TFormFiche &w)
{
    return Enfant(w, "Panel4");
}
inline QWidget *PSeparateur(const TFormFiche &w)
{
    return Enfant(w, "PSeparateur");
}

// A menu of the menu bar by its object name.
inline QMenu *Menu(const TFormFiche &w, const char *nom)
{
    auto *menu = w.menuBar()->findChild<QMenu *>(QLatin1String(nom));
    if (!menu)
        qFatal("no menu %s", nom);
    return menu;
}
inline QMenu *Edition1(const TFormFiche &w)
{
    return Menu(w, "Edition1");
}

// The window's own dialogs and helpers, made once for the whole run.
inline TListe *Liste(const TFormFiche &w)
{
    return w.findChild<TListe *>();
}
inline TDlgChercher *DlgChercher(const TFormFiche &w)
{
    return w.findChild<TDlgChercher *>();
}
inline TVerificationOrthographe *Orthographe(const TFormFiche &w)
{
    return w.findChild<TVerificationOrthographe *>();
}

// The question is one line: the view never gives it a scroll bar.
inline bool QuestionUneLigne(const TFormFiche &w)
{
    return MQuestion(w)->verticalScrollBarPolicy() == Qt::ScrollBarAlwaysOff;
}

// F1 pressed: the help topic the window asks for (-1: none asked).
inline int SujetAide(TFormFiche &w, TInteractionScriptee &dialogues)
{
    const size_t avant = dialogues.Demandes.size();
    w.ActiverRaccourci(QKeySequence(Qt::Key_F1));
    if (dialogues.Demandes.size() != avant + 1 || dialogues.Demandes.back().Sorte != QLatin1String("aide"))
        return -1;
    return dialogues.Demandes.back().Aide;
}

// Lines forwarded by a later instance, handled once the event loop runs.
inline void Transmettre(TFormFiche &w, const QStringList &lignes)
{
    w.RecevoirLignes(lignes);
    QCoreApplication::processEvents();
}

// The window's title as the desktop shows it: "[*]" is the modified mark.
inline QString Titre(const QWidget &w)
{
    QString titre = w.windowTitle();
    return titre.replace(QLatin1String("[*]"), w.isWindowModified() ? QStringLiteral("*") : QString());
}

}
