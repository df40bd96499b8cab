#pragma once

// Small helpers shared by the test executables.

#include "model/fichierx.h"
#include "settings/init.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QString>
#include <QTemporaryDir>
#include <QtTest>

namespace OutilsTest {

// Every test runs on its own settings file, never the user's.
inline void IsolerParametres(const QTemporaryDir &dossier)
{
    qputenv("AMBLOPAD_SETTINGS", QFile::encodeName(dossier.filePath(QStringLiteral("settings.ini"))));
    ParametresParDefaut();
}

inline QByteArray LireFichier(const QString &nom)
{
    QFile f(nom);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

inline bool EcrireFichier(const QString &nom, const QByteArray &octets)
{
    QFile f(nom);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return f.write(octets) == octets.size();
}

inline QString DonneesTest(const QString &relatif)
{
    return QStringLiteral(AMBLOPAD_TEST_DATA "/") + relatif;
}

// Spell checking reads the tests' own dictionaries and a personal word list
// inside the test's folder, never the user's.
inline void IsolerOrthographe(const QTemporaryDir &dossier)
{
    qputenv("DICPATH", QFile::encodeName(DonneesTest(QStringLiteral("hunspell"))));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dossier.filePath(QStringLiteral("config"))));
}

// amblopad-cli run as a process on its own settings file.
struct ResultatCli
{
    int code = -1; // -1 when it did not end normally
    QByteArray sortie;
    QByteArray erreurs;
};

inline ResultatCli LancerCli(const QStringList &arguments, const QString &parametres)
{
    QProcess processus;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("AMBLOPAD_SETTINGS"), parametres);
    processus.setProcessEnvironment(env);
    processus.start(QStringLiteral(AMBLOPAD_CLI), arguments);
    ResultatCli r;
    if (!processus.waitForFinished(120000) || processus.exitStatus() != QProcess::NormalExit)
        return r;
    r.code = processus.exitCode();
    r.sortie = processus.readAllStandardOutput();
    r.erreurs = processus.readAllStandardError();
    return r;
}

}
