#pragma once

// Windows 3.1 Cardfile files laid out byte by byte, for the tests that read,
// write or convert them.

#include <QByteArray>
#include <QString>

namespace OctetsCrd {

inline const QString MessageRefus = QStringLiteral("Not a valid Windows 3.1 Cardfile file!");

inline QByteArray Zeros(int n)
{
    return QByteArray(n, '\0');
}

inline QByteArray Mot(int valeur)
{
    QByteArray o;
    o += char(valeur & 0xFF);
    o += char((valeur >> 8) & 0xFF);
    return o;
}

inline QByteArray Long(quint32 valeur)
{
    return Mot(int(valeur & 0xFFFF)) + Mot(int(valeur >> 16));
}

// One 52-byte index entry; ligne may fill all 41 bytes of its field.
inline QByteArray Entree(quint32 offset, const QByteArray &ligne)
{
    QByteArray e = Zeros(6) + Long(offset) + Zeros(1) + ligne;
    return e + Zeros(52 - int(e.size()));
}

inline QByteArray Donnees(const QByteArray &texte)
{
    return Mot(0) + Mot(int(texte.size())) + texte;
}

// A card data block with a picture: bitmap length, width, height, X, Y, bitmap, text.
inline QByteArray DonneesImage(const QByteArray &bitmap, const QByteArray &texte)
{
    return Mot(int(bitmap.size())) + Mot(16) + Mot(8) + Mot(3) + Mot(4) + bitmap + Mot(int(texte.size())) + texte;
}

// Alpha/abc and Beta/defgh: texts of 3 and 5 bytes at 109 and 116.
inline QByteArray DeuxCartes()
{
    return QByteArray("MGC\x02\x00", 5) + Entree(109, "Alpha") + Entree(116, "Beta") + Donnees("abc")
        + Donnees("defgh");
}

// A picture card between two plain ones; the last text ends the file.
inline QByteArray AvecImage()
{
    const QByteArray image = DonneesImage(QByteArray::fromHex("ffeeddccbbaa998877"), "Photo");
    const quint32 d0 = 5 + 3 * 52;
    const quint32 d1 = d0 + 4 + 3;
    const quint32 d2 = d1 + quint32(image.size());
    return QByteArray("MGC\x03\x00", 5) + Entree(d0, "Anne") + Entree(d1, "Bruno") + Entree(d2, "Carla")
        + Donnees("one") + image + Donnees("three\r\nlines");
}

} // namespace OctetsCrd
