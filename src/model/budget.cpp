#include "model/budget.h"

#include "model/erreurs.h"
#include "model/fichierx.h"
#include "model/progression.h"

#include <QCoreApplication>
#include <atomic>

namespace {

constexpr qint64 Facteur = 20;
constexpr qint64 Plancher = qint64(256) << 20;
// Heap bookkeeping of one block (size header and alignment), as glibc keeps it.
constexpr qint64 EnteteBloc = 16;
// What a share of a budget takes from it at a time.
constexpr qint64 BlocPart = qint64(256) << 10;

qint64 g_plancher = -1;
thread_local TBudgetMemoire *t_courant = nullptr;
std::atomic<quint64> g_generations{0};

struct Budget
{
    Q_DECLARE_TR_FUNCTIONS(Budget)
};

} // namespace

TBudgetMemoire::TBudgetMemoire(qint64 tailleFichier)
    : m_limite(LimitePour(tailleFichier)), m_base(qMax<qint64>(0, tailleFichier)), m_pris(m_base),
      m_generation(++g_generations), m_precedent(t_courant)
{
    // The file's bytes are held while it is read: they count too.
    t_courant = this;
}

TBudgetMemoire::TBudgetMemoire(TBudgetMemoire &partage)
    : m_limite(partage.m_limite), m_base(0), m_pris(0), m_generation(partage.Generation()), m_precedent(t_courant),
      m_partage(&partage)
{
    t_courant = this;
}

TBudgetMemoire::~TBudgetMemoire()
{
    if (m_partage)
        m_partage->Rendre(m_reserve - Pris());
    t_courant = m_precedent;
}

qint64 TBudgetMemoire::LimitePour(qint64 tailleFichier)
{
    return qMax(g_plancher >= 0 ? g_plancher : Plancher, qMax<qint64>(0, tailleFichier) * Facteur);
}

void TBudgetMemoire::Agrandir(qint64 tailleContenu)
{
    m_limite = qMax(m_limite, LimitePour(tailleContenu));
}

void TBudgetMemoire::InjecterPlancher(qint64 octets)
{
    g_plancher = octets;
}

bool TBudgetMemoire::EssayerPart(qint64 octets)
{
    const qint64 pris = Pris();
    if (octets > m_reserve - pris) {
        // A block ahead when the shared budget has room for it, else just what is missing.
        const qint64 manque = octets - (m_reserve - pris);
        if (m_partage->Essayer(manque + BlocPart)) {
            m_reserve += manque + BlocPart;
        } else if (m_partage->Essayer(manque)) {
            m_reserve += manque;
        } else {
            m_depasse = true;
            return false;
        }
    }
    m_pris.store(pris + octets, std::memory_order_relaxed);
    return true;
}

void TBudgetMemoire::RendrePart(qint64 octets)
{
    const qint64 pris = qMax<qint64>(0, Pris() - octets);
    m_pris.store(pris, std::memory_order_relaxed);
    if (m_reserve - pris > 2 * BlocPart) {
        m_partage->Rendre(m_reserve - pris - BlocPart);
        m_reserve = pris + BlocPart;
    }
}

bool TBudgetMemoire::Essayer(qint64 octets)
{
    if (m_partage)
        return EssayerPart(octets);
    // Every reader passes here as it grows: where a long read is seen and
    // stopped. Stopping turns the allocation down like a budget run out.
    qint64 pris = m_pris.load(std::memory_order_relaxed);
    if (octets > m_limite - pris || !TProgression::Continuer()) {
        m_depasse = true;
        return false;
    }
    // Another thread of the reading may have taken some meanwhile.
    while (!m_pris.compare_exchange_weak(pris, pris + octets, std::memory_order_relaxed)) {
        if (octets > m_limite - pris) {
            m_depasse = true;
            return false;
        }
    }
    return true;
}

void TBudgetMemoire::Prendre(qint64 octets)
{
    if (!Essayer(octets))
        Refuser();
}

void TBudgetMemoire::Rendre(qint64 octets)
{
    if (m_partage) {
        RendrePart(octets);
        return;
    }
    qint64 pris = m_pris.load(std::memory_order_relaxed);
    while (!m_pris.compare_exchange_weak(pris, qMax<qint64>(m_base, pris - octets), std::memory_order_relaxed)) { }
}

void TBudgetMemoire::Recommencer()
{
    m_pris = m_base;
    m_depasse = false;
    m_generation = ++g_generations;
}

QString TBudgetMemoire::Message() const
{
    return Budget::tr("This file would need more than %1 MB of memory: a file may use at most "
                      "20 times its size, or 256 MB.")
        .arg(m_limite >> 20);
}

void TBudgetMemoire::Refuser() const
{
    if (TProgression::Annulee())
        throw ErreurAnnulation();
    throw ErreurIdInvalide(Message());
}

TBudgetMemoire *TBudgetMemoire::Courant()
{
    return t_courant;
}

qint64 TBudgetMemoire::CoutTexte(QStringView texte)
{
    return 2 * texte.size();
}

void TBudgetMemoire::VerifierCaracteres(qsizetype caracteres)
{
    if (caracteres > MaxCaracteresTexte)
        throw ErreurIdInvalide(Budget::tr("A card text in this file holds more than %L1 characters: the file is "
                                          "refused.")
                                   .arg(MaxCaracteresTexte));
}

void TBudgetMemoire::VerifierLignes(qsizetype lignes)
{
    if (lignes > MaxLignesTexte)
        throw ErreurIdInvalide(
            Budget::tr("A card text in this file holds more than %L1 lines: the file is refused.").arg(MaxLignesTexte));
}

void TBudgetMemoire::VerifierTexte(QStringView texte)
{
    VerifierCaracteres(texte.size());
    // Fewer characters than the most lines: no need to count them.
    if (texte.size() <= MaxLignesTexte)
        return;
    qsizetype lignes = 1;
    for (qsizetype i = 0; i < texte.size(); ++i) {
        const QChar c = texte.at(i);
        if (c == u'\n' || (c == u'\r' && (i + 1 == texte.size() || texte.at(i + 1) != u'\n')))
            ++lignes;
    }
    VerifierLignes(lignes);
}

void TBudgetMemoire::CompterFiche(QStringView champ0, QStringView champ1, QStringView champ2)
{
    if (!t_courant)
        return;
    VerifierTexte(champ0);
    VerifierTexte(champ1);
    VerifierTexte(champ2);
    // A card is a pointer in the list (three times while the list grows: the
    // old array, the new one and its spare room) and, unless its texts are all
    // empty, one block: header, three lengths, the texts and their nulls.
    const qint64 textes = CoutTexte(champ0) + CoutTexte(champ1) + CoutTexte(champ2);
    t_courant->Prendre(3 * qint64(sizeof(TFicheX)) + (textes > 0 ? EnteteBloc + 16 + 12 + textes + 6 : 0));
}

void TBudgetMemoire::TextePartage(const QString &texte)
{
    if (t_courant)
        t_courant->Rendre(CoutTexte(texte));
}
