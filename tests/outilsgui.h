#pragma once

// What the window tests share: card files built from short descriptions, and
// one window at a time driven with scripted answers on its own settings.

#include "outilstest.h"

#include "editor/fiche.h"
#include "interactionscriptee.h"

#include <QAction>
#include <QLineEdit>
#include <QPlainTextEdit>

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
    TFormFiche &Charger(std::unique_ptr<TFichierX> f, int position = 0)
    {
        Demarrer();
        if (f)
            fenetre->ChargerDocument(std::move(f), position);
        return *fenetre;
    }
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

// A menu entry chosen: opening the menu brings its entries up to date first.
inline void Choisir(TFormFiche &w, const char *entree)
{
    w.MettreAJourMenus();
    w.Action(entree)->trigger();
}

// Whether a menu entry is enabled, as the menu shows it once opened.
inline bool Actif(TFormFiche &w, const char *entree)
{
    w.MettreAJourMenus();
    return w.EntreeActive(entree);
}

// The window's title as the desktop shows it: "[*]" is the modified mark.
inline QString Titre(const QWidget &w)
{
    QString titre = w.windowTitle();
    return titre.replace(QLatin1String("[*]"), w.isWindowModified() ? QStringLiteral("*") : QString());
}

}
