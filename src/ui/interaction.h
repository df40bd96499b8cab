#pragma once

#include <QFont>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

class QDialog;
class QPrinter;
class QWidget;

// Every message box, question and platform dialog of the editor goes through
// one TInteraction, so that a test can script the answers and check what the
// program asked.
class TInteraction
{
public:
    enum Genre { Avertissement, Erreur, Information, Question };
    enum Boutons { Ok, OkAnnuler, OuiNon, OuiNonAnnuler, OuiNonAbandon, AnnulerSeul, RecupererIgnorerPlusTard };
    enum Reponse { RepOk, RepAnnuler, RepOui, RepNon, RepAbandon, RepAide, RepRecuperer, RepIgnorer, RepPlusTard };

    // Result of an open or save dialog.
    struct ChoixFichier
    {
        bool Accepte = false;
        QString Chemin;
        int IndexFiltre = 1; // 1-based, as the entries are listed
        bool LectureSeule = false;
    };

    virtual ~TInteraction() = default;

    // A modal message box; caption empty gives the application's name.
    virtual Reponse Message(Genre genre, const QString &texte, Boutons boutons, int aide,
                            const QString &legende = QString())
        = 0;
    // filtre is "Desc|*.a;*.b|Desc2|*.c"; indexFiltre is the 1-based preselected entry;
    // dossier the folder the dialog starts in. The open dialog offers its
    // read-only box only when lectureSeuleOfferte. A name typed without an
    // extension gets the one of the entry chosen.
    virtual ChoixFichier OuvrirFichier(const QString &filtre, int indexFiltre, const QString &extensionDefaut,
                                       const QString &dossier, bool lectureSeuleOfferte)
        = 0;
    virtual ChoixFichier SauverFichier(const QString &filtre, int indexFiltre, const QString &extensionDefaut,
                                       const QString &nomPropose, const QString &dossier)
        = 0;
    // The extension of a Qt filter entry "Desc (*.a *.b)": its first pattern's, "a";
    // empty when that pattern names no extension ("*" or "*.*").
    static QString ExtensionDuFiltre(const QString &entreeQt);
    virtual bool ChoisirPolice(QFont &police) = 0;
    virtual bool Imprimer(QPrinter &imprimante) = 0;
    virtual bool Saisir(const QString &legende, const QString &invite, QString &texte) = 0;
    // Runs a dialog modally; returns its result code.
    virtual int Executer(QDialog &dialogue) = 0;
    // Shows a help topic.
    virtual void Aide(int sujet) = 0;

    // The watcher of a long open or save: a dialog with texte and Cancel,
    // shown once the work has taken half a second. Avancer is told how far
    // the work got (total 0 while unknown), keeps the windows painted, and
    // returns false once the user cancelled.
    class Progression
    {
    public:
        virtual ~Progression() = default;
        virtual bool Avancer(qint64 fait, qint64 total) = 0;
        // While the work asks the user something: out of the way, its delay
        // before showing starting anew once resumed.
        virtual void Suspendre(bool /*suspendu*/) { }
    };
    virtual std::unique_ptr<Progression> SuivreProgression(const QString &texte) = 0;

    // The buttons a Boutons value stands for, in the order they are shown.
    static std::vector<Reponse> ReponsesPossibles(Boutons boutons);
    // Translates "Desc|*.a;*.b|..." into Qt's filter entries "Desc (*.a *.b)".
    static QStringList FiltresQt(const QString &filtre);

    // The answer a person who has not been asked would want: the one that
    // changes nothing (Cancel, else No, else Later, else the only button).
    static Reponse ReponsePrudente(Boutons boutons);

    // The one the editor uses; the platform dialogs unless a test put another.
    static TInteraction &Courante();
    static void Installer(std::unique_ptr<TInteraction> interaction);
};

// Message boxes and dialogs of the platform.
class TInteractionPlateforme : public TInteraction
{
public:
    Reponse Message(Genre genre, const QString &texte, Boutons boutons, int aide, const QString &legende) override;
    ChoixFichier OuvrirFichier(const QString &filtre, int indexFiltre, const QString &extensionDefaut,
                               const QString &dossier, bool lectureSeuleOfferte) override;
    ChoixFichier SauverFichier(const QString &filtre, int indexFiltre, const QString &extensionDefaut,
                               const QString &nomPropose, const QString &dossier) override;
    bool ChoisirPolice(QFont &police) override;
    bool Imprimer(QPrinter &imprimante) override;
    bool Saisir(const QString &legende, const QString &invite, QString &texte) override;
    int Executer(QDialog &dialogue) override;
    void Aide(int sujet) override;
    std::unique_ptr<Progression> SuivreProgression(const QString &texte) override;

    // Shows the help window at a topic. The help viewer lives above this
    // folder, so the editor installs it; until then Help shows nothing.
    static void DefinirAfficheurAide(std::function<void(int)> afficheur);
};
