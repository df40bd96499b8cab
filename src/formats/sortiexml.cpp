#include "formats/sortiexml.h"

#include "model/outils.h"

#include <QChar>

namespace SortieXml {

void Ajouter(QByteArray &sortie, QStringView s, Contexte contexte)
{
    // Room for the longest form of every UTF-16 unit ("&quot;", or a '>'
    // ending a section split), then cut to size.
    const qsizetype debut = sortie.size();
    sortie.resize(debut + s.size() * 6);
    char *p = sortie.data() + debut;
    const auto copier = [&p](const char *litteral) {
        while (*litteral)
            *p++ = *litteral++;
    };
    for (qsizetype i = 0; i < s.size(); ++i) {
        char32_t c = s[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < s.size() && s[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(s[i], s[i + 1]);
            ++i;
        } else if (QChar::isSurrogate(c)) {
            c = u'?';
        }
        switch (c) {
        case '&':
            if (contexte != Contexte::CData) {
                copier("&amp;");
                continue;
            }
            break;
        case '<':
            if (contexte != Contexte::CData) {
                copier("&lt;");
                continue;
            }
            break;
        case '>':
            if (contexte != Contexte::CData) {
                copier("&gt;");
                continue;
            }
            if (p - sortie.constData() - debut >= 2 && p[-1] == ']' && p[-2] == ']')
                copier("]]><![CDATA[");
            break;
        case '"':
        case '\t':
        case '\n':
        case '\r':
            // Attribute value normalisation would turn these into spaces.
            if (contexte == Contexte::Attribut) {
                copier(c == '"' ? "&quot;" : c == '\t' ? "&#9;" : c == '\n' ? "&#10;" : "&#13;");
                continue;
            }
            break;
        default:
            break;
        }
        if (!EstCaractereXml(c))
            continue;
        if (c < 0x80) {
            *p++ = char(c);
        } else if (c < 0x800) {
            *p++ = char(0xC0 | (c >> 6));
            *p++ = char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            *p++ = char(0xE0 | (c >> 12));
            *p++ = char(0x80 | ((c >> 6) & 0x3F));
            *p++ = char(0x80 | (c & 0x3F));
        } else {
            *p++ = char(0xF0 | (c >> 18));
            *p++ = char(0x80 | ((c >> 12) & 0x3F));
            *p++ = char(0x80 | ((c >> 6) & 0x3F));
            *p++ = char(0x80 | (c & 0x3F));
        }
    }
    sortie.truncate(p - sortie.constData());
}

}
