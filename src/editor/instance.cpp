#include "editor/instance.h"

#include "settings/init.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QFileInfo>
#include <QTimer>
#include <QStandardPaths>
#include <algorithm>
#include <vector>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

// Slots looked at; far more instances than anyone runs at once.
constexpr int NombreEmplacements = 16;
// How long a running instance may take to answer. It answers from its event
// loop, so only a hung instance comes near this.
constexpr int DelaiReponse = 3000;
// A request is a few paths; anything larger is not ours.
constexpr qsizetype TailleMaxRequete = 256 << 10;
// Connections read at once; a further one drops the oldest.
constexpr int MaxConnexions = 8;
// A connection that sends nothing for this long is dropped.
constexpr int DelaiInactivite = 5000;

QString Utilisateur()
{
#ifdef Q_OS_UNIX
    return QString::number(::getuid());
#else
    return qEnvironmentVariable("USERNAME");
#endif
}

bool LireLigne(QLocalSocket &socket, QByteArray &ligne)
{
    while (!socket.canReadLine()) {
        if (socket.state() != QLocalSocket::ConnectedState && socket.bytesAvailable() == 0)
            return false;
        if (!socket.waitForReadyRead(DelaiReponse))
            return false;
    }
    ligne = socket.readLine().trimmed();
    return true;
}

} // namespace

TInstances::TInstances(const QString &cle, QObject *parent) : QObject(parent), m_cle(cle)
{
    m_debut = QDateTime::currentMSecsSinceEpoch();
}

TInstances::~TInstances()
{
    if (m_serveur)
        m_serveur->close(); // removes the socket file
    m_verrou.reset();
}

QString TInstances::CleParDefaut()
{
    // Instances that share a settings store share the remembered files and the
    // preference: they are the ones that see each other.
    const QByteArray empreinte = QCryptographicHash::hash((Utilisateur() + u'\n' + CheminParametres()).toUtf8(),
                                                          QCryptographicHash::Sha1)
                                     .toHex()
                                     .left(12);
    return QStringLiteral("amblopad-%1-%2").arg(Utilisateur(), QString::fromLatin1(empreinte));
}

QString TInstances::NomEmplacement(int i) const
{
    const QString nom = QStringLiteral("%1-%2").arg(m_cle).arg(i);
#ifdef Q_OS_UNIX
    // In the user's own runtime folder when there is one, out of other users' reach.
    static const QString dossier = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (!dossier.isEmpty() && QDir(dossier).exists())
        return QDir(dossier).filePath(nom);
#endif
    return nom;
}

QString TInstances::NomServeur() const
{
    return m_serveur ? m_serveur->fullServerName() : QString();
}

QString TInstances::EchapperLigne(const QString &ligne)
{
    QString resultat;
    resultat.reserve(ligne.size());
    for (QChar c : ligne) {
        if (c == u'\\')
            resultat += QLatin1String("\\\\");
        else if (c == u'\n')
            resultat += QLatin1String("\\n");
        else if (c == u'\r')
            resultat += QLatin1String("\\r");
        else
            resultat += c;
    }
    return resultat;
}

QString TInstances::DesechapperLigne(const QString &ligne)
{
    QString resultat;
    resultat.reserve(ligne.size());
    for (qsizetype i = 0; i < ligne.size(); ++i) {
        const QChar c = ligne.at(i);
        if (c != u'\\' || i + 1 == ligne.size()) {
            resultat += c;
            continue;
        }
        const QChar suivant = ligne.at(++i);
        if (suivant == u'n')
            resultat += u'\n';
        else if (suivant == u'r')
            resultat += u'\r';
        else
            resultat += suivant;
    }
    return resultat;
}

bool TInstances::Interroger(const QString &nom, Pair &pair) const
{
    QLocalSocket socket;
    socket.connectToServer(nom);
    if (!socket.waitForConnected(DelaiReponse))
        return false;
    socket.write("STATE\n");
    if (!socket.waitForBytesWritten(DelaiReponse))
        return false;
    QByteArray reponse;
    if (!LireLigne(socket, reponse))
        return false;
    const QList<QByteArray> mots = reponse.split(' ');
    if (mots.size() < 3)
        return false;
    pair.nom = nom;
    pair.actif = mots.at(0) == "1";
    pair.debut = mots.at(1).toLongLong();
    pair.pid = mots.at(2).toLongLong();
    return true;
}

bool TInstances::Envoyer(const QString &nom, const QStringList &lignes) const
{
    QLocalSocket socket;
    socket.connectToServer(nom);
    if (!socket.waitForConnected(DelaiReponse))
        return false;
    QByteArray requete = "LINES " + QByteArray::number(lignes.size()) + '\n';
    for (const QString &ligne : lignes)
        requete += EchapperLigne(ligne).toUtf8() + '\n';
    socket.write(requete);
    if (!socket.waitForBytesWritten(DelaiReponse))
        return false;
    QByteArray reponse;
    return LireLigne(socket, reponse) && reponse == "OK";
}

