#pragma once

// Small helpers shared by the test executables.

#include "model/fichierx.h"
#include "settings/init.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
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

inline QString Partage(const QString &relatif)
{
    return QStringLiteral(AMBLOPAD_SHARED "/") + relatif;
}

}
