// QTI 1.2 packages and cartridges. The first byte picks what the rest is:
// 0 the zip itself; 1 a questestinterop document, packaged here with a
// manifest naming it (the zip's checksums would otherwise stop every change
// before the XML reader sees it); 2 a manifest, packaged with a document.
#include "commun.h"
#include "formats/qti/qti12.h"
#include "formats/zip.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *donnees, size_t taille)
{
    if (taille < 1)
        return 0;
    const int mode = donnees[0] % 3;
    const QByteArray reste = Fuzz::Octets(donnees + 1, taille - 1);
    const QByteArray manifeste("<manifest><resources><resource identifier=\"r\" type=\"imsqti_xmlv1p2\">"
                               "<file href=\"a/q.xml\"/></resource></resources></manifest>");
    const QByteArray document("<questestinterop><item ident=\"i\"><presentation><material><mattext>Q</mattext>"
                              "</material><response_lid ident=\"r\"><render_choice><response_label ident=\"1\">"
                              "<material><mattext>A</mattext></material></response_label></render_choice>"
                              "</response_lid></presentation></item></questestinterop>");
    Fuzz::Essayer([&] {
        QByteArray octets = reste;
        if (mode == 1)
            octets = Zip::Ecrire({{QStringLiteral("imsmanifest.xml"), manifeste}, {QStringLiteral("a/q.xml"), reste}},
                                 QStringLiteral("%1"));
        else if (mode == 2)
            octets = Zip::Ecrire({{QStringLiteral("imsmanifest.xml"), reste}, {QStringLiteral("a/q.xml"), document}},
                                 QStringLiteral("%1"));
        else if (!octets.startsWith("PK"))
            return;
        auto f = Qti12::Lire(octets, nullptr);
        Fuzz::Parcourir(*f);
        Qti12::EcrirePaquet(*f, Qti12::Profil::Cartouche, QStringLiteral("x.imscc"), nullptr);
    });
    return 0;
}
