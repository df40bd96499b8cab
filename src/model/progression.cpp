#include "model/progression.h"

#include <QCoreApplication>

namespace {

thread_local TProgression *t_courante = nullptr;

// Reports between two looks at the clock, and the time between two calls of
// the watcher: often enough for a window to repaint, rarely enough to cost
// nothing next to the work.
constexpr int ReportsParMesure = 64;
constexpr qint64 IntervalleMs = 40;

struct Progression
{
    Q_DECLARE_TR_FUNCTIONS(Progression)
};

} // namespace

ErreurAnnulation::ErreurAnnulation() : Erreur(Progression::tr("Cancelled.")) { }

TProgression::TProgression(Rappel rappel) : m_rappel(std::move(rappel)), m_precedente(t_courante)
{
    m_horloge.start();
    t_courante = this;
}

TProgression::~TProgression()
{
    t_courante = m_precedente;
}

bool TProgression::Continuer(qint64 fait, qint64 total)
{
    TProgression *p = t_courante;
    if (!p)
        return true;
    if (p->m_annulee)
        return false;
    if (fait >= 0) {
        p->m_fait = fait;
        p->m_total = total;
    }
    if (--p->m_compte > 0 || p->m_dansRappel)
        return true;
    p->m_compte = ReportsParMesure;
    const qint64 maintenant = p->m_horloge.elapsed();
    if (p->m_dernierAppel >= 0 && maintenant - p->m_dernierAppel < IntervalleMs)
        return true;
    p->m_dansRappel = true; // the watcher may run events that report in turn
    const bool suite = p->m_rappel(p->m_fait, p->m_total);
    p->m_dansRappel = false;
    p->m_dernierAppel = p->m_horloge.elapsed();
    p->m_annulee = !suite;
    return suite;
}

void TProgression::Avancer(qint64 fait, qint64 total)
{
    if (!Continuer(fait, total))
        throw ErreurAnnulation();
}

bool TProgression::Annulee()
{
    return t_courante && t_courante->m_annulee;
}

bool TProgression::EnCours()
{
    return t_courante != nullptr;
}
