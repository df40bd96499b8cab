#include "editor/instance.h"

#include "settings/init.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
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
constexpr qsizetype TailleMaxRequete = 1 << 20;

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
    const QByteArray empreinte =
        QCryptographicHash::hash((Utilisateur() + u'\n' + CheminParametres()).toUtf8(),
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
        connect(serveur, &QLocalServer::newConnection, this, &TInstances::NouvelleConnexion);
        return true;
    }
    return false;
}

void TInstances::NouvelleConnexion()
{
    while (QLocalSocket *socket = m_serveur->nextPendingConnection()) {
        m_tampons.insert(socket, QByteArray());
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { Lire(socket); });
        connect(socket, &QLocalSocket::disconnected, this, [this, socket] {
            m_tampons.remove(socket);
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
    tampon += socket->readAll();
    if (tampon.size() > TailleMaxRequete) {
        m_tampons.erase(it);
        socket->abort();
        return;
    }
    const qsizetype fin = tampon.indexOf('\n');
    if (fin < 0)
        return;
    const QByteArray entete = tampon.left(fin).trimmed();
    if (entete == "STATE") {
        m_tampons.erase(it);
        socket->write(QByteArray(m_actif ? "1 " : "0 ") + QByteArray::number(m_debut) + ' '
                      + QByteArray::number(QCoreApplication::applicationPid()) + '\n');
        socket->flush();
        socket->disconnectFromServer();
        return;
    }
    if (!entete.startsWith("LINES ")) {
        m_tampons.erase(it);
        socket->abort();
        return;
    }
    bool ok = false;
    const qsizetype nombre = entete.mid(6).toLongLong(&ok);
    if (!ok || nombre < 0 || nombre > TailleMaxRequete) {
        m_tampons.erase(it);
        socket->abort();
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
    socket->write("OK\n");
    socket->flush();
    socket->disconnectFromServer();
    emit LignesRecues(lignes);
}
