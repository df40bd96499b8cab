#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

class TBudgetMemoire;

// Zip archives in memory, for the formats that are packages (Anki, QTI,
// Common Cartridge). The only place that talks to libzip.
namespace Zip {

// A zip read from bytes. Every entry is read whole, its size checked against
// the reading's memory budget before anything is taken, so a bomb is refused
// and not inflated. The damaged message is raised (ErreurIdInvalide) for
// anything libzip will not read, including an entry whose bytes do not match
// its size or checksum.
class TLecture
{
public:
    TLecture(const QByteArray &octets, TBudgetMemoire &budget, const QString &pasUnZip, const QString &endommage);
    ~TLecture();
    TLecture(const TLecture &) = delete;
    TLecture &operator=(const TLecture &) = delete;

    qint64 Nombre() const;
    // The entry's name as stored (UTF-8, or CP437 made Unicode by libzip).
    QString Nom(qint64 index) const;
    // The index of the entry of that name, -1 when there is none.
    qint64 Chercher(const QString &nom) const;
    QByteArray Lire(qint64 index) const;
    // The entry of that name; raises the damaged message when it is missing.
    QByteArray Lire(const QString &nom) const;
    // The size the entry announces.
    quint64 Taille(qint64 index) const;
    // What the entries inflate to, counting only those that compress no
    // more than text does: a bomb's entries count for nothing.
    qint64 TailleDepliee() const;
    // An entry counted by TailleDepliee inflates to at most this many times
    // its compressed size.
    static constexpr quint64 TauxTexte = 200;

private:
    struct Prive;
    std::unique_ptr<Prive> d;
    [[noreturn]] void Endommage() const;
};

// A reference (an href of a manifest) made into an entry name: resolved
// against the folder of the entry it is read in, percent-escapes decoded.
// Empty when it leaves the archive (absolute, "..", a URL with a scheme).
QString Chemin(const QString &dossier, const QString &reference);
// The folder part of an entry name ("a/b.xml" -> "a/"), empty at the root.
QString Dossier(const QString &nom);

// A zip made of these entries, in order, deflated. Raises ErreurFichier with
// echec (whose %1 gets libzip's words) when it cannot be made.
QByteArray Ecrire(const std::vector<std::pair<QString, QByteArray>> &entrees, const QString &echec);
// The same, each entry's bytes made by contenu(index) on the thread that
// deflates it, while other threads make others: contenu must be safe to call
// from several threads at once. What it raises is raised here.
using Contenu = std::function<QByteArray(size_t)>;
QByteArray Ecrire(const QStringList &noms, const Contenu &contenu, const QString &echec);

}
