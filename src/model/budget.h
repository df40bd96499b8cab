#pragma once

#include <QString>
#include <QStringView>
#include <QtGlobal>
#include <atomic>

// The memory a reader may use for one file: 20 times the file's size, or
// 256 MB when that is more. A budget is counted while the file is read
// (cards as they are added, the XML parser's allocations) and checked before
// each allocation, so that a file whose content would not fit is refused with
// a message instead of exhausting memory.
//
// The budget in scope on a thread is the one charged; without one nothing is
// counted (cards added while editing). The threads of one reading share its
// budget: its count is atomic.
class TBudgetMemoire
{
public:
    explicit TBudgetMemoire(qint64 tailleFichier);
    // A share of that budget for another thread of the same reading, in
    // scope on it: takes from the shared count a block at a time, so that the
    // threads seldom meet there, and gives back what it holds unused at its end.
    explicit TBudgetMemoire(TBudgetMemoire &partage);
    ~TBudgetMemoire();
    TBudgetMemoire(const TBudgetMemoire &) = delete;
    TBudgetMemoire &operator=(const TBudgetMemoire &) = delete;

    static qint64 LimitePour(qint64 tailleFichier);
    // The file holds more than its size: a package's documents, inflated.
    // The limit becomes the one a file of that size would have, when larger.
    void Agrandir(qint64 tailleContenu);
    // Test seam: the floor of the limit (-1: the real 256 MB).
    static void InjecterPlancher(qint64 octets);
    qint64 Limite() const { return m_limite; }
    qint64 Pris() const { return m_pris.load(std::memory_order_relaxed); }
    quint64 Generation() const { return m_generation.load(std::memory_order_relaxed); }

    // Counts octets more; raises ErreurIdInvalide past the limit.
    void Prendre(qint64 octets);
    // The same without raising: false (and nothing counted) past the limit.
    bool Essayer(qint64 octets);
    void Rendre(qint64 octets);
    // Everything counted so far was freed: counts from nothing again (blocks
    // from before give nothing back when freed).
    void Recommencer();
    // Some allocation was turned down.
    bool Depasse() const { return m_depasse.load(std::memory_order_relaxed); }
    // The message of a refusal.
    QString Message() const;
    // Raises the refusal (after an allocation the budget turned down).
    [[noreturn]] void Refuser() const;

    // The budget in scope on this thread, if any.
    static TBudgetMemoire *Courant();
    // The most one card text read from a file may hold: far above any real
    // card, low enough for the editor to show it without stalling.
    static constexpr qsizetype MaxCaracteresTexte = 1000000;
    static constexpr qsizetype MaxLignesTexte = 100000;
    // What a card with these texts costs, for the current budget: raises
    // past the limit, or when a text holds more than the most above.
    static void CompterFiche(QStringView champ0, QStringView champ1, QStringView champ2);
    // Raises ErreurIdInvalide when a text holds more than the most above.
    static void VerifierTexte(QStringView texte);
    // The same for a text of that many characters, or lines, yet to be made.
    static void VerifierCaracteres(qsizetype caracteres);
    static void VerifierLignes(qsizetype lignes);
    // A text shared with one already counted: its characters cost nothing more.
    static void TextePartage(const QString &texte);
    static qint64 CoutTexte(QStringView texte);

private:
    qint64 m_limite;
    qint64 m_base;
    std::atomic<qint64> m_pris;
    std::atomic<bool> m_depasse{false};
    std::atomic<quint64> m_generation;
    TBudgetMemoire *m_precedent;
    // A share: the budget it takes from, and what it took from it.
    TBudgetMemoire *m_partage = nullptr;
    qint64 m_reserve = 0;
    bool EssayerPart(qint64 octets);
    void RendrePart(qint64 octets);
};
