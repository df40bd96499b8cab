#pragma once

#include <QByteArray>
#include <QString>
#include <memory>

// The open file a document keeps: locked against other Amblopad processes for
// as long as the document lives (exclusive when writable, shared when read-only).
class TFlux
{
public:
    // Raises ErreurFichier with the system's message, or when another
    // process holds the file.
    static std::unique_ptr<TFlux> Ouvrir(const QString &nom, bool ecriture);
    ~TFlux();
    TFlux(const TFlux &) = delete;
    TFlux &operator=(const TFlux &) = delete;

    const QString &Nom() const { return m_nom; }
    bool Ecriture() const { return m_ecriture; }
    qint64 Taille() const;
    // Reads up to taille bytes from position; fewer at the end of the file.
    QByteArray Lire(qint64 position, qint64 taille) const;
    QByteArray LireTout() const;

    // Writes contenu completely to a temporary file beside nom, then puts it
    // in nom's place; the previous file stays intact on any failure. A file
    // with other hard links, or whose owner a new file could not be given, is
    // rewritten in place after a copy of its old content is made beside it;
    // a copy that a kill left behind is put back by the next Ouvrir or
    // Remplacer of that name.
    // fluxActuel is the document's own stream (its lock is not a conflict).
    // Returns the new file, open for writing and locked.
    static std::unique_ptr<TFlux> Remplacer(const QString &nom, const QByteArray &contenu, const TFlux *fluxActuel);

    // Test seam: make the next writes fail after this many bytes (-1: never).
    static void InjecterEchecEcriture(qint64 apresOctets);
    // Test seam: call arret once the next save has written this many bytes
    // of the new content (a helper process waits there to be killed).
    static void InjecterArret(qint64 apresOctets, void (*arret)());

    // The largest file read into memory (1 GB); larger ones are refused.
    static qint64 TailleMaximale();
    // Test seam: another largest size (-1: the real one).
    static void InjecterTailleMaximale(qint64 octets);

private:
    TFlux(const QString &nom, bool ecriture, intptr_t descripteur);
    QString m_nom;
    bool m_ecriture;
    mutable intptr_t m_descripteur; // -1 once handed back
};

// The read-only attribute: the owner's write permission is off.
bool EstLectureSeule(const QString &nom);
// This process may not write the file (permissions, another owner), though it
// exists: it can only be opened read-only.
bool EcritureInterdite(const QString &nom);
// The file lies on a file system mounted read-only.
bool SystemeLectureSeule(const QString &nom);
void DefinirLectureSeule(const QString &nom, bool lectureSeule);
bool FichierExiste(const QString &nom);
