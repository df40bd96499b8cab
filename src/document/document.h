#pragma once

#include "model/fichierx.h"

#include <QObject>
#include <QString>
#include <QUndoStack>
#include <functional>
#include <memory>

// The open card file and its history. Every change the user makes goes
// through here as one step of the undo stack; the window only shows what
// the signals announce. Changes no step makes (a file converted from
// another format on opening) count as modified until the next save.
namespace Formats {
class Rapport;
}

class TDocument : public QObject
{
    Q_OBJECT

public:
    explicit TDocument(QObject *parent = nullptr);
    ~TDocument() override;

    // ----- the file
    bool EstOuvert() const { return bool(m_fichier); }
    // nullptr when no file is open.
    const TFichierX *Fichier() const { return m_fichier.get(); }
    // Takes a loaded or new card file: an alphabetical one is put in order
    // (not a change), captions and the quiz canvas get their defaults; the
    // history starts empty. modifie: the cards are nowhere on disk as they
    // are (an import, recovered cards). options: the canvas's answer places.
    void Charger(std::unique_ptr<TFichierX> fichier, const TOptions &options = TOptions());
    void Fermer();
    // Binds the document to a file name without reading or writing it.
    void Lier(const QString &nom);

    // Writes the file (Formats::Enregistrer). A save of the document itself
    // makes the current step the saved one; an export changes nothing.
    // rapport, when given, gets what the writer left out.
    void Enregistrer(const QString &nom, QChar format, bool nouveau, bool exporter, const TOptions &options,
                     Formats::Rapport *rapport = nullptr);
    // The whole card file in the XML format, as it stands (with the default
    // options: a form to compare states by).
    QByteArray OctetsXml() const;

    // What the window holds that no step has stored yet: the card being
    // typed (index -1: none) and the file's title being typed.
    struct TSaisie
    {
        int index = -1;
        QString c0, c1, c2;
        bool titre = false;
        QString titreFichier;
    };
    // Fills the typing in progress; false when nothing is being typed.
    using LecteurSaisie = std::function<bool(TSaisie &)>;
    void DefinirSaisie(LecteurSaisie lecteur) { m_saisie = std::move(lecteur); }
    // Modified, or a card being typed: work a crash would lose.
    bool TravailNonEnregistre() const;
    // The card file as the user sees it, typing included (an untouched new
    // card left out), sharing the texts with the document: cheap to take,
    // and safe to read on another thread while the document goes on.
    std::unique_ptr<TFichierX> Instantane() const;

    // ----- state
    bool EstModifie() const;
    QUndoStack &Pile() { return m_pile; }
    const QUndoStack &Pile() const { return m_pile; }
    // Undo and redo are refused while a new card waits for its validation.
    bool PeutDefaire() const { return m_provisoire < 0 && m_pile.canUndo(); }
    bool PeutRefaire() const { return m_provisoire < 0 && m_pile.canRedo(); }
    void Defaire();
    void Refaire();
    // Upper bound of the memory the history keeps (the file's own texts
    // shared by the steps are not counted).
    static constexpr qint64 MemoireMaximale = qint64(64) << 20;
    static constexpr int EtapesMaximales = 1000;
    qint64 MemoireHistorique() const { return m_memoire; }

    // ----- cards (each one step, named by the caller)
    // Stores the texts in a card as the model does (trimmed by the caller);
    // reclasser puts it back in order. Returns where the card now is. No
    // step when the card stays as it was.
    int ModifierFiche(int index, const QString &c0, const QString &c1, const QString &c2, bool reclasser,
                      const QString &nom);
    // A new card shown before it is validated: in the file, but no step and
    // no change. Returns its index.
    int InsererFicheProvisoire(int position);
    int FicheProvisoire() const { return m_provisoire; }
    // The new card validated with its texts: one step. Returns its index.
    int ValiderFicheProvisoire(const QString &c0, const QString &c1, const QString &c2, bool reclasser,
                               const QString &nom);
    void AbandonnerFicheProvisoire();
    void SupprimerFiche(int index, const QString &nom);
    // Cards inserted at position (-1: at the end), one step.
    void InsererFiches(int position, const std::vector<TFicheX> &fiches, const QString &nom);
    void RemplacerFiche(int index, const TFicheX &fiche, const QString &nom);
    void Trier(const QString &nom);
    void PermuterChamps(const QString &nom);
    // Any change of the file's properties (header, options, captions,
    // canvas, style sheet, type): modifier changes the file; one step when
    // something differs, or always when toujours (an OK that marks the file
    // even with the same values).
    void ModifierProprietes(const QString &nom, const std::function<void(TFichierX &)> &modifier,
                            bool toujours = false);

    // The window calls this while the user types in a card: the content
    // differs from the file without any step yet.
    void SignalerSaisie();

signals:
    // Another file (or none) is now the document.
    void fichierRemplace();
    void fichesInserees(int debut, int nombre);
    void fichesSupprimees(int debut, int nombre);
    void ficheModifiee(int index);
    void ficheDeplacee(int de, int vers);
    // Every card may have moved or changed (sort, switch of fields).
    void fichesReordonnees();
    void proprietesModifiees();
    void modifieChange(bool modifie);
    // The name or format changed (a save under another name).
    void nomChange();
    // Anything in the content changed, the card being typed included.
    void contenuChange();
    // An undo or redo touched this card (-1: no card in particular).
    void ficheAMontrer(int index);

private:
    friend class TEtape;
    TFichierX &F() { return *m_fichier; }
    void Pousser(class TEtape *etape);
    void SuivreEtat();
    int PlaceTriee(int index) const;

    std::unique_ptr<TFichierX> m_fichier;
    QUndoStack m_pile;
    bool m_horsPile = false; // modified by what no step made
    bool m_modifie = false;  // as last announced
    int m_provisoire = -1;
    bool m_enPoussee = false;
    qint64 m_memoire = 0;
    LecteurSaisie m_saisie;
};