bool TInstances::TransmettreSiActives(const QStringList &lignes)
{
    std::vector<Pair> pairs;
    for (int i = 0; i < NombreEmplacements; ++i) {
        const QString nom = NomEmplacement(i);
        if (m_serveur && m_serveur->fullServerName() == nom)
            continue;
        Pair pair;
        if (Interroger(nom, pair))
            pairs.push_back(pair);
    }
    m_nombreEnCours = int(pairs.size()) + 1;
    if (pairs.empty())
        return false;
    std::stable_sort(pairs.begin(), pairs.end(), [](const Pair &a, const Pair &b) {
        return a.debut != b.debut ? a.debut < b.debut : a.pid < b.pid;
    });
    for (const Pair &pair : pairs)
        if (!pair.actif)
            return false;
    // Every one wants to be the only one: the first takes the arguments. If
    // it cannot be reached after all, this instance runs on its own.
    return Envoyer(pairs.front().nom, lignes);
}

bool TInstances::Publier(bool actif)
{
    m_actif = actif;
    if (m_serveur)
        return true;
    for (int i = 0; i < NombreEmplacements; ++i) {
        const QString nom = NomEmplacement(i);
        // The lock says whose slot it is: a socket file alone cannot, since
        // listening replaces whatever socket is there.
        auto verrou = std::make_unique<QLockFile>(nom + QLatin1String(".lock"));
        verrou->setStaleLockTime(0); // held for the whole run; only a dead holder frees it
        if (!verrou->tryLock(0))
            continue;
        QLocalServer::removeServer(nom); // what a crashed instance left
        auto *serveur = new QLocalServer(this);
        serveur->setSocketOptions(QLocalServer::UserAccessOption);
        if (!serveur->listen(nom)) {
            delete serveur;
            continue;
        }
        m_serveur = serveur;
        m_verrou = std::move(verrou);
        OterEmplacementsAbandonnes(i);
        connect(serveur, &QLocalServer::newConnection, this, &TInstances::NouvelleConnexion);
        return true;
    }
    return false;
}

void TInstances::Abandonner(QLocalSocket *socket)
{
    m_tampons.remove(socket);
    m_ordre.removeOne(socket);
    socket->abort();
    socket->deleteLater();
}

void TInstances::OterEmplacementsAbandonnes(int occupe)
{
    // A killed instance leaves its socket and lock files: any slot whose lock
    // no living process holds is cleared now, not when a later start needs it.
    for (int i = occupe + 1; i < NombreEmplacements; ++i) {
        const QString nom = NomEmplacement(i);
        if (!QFileInfo::exists(nom + QLatin1String(".lock")) && !QFileInfo::exists(nom))
            continue;
        QLockFile verrou(nom + QLatin1String(".lock"));
        verrou.setStaleLockTime(0);
        if (!verrou.tryLock(0))
            continue; // a living instance
        QLocalServer::removeServer(nom);
        verrou.unlock(); // removes the lock file
    }
}

void TInstances::NouvelleConnexion()
{
    while (QLocalSocket *socket = m_serveur->nextPendingConnection()) {
        while (m_ordre.size() >= MaxConnexions)
            Abandonner(m_ordre.first());
        socket->setReadBufferSize(TailleMaxRequete + 1); // Qt itself holds no more than that
        m_tampons.insert(socket, QByteArray());
        m_ordre.append(socket);
        auto *inactivite = new QTimer(socket);
        inactivite->setSingleShot(true);
        inactivite->start(DelaiInactivite);
        connect(inactivite, &QTimer::timeout, this, [this, socket] {
            if (m_tampons.contains(socket))
                Abandonner(socket);
        });
        connect(socket, &QLocalSocket::readyRead, this, [this, socket, inactivite] {
            inactivite->start(DelaiInactivite);
            Lire(socket);
        });
        connect(socket, &QLocalSocket::disconnected, this, [this, socket] {
            m_tampons.remove(socket);
            m_ordre.removeOne(socket);
            socket->deleteLater();
        });
        if (socket->bytesAvailable() > 0)
            Lire(socket);
    }
}

void TInstances::Lire(QLocalSocket *socket)
{
    auto it = m_tampons.find(socket);
    if (it == m_tampons.end())
        return;
    QByteArray &tampon = it.value();
    tampon += socket->read(TailleMaxRequete + 1 - tampon.size());
    if (tampon.size() > TailleMaxRequete) {
        Abandonner(socket);
        return;
    }
    const qsizetype fin = tampon.indexOf('\n');
    if (fin < 0)
        return;
    const QByteArray entete = tampon.left(fin).trimmed();
    if (entete == "STATE") {
        m_tampons.erase(it);
        m_ordre.removeOne(socket);
        socket->write(QByteArray(m_actif ? "1 " : "0 ") + QByteArray::number(m_debut) + ' '
                      + QByteArray::number(QCoreApplication::applicationPid()) + '\n');
        socket->flush();
        socket->disconnectFromServer();
        return;
    }
    if (!entete.startsWith("LINES ")) {
        Abandonner(socket);
        return;
    }
    bool ok = false;
    const qsizetype nombre = entete.mid(6).toLongLong(&ok);
    if (!ok || nombre < 0 || nombre > TailleMaxRequete) {
        Abandonner(socket);
        return;
    }
    const QList<QByteArray> reste = tampon.mid(fin + 1).split('\n');
    // The last piece is what follows the last line break: not a line yet.
    if (reste.size() - 1 < nombre)
        return;
    QStringList lignes;
    for (qsizetype i = 0; i < nombre; ++i)
        lignes << DesechapperLigne(QString::fromUtf8(reste.at(i)));
    m_tampons.erase(it);
    m_ordre.removeOne(socket);
    socket->write("OK\n");
    socket->flush();
    socket->disconnectFromServer();
    emit LignesRecues(lignes);
}
