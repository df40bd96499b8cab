#include "formats/qti/qti21commun.h"

#include <QRegularExpression>

namespace Qti21 {

namespace {

// Moves a plain decimal's point by decalage places (right when positive);
// a null string for anything else.
QString Decaler(const QString &nombre, int decalage)
{
    // One per thread: items are written on several.
    thread_local const QRegularExpression decimal(QStringLiteral("^([+-]?)([0-9]*)(?:\\.([0-9]*))?$"));
    const QRegularExpressionMatch m = decimal.match(nombre.trimmed());
    if (!m.hasMatch() || (m.capturedLength(2) == 0 && m.capturedLength(3) == 0))
        return QString();
    QString chiffres = m.captured(2) + m.captured(3);
    qsizetype point = m.capturedLength(2) + decalage;
    while (point <= 0) {
        chiffres.prepend(u'0');
        ++point;
    }
    while (point > chiffres.size())
        chiffres.append(u'0');
    QString entier = chiffres.left(point);
    QString fraction = chiffres.mid(point);
    while (entier.size() > 1 && entier.startsWith(u'0'))
        entier.remove(0, 1);
    while (fraction.endsWith(u'0'))
        fraction.chop(1);
    QString resultat = fraction.isEmpty() ? entier : entier + u'.' + fraction;
    if (m.captured(1) == QLatin1String("-") && resultat != QLatin1String("0"))
        resultat.prepend(u'-');
    return resultat;
}

} // namespace

QString Pourcent(double valeur)
{
    if (!qIsFinite(valeur))
        valeur = 0;
    QString texte = QString::number(valeur, 'f', 5);
    while (texte.endsWith(u'0'))
        texte.chop(1);
    if (texte.endsWith(u'.'))
        texte.chop(1);
    return texte == QLatin1String("-0") ? QStringLiteral("0") : texte;
}

QString Fraction(const QString &pourcent)
{
    // The usual grades, asked for every answer, without the expression.
    if (pourcent == u"100")
        return QStringLiteral("1");
    if (pourcent == u"0")
        return QStringLiteral("0");
    const QString decale = Decaler(pourcent, -2);
    return decale.isNull() ? Pourcent(pourcent.toDouble() / 100) : decale;
}

QString EnPourcent(const QString &fraction)
{
    const QString decale = Decaler(fraction, 2);
    return decale.isNull() ? Pourcent(fraction.toDouble() * 100) : decale;
}

}
