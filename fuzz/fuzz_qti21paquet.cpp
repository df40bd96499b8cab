// QTI 2.1 packages. The first byte picks what the rest is: 0 the zip itself;
// 1 the manifest, zipped here with an item and a test (the zip's checksums
// would otherwise stop every change before the manifest is read); 2 the
// test, zipped with that manifest and item. What was read is written back.
#include "commun.h"
#include "formats/qti/qti21.h"
#include "formats/zip.h"

namespace {

const QByteArray Manifeste
    = "<manifest xmlns=\"http://www.imsglobal.org/xsd/imscp_v1p1\"><resources>"
      "<resource identifier=\"t\" type=\"imsqti_test_xmlv2p1\" href=\"test.xml\"/>"
      "<resource identifier=\"i\" type=\"imsqti_item_xmlv2p1\" href=\"items/i.xml\"/></resources></manifest>";
const QByteArray Test = "<assessmentTest xmlns=\"http://www.imsglobal.org/xsd/imsqti_v2p1\"><testPart>"
                        "<assessmentSection title=\"s\"><assessmentItemRef href=\"items/i.xml\"/>"
                        "</assessmentSection></testPart></assessmentTest>";
const QByteArray Item
    = "<assessmentItem xmlns=\"http://www.imsglobal.org/xsd/imsqti_v2p1\" title=\"t\">"
      "<responseDeclaration identifier=\"R\" cardinality=\"single\" baseType=\"identifier\">"
      "<correctResponse><value>A</value></correctResponse></responseDeclaration><itemBody>"
      "<choiceInteraction responseIdentifier=\"R\"><simpleChoice identifier=\"A\">a</simpleChoice>"
      "<simpleChoice identifier=\"B\">b</simpleChoice></choiceInteraction></itemBody></assessmentItem>";

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *donnees, size_t taille)
{
    if (taille < 1)
        return 0;
    const QByteArray reste = Fuzz::Octets(donnees + 1, taille - 1);
    Fuzz::Essayer([&] {
        QByteArray paquet;
        if (donnees[0] == 1)
            paquet = Zip::Ecrire({{QStringLiteral("imsmanifest.xml"), reste},
                                  {QStringLiteral("test.xml"), Test},
                                  {QStringLiteral("items/i.xml"), Item}},
                                 QStringLiteral("%1"));
        else if (donnees[0] == 2)
            paquet = Zip::Ecrire({{QStringLiteral("imsmanifest.xml"), Manifeste},
                                  {QStringLiteral("test.xml"), reste},
                                  {QStringLiteral("items/i.xml"), Item}},
                                 QStringLiteral("%1"));
        else
            paquet = reste;
        auto f = TFichierQti21::LirePaquet(paquet, nullptr);
        Fuzz::Parcourir(*f);
        TFichierQti21::EcrirePaquet(*f, nullptr);
    });
    return 0;
}
