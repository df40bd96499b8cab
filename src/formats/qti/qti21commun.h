#pragma once

// What the QTI 2.1 writer and reader share: names, paths and grades.

#include <QByteArray>
#include <QCoreApplication>
#include <QString>

namespace Qti21 {

// The messages' translation context.
struct Messages
{
    Q_DECLARE_TR_FUNCTIONS(Qti21)
};

inline const QByteArray EspaceItems = QByteArrayLiteral("http://www.imsglobal.org/xsd/imsqti_v2p1");
inline const QByteArray ModeleCorrect = QByteArrayLiteral(
    "http://www.imsglobal.org/question/qti_v2p1/rptemplates/match_correct");
inline const QByteArray ModeleMapping = QByteArrayLiteral(
    "http://www.imsglobal.org/question/qti_v2p1/rptemplates/map_response");
// The toolName of the items this program writes.
constexpr const char *NomOutil = "Amblopad";
// The identifier of the general feedback, as Canvas names it.
constexpr const char *FeedbackGeneral = "general_fb";

inline const QString CheminManifeste = QStringLiteral("imsmanifest.xml");
inline const QString CheminTest = QStringLiteral("test.xml");
inline QString CheminItem(const QString &identifiant)
{
    return QStringLiteral("items/") + identifiant + QStringLiteral(".xml");
}
inline QString IdentifiantChoix(int i)
{
    return QStringLiteral("C%1").arg(i + 1);
}

// A grade in percent as a fraction of the score ("50" -> "0.5"), and back
// ("0.5" -> "50"), moving the decimal point so that no digit changes.
// Anything that is not a plain decimal is read as a number first.
QString Fraction(const QString &pourcent);
QString EnPourcent(const QString &fraction);
// A percentage with at most five decimals, no trailing zeros.
QString Pourcent(double valeur);

}
