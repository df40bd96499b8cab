#pragma once

#include "model/options.h"

#include <QChar>
#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QThreadPool>
#include <QTimer>
#include <functional>
#include <memory>
#include <vector>

class QLockFile;
class TDocument;
class TFichierX;

// A recovery copy whose editor is gone, locked by this process while it
// decides what becomes of it.
struct TCopieRecuperation
{
    QString Base;    // the copy's path without its extension
    QString Nom;     // the file the cards came from (empty: a new file)
    QChar Format;    // its format letter
    QChar Type;      // its type letter
    QDateTime Heure; // when the copy was written
    // What the XML text does not carry as the file had it.
    QString VersionCreation;
    int PageCode = -1; // -1: as read
    std::shared_ptr<QLockFile> Verrou;
};

// The recovery copy of one document: while the document holds work a crash
// would lose, its cards are written, in the XML format, a few seconds after
// a change, under the user's data folder ("recovery/"). Beside the cards a
// small description gives the file's name, format, type and the time; a
// lock file held while the editor runs tells the copies of running editors
// from those a crash left. The copy goes once the work is saved or given up,
// and when the editor ends.
//
// The cards are taken on this thread (a copy sharing their texts) and
// written on a thread of their own, so that typing never waits for a copy.
class TRecuperation : public QObject
{
    Q_OBJECT

public:
    // options gives, when a copy is made, the user's options as they stand.
    TRecuperation(TDocument &document, std::function<TOptions()> options, QObject *parent = nullptr);
    ~TRecuperation() override;

    // The folder of the copies.
    static QString Dossier();
    // The longest time between a change and the copy's writing starts.
    static constexpr int DelaiMs = 3000;
    // Test seam: another delay (-1: the real one).
    static void InjecterDelai(int ms);

    // The copies whose editor is gone, oldest first, each locked for this
    // process. Copies whose description cannot be read are set aside
    // (NAME.damaged): their paths are added to endommagees.
    static std::vector<TCopieRecuperation> Abandonnees(QStringList &endommagees);
    // The copy's cards, bound to the file they came from, modified. Raises
    // Erreur when the copy cannot be read.
    static std::unique_ptr<TFichierX> Lire(const TCopieRecuperation &copie, const TOptions &options = TOptions());
    // Renames a copy that cannot be read aside; returns the cards' new path.
    static QString Ecarter(TCopieRecuperation &copie);
    static void Supprimer(TCopieRecuperation &copie);
    // Lets the copy be, for a later start.
    static void Laisser(TCopieRecuperation &copie);

    // The document's copy is now that one (the cards recovered from it):
    // it is written over, and goes as this document's own would.
    void Adopter(TCopieRecuperation copie);
    // The document's copy's cards (written or not yet).
    QString Chemin() const;
    // Waits for the writes and removals under way.
    void Attendre();

signals:
    // The writing thread finished a copy, or removed it.
    void copieEcrite(bool reussie);
    void copieRetiree();

private:
    void Planifier(int delai);
    void Evaluer();
    bool Verrouiller();
    void Retirer();
    // Removes this document's copy and lets its lock go.
    void Lacher();
    void EcritureFinie(bool reussie);

    TDocument &m_document;
    std::function<TOptions()> m_options;
    QTimer m_minuterie;
    QThreadPool m_fil;
    QString m_base;
    std::shared_ptr<QLockFile> m_verrou;
    bool m_copie = false;    // a copy may be on disk
    bool m_enCours = false;  // a copy is being written
    bool m_aRefaire = false; // changes came while it was
};
