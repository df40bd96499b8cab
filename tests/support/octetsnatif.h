#pragma once

// Native card files laid out byte by byte from the record layout, never taken
// from the writer, for the tests that read, write or convert them.

#include <QByteArray>
#include <QString>

namespace OctetsNatif {

inline const QString Invalide = QStringLiteral("Not a valid native Amblorine file!");

// A short string of max characters: length byte, text, zero fill.
inline QByteArray Court(const QByteArray &texte, int max)
{
    Q_ASSERT(texte.size() <= max);
    return char(texte.size()) + texte + QByteArray(max - texte.size(), '\0');
}

inline QByteArray Bloc(const QByteArray &texte)
{
    return Court(texte, 60);
}

inline QByteArray Queue(qint32 a, qint32 b, qint32 c, qint32 d)
{
    QByteArray q;
    for (qint32 v : {a, b, c, d})
        for (int i = 0; i < 4; ++i)
            q += char((quint32(v) >> (8 * i)) & 0xFF);
    return q;
}

// The header block of an ANSI file in code page 1252 with nothing else set;
// tests fill in the other offsets themselves.
inline QByteArray Entete(char type, char id1, char id2, int blocs1, int blocs2)
{
    QByteArray h(61, '\0');
    h[0] = 60;
    h[1] = char(0xC1);
    h[2] = 'Q';
    h[5] = type;
    h[6] = id1;
    h[7] = id2;
    h[32] = char(blocs1);
    h[33] = char(blocs2);
    h[57] = char(0xE4); // 1252 = 0x04E4
    h[58] = 0x04;
    return h;
}

inline void Placer(QByteArray &h, int position, const QByteArray &octets)
{
    h.replace(position, octets.size(), octets);
}

// An 'N' file of three cards whose records are stored out of order: the chain
// runs 2 -> 3 -> 1, so the cards read B, C, A.
inline QByteArray FichierDesordre()
{
    QByteArray h = Entete('N', 'O', 'C', 1, 1);
    h[30] = ' ';
    Placer(h, 34, Court("Moi", 18));
    return Bloc("Lettres") + h + Queue(0, 0, 3, 2) + Bloc("A") + Bloc("a") + Queue(1, 0, 3, 0) + Bloc("B") + Bloc("b")
        + Queue(2, 0, 0, 3) + Bloc("C") + Bloc("c") + Queue(3, 0, 2, 1);
}

// The same cards as the writer stores them: list order, records 1, 2, 3.
inline QByteArray FichierDesordreRange()
{
    QByteArray h = Entete('N', 'O', 'C', 1, 1);
    h[30] = ' ';
    Placer(h, 34, Court("Moi", 18));
    return Bloc("Lettres") + h + Queue(0, 0, 3, 1) + Bloc("B") + Bloc("b") + Queue(1, 0, 0, 2) + Bloc("C") + Bloc("c")
        + Queue(2, 0, 1, 3) + Bloc("A") + Bloc("a") + Queue(3, 0, 2, 0);
}

// tests/data/natif/ancien_oem.aqq rewritten: ANSI signature, code page 1252,
// texts converted, options carried over.
inline QByteArray AncienOemEnAnsi()
{
    QByteArray h = Entete('Q', 'Q', 'R', 2, 1);
    h[3] = 5;
    h[4] = 2;
    Placer(h, 8, Court("ou .,;!?", 15));
    h[24] = 'O';
    h[25] = 'O'; // 'Y' read as yes: not phonetic, written back as 'O'
    h[26] = 'N';
    h[27] = 10;
    h[28] = 'N';
    h[29] = 'O'; // 'J' read as yes
    h[30] = ';';
    h[31] = 'N';
    Placer(h, 34, Court("Fran\xE7ois", 18));
    h[53] = '/';
    h[54] = 'N';
    h[55] = 10;
    h[56] = 45;
    h[59] = '(';
    h[60] = '*';
    return Bloc("G\xE9ographie") + h + Bloc("le la les \xE0") + Queue(0, 0, 2, 1)
        + Bloc("Capitale de la Su\xE8"
               "de ?")
        + Bloc("") + Bloc("Stockholm") + Queue(1, 0, 0, 2) + Bloc("Capitale du Danemark ?") + Bloc("")
        + Bloc("Copenhague") + Queue(2, 0, 1, 0);
}

} // namespace OctetsNatif
