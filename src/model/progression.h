#pragma once

#include "model/erreurs.h"

#include <QElapsedTimer>
#include <QtGlobal>
#include <functional>

// The user stopped a long open or save: nothing was changed.
class ErreurAnnulation : public Erreur
{
public:
    ErreurAnnulation();
};

// How far a long open or save got, for whoever watches it on this thread
// (the editor's progress dialog), and whether it should stop. Readers and
// writers report from their loops through the static functions, which cost
// a test of a thread-local pointer when nobody watches; the memory budget's
// checks report too, so every reader can be stopped.
class TProgression
{
public:
    // Told how far the work got (fait out of total; total 0 while unknown),
    // at the first report and then a few times a second at most. Returns
    // false to stop the work.
    using Rappel = std::function<bool(qint64 fait, qint64 total)>;

    explicit TProgression(Rappel rappel);
    ~TProgression();
    TProgression(const TProgression &) = delete;
    TProgression &operator=(const TProgression &) = delete;

    // Reports; raises ErreurAnnulation once the watcher asked to stop.
    static void Avancer(qint64 fait, qint64 total);
    // The same under C frames, which nothing may cross: false to stop
    // (fait -1: a step of unknown size).
    static bool Continuer(qint64 fait = -1, qint64 total = 0);
    // The watcher of this thread asked to stop.
    static bool Annulee();
    // An open or save is being watched on this thread.
    static bool EnCours();

private:
    Rappel m_rappel;
    QElapsedTimer m_horloge;
    qint64 m_dernierAppel = -1;
    qint64 m_fait = 0;
    qint64 m_total = 0;
    int m_compte = 0;
    bool m_annulee = false;
    bool m_dansRappel = false;
    TProgression *m_precedente;
};
