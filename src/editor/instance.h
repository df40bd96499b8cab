#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

class QLocalServer;
class QLocalSocket;
class QLockFile;

// The running instances of the program that share one settings store see
// each other through local sockets: each publishes its activity flag ("unique
// instance" as read at its start), and a new instance whose predecessors all
// have it on hands them its arguments and ends.
//
// Each instance listens on the first free slot among a few numbered socket
// names. A slot is taken with a lock file beside its socket, which a crashed
// instance's lock does not block; the socket it left is replaced. Requests are lines of UTF-8:
//   "STATE"            -> "<flag 0|1> <start time ms> <pid>"
//   "LINES <n>" + n lines (escaped) -> "OK" once all are read
class TInstances : public QObject
{
    Q_OBJECT

public:
    // cle names the group of instances; by default one per user and settings store.
    explicit TInstances(const QString &cle = CleParDefaut(), QObject *parent = nullptr);
    ~TInstances() override;

    static QString CleParDefaut();

    // Asks the running instances, earliest started first, for their flag.
    // When there is at least one and every one has it on, the first one is
    // handed the lines and true is returned: this instance is to end.
    // Also counts the running instances.
    bool TransmettreSiActives(const QStringList &lignes);

    // Starts answering the others with this activity flag.
    bool Publier(bool actif);

    // Running instances, this one included, as counted by TransmettreSiActives.
    int NombreEnCours() const { return m_nombreEnCours; }
    bool Actif() const { return m_actif; }
    // The socket name this instance answers on (empty before Publier).
    QString NomServeur() const;
    // Connections being read now.
    int ConnexionsOuvertes() const { return int(m_tampons.size()); }

    // The arguments of a later instance, one per line.
    static QString EchapperLigne(const QString &ligne);
    static QString DesechapperLigne(const QString &ligne);

signals:
    void LignesRecues(const QStringList &lignes);

private:
    struct Pair
    {
        QString nom;
        bool actif = false;
        qint64 debut = 0;
        qint64 pid = 0;
    };
    QString NomEmplacement(int i) const;
    // The instance on a slot, if one answers.
    bool Interroger(const QString &nom, Pair &pair) const;
    bool Envoyer(const QString &nom, const QStringList &lignes) const;
    void NouvelleConnexion();
    void Abandonner(QLocalSocket *socket);
    void OterEmplacementsAbandonnes(int occupe);
    void Lire(QLocalSocket *socket);

    QString m_cle;
    QLocalServer *m_serveur = nullptr;
    std::unique_ptr<QLockFile> m_verrou;
    bool m_actif = false;
    int m_nombreEnCours = 1;
    qint64 m_debut = 0;
    QHash<QLocalSocket *, QByteArray> m_tampons;
    QList<QLocalSocket *> m_ordre; // connections being read, oldest first
};
