// Anki packages and Anki text: export, import, and the refusal of damaged
// or hostile packages. Packages are built here with SQLite, libzip and zstd
// and read back with them, never compared with stored files.
#include "formats/anki/anki.h"
#include "formats/pertes.h"
#include "formats/html.h"
#include "formats/table.h"
#include "model/budget.h"
#include "model/erreurs.h"
#include "model/fichierx.h"
#include "formats/questions.h"
#include "outilstest.h"
#include "verifanki.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

#include <sqlite3.h>
#include <zip.h>
#include <zstd.h>

namespace {

const QChar Sep = QChar(0x1F);

// ---- packages built and taken apart here

QByteArray Zipper(const QList<QPair<QByteArray, QByteArray>> &entrees)
{
    zip_error_t e;
    zip_error_init(&e);
    zip_source_t *tampon = zip_source_buffer_create(nullptr, 0, 0, &e);
    zip_t *z = zip_open_from_source(tampon, ZIP_TRUNCATE, &e);
    zip_source_keep(tampon);
    for (const auto &[nom, octets] : entrees) {
        zip_source_t *s = zip_source_buffer(z, octets.constData(), zip_uint64_t(octets.size()), 0);
        zip_file_add(z, nom.constData(), s, 0);
    }
    zip_close(z);
    zip_stat_t st;
    zip_source_stat(tampon, &st);
    QByteArray r(qsizetype(st.size), '\0');
    zip_source_open(tampon);
    zip_source_read(tampon, r.data(), st.size);
    zip_source_close(tampon);
    zip_source_free(tampon);
    return r;
}

QByteArray Entree(const QByteArray &paquet, const char *nom)
{
    zip_error_t e;
    zip_error_init(&e);
    zip_source_t *s = zip_source_buffer_create(paquet.constData(), zip_uint64_t(paquet.size()), 0, &e);
    zip_t *z = zip_open_from_source(s, ZIP_RDONLY, &e);
    if (!z)
        return QByteArray();
    QByteArray r;
    zip_stat_t st;
    if (zip_stat(z, nom, 0, &st) == 0) {
        r.resize(qsizetype(st.size));
        zip_file_t *f = zip_fopen(z, nom, 0);
        zip_fread(f, r.data(), st.size);
        zip_fclose(f);
    }
    zip_discard(z);
    return r;
}

QStringList Noms(const QByteArray &paquet)
{
    QStringList noms;
    zip_error_t e;
    zip_error_init(&e);
    zip_source_t *s = zip_source_buffer_create(paquet.constData(), zip_uint64_t(paquet.size()), 0, &e);
    zip_t *z = zip_open_from_source(s, ZIP_RDONLY, &e);
    for (zip_int64_t i = 0; z && i < zip_get_num_entries(z, 0); ++i)
        noms << QString::fromUtf8(zip_get_name(z, zip_uint64_t(i), 0));
    if (z)
        zip_discard(z);
    return noms;
}

// A database in memory, read from bytes or built by SQL.
class Base
{
public:
    Base()
    {
        sqlite3_open(":memory:", &m_b);
        // Anki's newer schema declares its own collation on names.
        sqlite3_create_collation(
            m_b, "unicase", SQLITE_UTF8, nullptr, [](void *, int l1, const void *a, int l2, const void *b) {
                return QString::fromUtf8(static_cast<const char *>(a), l1)
                    .compare(QString::fromUtf8(static_cast<const char *>(b), l2), Qt::CaseInsensitive);
            });
    }
    explicit Base(const QByteArray &octets) : Base()
    {
        auto *copie = static_cast<unsigned char *>(sqlite3_malloc64(quint64(octets.size())));
        memcpy(copie, octets.constData(), size_t(octets.size()));
        sqlite3_deserialize(m_b, "main", copie, octets.size(), octets.size(),
                            SQLITE_DESERIALIZE_FREEONCLOSE | SQLITE_DESERIALIZE_RESIZEABLE);
    }
    ~Base() { sqlite3_close(m_b); }
    void Sql(const QString &sql)
    {
        char *erreur = nullptr;
        if (sqlite3_exec(m_b, sql.toUtf8().constData(), nullptr, nullptr, &erreur) != SQLITE_OK)
            qWarning("%s", erreur);
        sqlite3_free(erreur);
    }
    // Rows of a query, each as its columns' texts.
    QList<QStringList> Lignes(const QString &sql)
    {
        QList<QStringList> lignes;
        sqlite3_stmt *s = nullptr;
        if (sqlite3_prepare_v2(m_b, sql.toUtf8().constData(), -1, &s, nullptr) != SQLITE_OK)
            return lignes;
        while (sqlite3_step(s) == SQLITE_ROW) {
            QStringList l;
            for (int i = 0; i < sqlite3_column_count(s); ++i)
                l << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(s, i)));
            lignes << l;
        }
        sqlite3_finalize(s);
        return lignes;
    }
    QString Valeur(const QString &sql)
    {
        const auto l = Lignes(sql);
        return l.isEmpty() || l.first().isEmpty() ? QString() : l.first().first();
    }
    QByteArray Octets()
    {
        sqlite3_int64 n = 0;
        unsigned char *o = sqlite3_serialize(m_b, "main", &n, 0);
        QByteArray r(reinterpret_cast<const char *>(o), qsizetype(n));
        sqlite3_free(o);
        return r;
    }

private:
    sqlite3 *m_b = nullptr;
};

const char *const Schema11
    = "create table col (id integer primary key, crt integer not null, mod integer not null,"
      " scm integer not null, ver integer not null, dty integer not null, usn integer not null,"
      " ls integer not null, conf text not null, models text not null, decks text not null,"
      " dconf text not null, tags text not null);"
      "create table notes (id integer primary key, guid text not null, mid integer not null,"
      " mod integer not null, usn integer not null, tags text not null, flds text not null,"
      " sfld integer not null, csum integer not null, flags integer not null, data text not null);"
      "create table cards (id integer primary key, nid integer not null, did integer not null,"
      " ord integer not null, mod integer not null, usn integer not null, type integer not null,"
      " queue integer not null, due integer not null, ivl integer not null, factor integer not null,"
      " reps integer not null, lapses integer not null, left integer not null, odue integer not null,"
      " odid integer not null, flags integer not null, data text not null);";

QString Json(const QJsonObject &o)
{
    return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
}

QJsonObject ModeleJson(qint64 id, const QString &nom, const QStringList &champs)
{
    QJsonArray flds;
    for (const QString &c : champs)
        flds.append(QJsonObject{{QStringLiteral("name"), c}});
    return QJsonObject{{QStringLiteral("id"), id}, {QStringLiteral("name"), nom}, {QStringLiteral("flds"), flds}};
}

void AjouterNoteSql(Base &b, qint64 id, qint64 mid, qint64 did, const QStringList &champs)
{
    QString flds = champs.join(Sep);
    flds.replace(QLatin1String("'"), QLatin1String("''"));
    b.Sql(QStringLiteral("insert into notes values (%1, 'g%1', %2, 0, 0, '', '%3', '', 0, 0, '');"
                         "insert into cards values (%1, %1, %4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, '');")
              .arg(id)
              .arg(mid)
              .arg(flds)
              .arg(did));
}

// A package in the schema every Anki 2.1 writes (version 11, JSON in col).
QByteArray Collection11(int version, const QJsonObject &modeles, const QList<QStringList> &notes, qint64 mid,
                        const QString &paquet = QStringLiteral("Vocab"), const QString &suite = QString())
{
    Base b;
    b.Sql(QString::fromLatin1(Schema11));
    const QJsonObject decks{{QStringLiteral("1"), QJsonObject{{QStringLiteral("name"), QStringLiteral("Default")}}},
                            {QStringLiteral("77"), QJsonObject{{QStringLiteral("name"), paquet}}}};
    b.Sql(QStringLiteral("insert into col values (1, 0, 0, 0, %1, 0, 0, 0, '{}', '%2', '%3', '{}', '{}')")
              .arg(version)
              .arg(Json(modeles), Json(decks)));
    for (int i = 0; i < notes.size(); ++i)
        AjouterNoteSql(b, 100 + i, mid, 77, notes.at(i));
    if (!suite.isEmpty())
        b.Sql(suite);
    return b.Octets();
}

// The newer schema: note types, fields and decks in tables of their own.
QByteArray Collection18(const QList<QStringList> &notes)
{
    Base b;
    b.Sql(QString::fromLatin1(Schema11));
    b.Sql(QStringLiteral(
        "create table notetypes (id integer not null primary key, name text not null collate unicase,"
        " mtime_secs integer not null, usn integer not null, config blob not null);"
        "create table fields (ntid integer not null, ord integer not null, name text not null collate unicase,"
        " config blob not null, primary key (ntid, ord)) without rowid;"
        "create table decks (id integer primary key not null, name text not null collate unicase,"
        " mtime_secs integer not null, usn integer not null, common blob not null, kind blob not null);"
        "insert into col values (1, 0, 0, 0, 18, 0, 0, 0, '', '', '', '', '');"
        "insert into notetypes values (5, 'Basic (and reversed card)', 0, 0, x'');"
        "insert into fields values (5, 0, 'Front', x''), (5, 1, 'Back', x''), (5, 2, 'Extra', x'');"
        "insert into decks values (1, 'Default', 0, 0, x'', x''), (9, 'Langues' || char(31) || 'Italien', 0, 0, x'', "
        "x'');"));
    for (int i = 0; i < notes.size(); ++i)
        AjouterNoteSql(b, 200 + i, 5, 9, notes.at(i));
    return b.Octets();
}

QByteArray Zstd(const QByteArray &octets)
{
    QByteArray r(qsizetype(ZSTD_compressBound(size_t(octets.size()))), '\0');
    r.resize(qsizetype(ZSTD_compress(r.data(), size_t(r.size()), octets.constData(), size_t(octets.size()), 3)));
    return r;
}

std::unique_ptr<TFichierX> Exemple(QChar type)
{
    auto f = std::make_unique<TFichierX>(type, u'x');
    f->SetTitre(QStringLiteral("Vocabulaire 1"));
    f->AjouterFiche(QStringLiteral("Nom <1>"), QStringLiteral("chat & chien"), QStringLiteral("cat\r\nand \"dog\""));
    f->AjouterFiche(QStringLiteral("Nom 2"), QStringLiteral("  l'été"), QStringLiteral("summer\tsun"));
    f->AjouterFiche(QString(), QStringLiteral("#dièse"), QStringLiteral("<br> is not a tag here"));
    f->AjouterFiche(QString(), QStringLiteral("chat & chien"), QStringLiteral("second card, same question"));
    return f;
}

// The text a card field comes back with: a TAB was written as four spaces.
QString Attendu(const QString &texte)
{
    return QString(texte).replace(u'\t', QLatin1String("    "));
}

// The same zip with the uncompressed size of every entry rewritten, in the
// local headers and in the central directory alike.
QByteArray TailleAnnoncee(QByteArray zip, quint32 taille)
{
    const auto ecrire = [&](qsizetype position) {
        for (int i = 0; i < 4; ++i)
            zip[position + i] = char((taille >> (8 * i)) & 0xFF);
    };
    for (qsizetype i = 0; (i = zip.indexOf("PK\x03\x04", i)) >= 0; i += 4)
        ecrire(i + 22);
    for (qsizetype i = 0; (i = zip.indexOf("PK\x01\x02", i)) >= 0; i += 4)
        ecrire(i + 24);
    return zip;
}

void ComparerCartes(const TFichierX &lu, const TFichierX &origine)
{
    QCOMPARE(lu.NombreFiches(), origine.NombreFiches());
    for (int i = 0; i < lu.NombreFiches(); ++i) {
        QCOMPARE(lu.Fiche(i).Champ0(), Attendu(origine.Fiche(i).Champ0()));
        QCOMPARE(lu.Fiche(i).Champ1(), Attendu(origine.Fiche(i).Champ1()));
        QCOMPARE(lu.Fiche(i).Champ2(), Attendu(origine.Fiche(i).Champ2()));
    }
}

// A package of one basic note type (id 42) whose notes are these rows of flds.
QByteArray PaquetDeNotes(const QStringList &flds)
{
    const QJsonObject basic{
        {QStringLiteral("42"),
         ModeleJson(42, QStringLiteral("Basic"), {QStringLiteral("Front"), QStringLiteral("Back")})}};
    QList<QStringList> notes;
    for (const QString &f : flds)
        notes << QStringList{f};
    return Zipper({{"collection.anki2", Collection11(11, basic, notes, 42)}});
}

// A package whose col.models (or col.decks) holds that many more entries.
QByteArray PaquetJson(int entrees, bool modeles)
{
    // Written by hand: QJsonObject takes the square of its size to build.
    QString grand = QStringLiteral("{\"42\":{\"id\":42,\"name\":\"Basic\",\"flds\":[{\"name\":\"Front\"}]}");
    for (int i = 0; i < entrees; ++i)
        grand += QStringLiteral(",\"%1\":{\"id\":%1,\"name\":\"t\",\"flds\":[{\"name\":\"F\"}]}").arg(1000 + i);
    grand += u'}';
    const QString basic = QStringLiteral("{\"42\":{\"id\":42,\"name\":\"Basic\",\"flds\":[{\"name\":\"Front\"}]}}");
    Base b;
    b.Sql(QString::fromLatin1(Schema11));
    b.Sql(QStringLiteral("insert into col values (1, 0, 0, 0, 11, 0, 0, 0, '{}', '%1', '%2', '{}', '{}')")
              .arg(modeles ? grand : basic, modeles ? QStringLiteral("{}") : grand));
    AjouterNoteSql(b, 100, 42, 77, {QStringLiteral("a")});
    return Zipper({{"collection.anki2", b.Octets()}});
}

// Notes whose flds column was added by ALTER TABLE with a long default:
// stored once, read for every row.
QByteArray PaquetDefaut(int notes, int repetitions)
{
    Base b;
    QString schema = QString::fromLatin1(Schema11);
    schema.replace(QLatin1String(" flds text not null,"), QString());
    b.Sql(schema);
    const QJsonObject basic{{QStringLiteral("42"), ModeleJson(42, QStringLiteral("Basic"), {QStringLiteral("Front")})}};
    b.Sql(QStringLiteral("insert into col values (1, 0, 0, 0, 11, 0, 0, 0, '{}', '%1', '{}', '{}', '{}')")
              .arg(Json(basic)));
    for (int i = 0; i < notes; ++i)
        b.Sql(QStringLiteral("insert into notes values (%1, 'g%1', 42, 0, 0, '', '', 0, 0, '')").arg(100 + i));
    b.Sql(QStringLiteral("alter table notes add column flds text not null default '%1'")
              .arg(QStringLiteral("<p>").repeated(repetitions)));
    return Zipper({{"collection.anki2", b.Octets()}});
}

QByteArray TexteAnki(bool html, const QByteArray &notes)
{
    return QByteArray("#separator:tab\n#html:") + (html ? "true" : "false") + "\n" + notes;
}

// A package this program wrote, checked by Anki's importer rules.
QByteArray Paquet(const TFichierX &f)
{
    const QByteArray paquet = TFichierAnki::EcrirePaquet(f, QString());
    const QStringList fautes = VerifAnki::Paquet(paquet);
    if (!fautes.isEmpty())
        qWarning("%s", qPrintable(fautes.join(u'\n')));
    return fautes.isEmpty() ? paquet : QByteArray();
}

// An MCQ card in the file's own markup: Paris right, London wrong, a
// general feedback.
QString ReponsesQcm(const TFichierX &f)
{
    const Questions::Balises b(f, TOptions());
    return b.NoteComplete + QStringLiteral(" Paris & co") + b.SeparateurReponses + QStringLiteral("London")
        + b.SeparateurReponses + b.DebutFeedback + QStringLiteral("Capital") + b.FinFeedback;
}

void Types()
{
    QTest::addColumn<QChar>("type");
    for (QChar t : QStringLiteral("DEFLMNQRV"))
        QTest::addRow("%c", char(t.unicode())) << t;
}

} // namespace

class TestAnki : public QObject
{
    Q_OBJECT

private slots:
    void html_data()
    {
        QTest::addColumn<QString>("html");
        QTest::addColumn<QString>("texte");
        QTest::addRow("entities") << "a &amp; b &lt;c&gt; &eacute;&#233;&#x41;"
                                  << "a & b <c> ééA";
        QTest::addRow("br") << "one<br>two<br/>three<br />"
                            << "one\r\ntwo\r\nthree\r\n";
        QTest::addRow("divs") << "a<div>b</div><div>c</div>"
                              << "a\r\nb\r\nc";
        QTest::addRow("br ending a block") << "<div>a<br></div><div>b</div>"
                                           << "a\r\nb";
        QTest::addRow("tags dropped") << "<b>bold</b> <i>it</i> <span style=\"x\">s</span>"
                                      << "bold it s";
        QTest::addRow("image") << "see <img src=\"cat.jpg\"> here [sound:miaou.mp3]"
                               << "see cat.jpg here [sound:miaou.mp3]";
        QTest::addRow("leading blanks") << "  two spaces"
                                        << "  two spaces";
        QTest::addRow("raw line end") << "a\nb"
                                      << "a\r\nb";
        QTest::addRow("script dropped") << "x<script>alert(1)</script>y"
                                        << "xy";
        QTest::addRow("broken") << "<div><b>a</div>&bogus; <"
                                << "a\r\n&bogus; <";
    }
    void html()
    {
        QFETCH(QString, html);
        QFETCH(QString, texte);
        QCOMPARE(Html::VersTexte(html), texte);
    }

    void htmlAllerRetour()
    {
        const QString texte = QStringLiteral("  <a> & \"b\"\r\nc\nd\re  ");
        QCOMPARE(Html::VersTexte(Html::DepuisTexte(texte)), QStringLiteral("  <a> & \"b\"\r\nc\r\nd\r\ne  "));
        QCOMPARE(Html::DepuisTexte(QStringLiteral("a\tb")), QStringLiteral("a    b"));
    }

    void paquetAllerRetour_data() { Types(); }
    void paquetAllerRetour()
    {
        QFETCH(QChar, type);
        auto f = Exemple(type);
        if (type == u'M')
            f->AjouterFiche(QStringLiteral("Geo"), QStringLiteral("Capital of France?"), ReponsesQcm(*f));
        const QByteArray paquet = Paquet(*f);
        QVERIFY(!paquet.isEmpty());
        auto lu = TFichierAnki::LirePaquet(paquet, type);
        ComparerCartes(*lu, *f);
        QCOMPARE(lu->Titre, f->Titre);
        QCOMPARE(lu->TypeFichier, type);
        QVERIFY(lu->NomFichier.isEmpty());
        QVERIFY(lu->Modifie);
        QVERIFY(!lu->Flux);
    }

    void texteAllerRetour_data() { Types(); }
    void texteAllerRetour()
    {
        QFETCH(QChar, type);
        auto f = Exemple(type);
        const QByteArray texte = TFichierAnki::EcrireTexte(*f, QString());
        QVERIFY(TFichierAnki::EstTexte(texte, QStringLiteral("a.txt")));
        auto lu = TFichierAnki::LireTexte(texte, type);
        ComparerCartes(*lu, *f);
        QCOMPARE(lu->Titre, f->Titre);
    }

    void texteEnTetes()
    {
        auto f = Exemple(u'D');
        const QStringList lignes = QString::fromUtf8(TFichierAnki::EcrireTexte(*f, QString())).split(u'\n');
        // No column names: a fresh Anki maps Basic's Front and Back by
        // position, the tags column aside, whatever its language.
        QCOMPARE(lignes.mid(0, 6),
                 (QStringList{QStringLiteral("#separator:tab"), QStringLiteral("#html:true"),
                              QStringLiteral("#notetype:Basic"), QStringLiteral("#deck:Vocabulaire 1"),
                              QStringLiteral("#tags column:3"), QStringLiteral("#amblopad:D 12")}));
        QCOMPARE(lignes.at(6),
                 QStringLiteral(
                     "chat &amp; chien\tcat<br>and &quot;dog&quot;\t\tchat &amp; chien\tcat<br>and &quot;dog&quot;"));
        // A first field starting with # is no comment line.
        QCOMPARE(lignes.at(8),
                 QStringLiteral("&#35;dièse\t&lt;br&gt; is not a tag here\t\t#dièse\t&lt;br&gt; is not a tag here"));
        QCOMPARE(lignes.size(), 4 + 6 + 1);
    }

    // What Anki reads: the tables, the notes and cards, the JSON of col.
    void baseExportee_data() { Types(); }
    void baseExportee()
    {
        QFETCH(QChar, type);
        auto f = Exemple(type);
        f->SetEtiquettes(QStringLiteral("Nom:"), QStringLiteral("{Mot}"), QStringLiteral("Mot"));
        const QByteArray paquet = Paquet(*f);
        QCOMPARE(Noms(paquet), (QStringList{QStringLiteral("collection.anki2"), QStringLiteral("media")}));
        QCOMPARE(Entree(paquet, "media"), QByteArray("{}"));
        Base b(Entree(paquet, "collection.anki2"));
        QCOMPARE(b.Valeur(QStringLiteral("pragma integrity_check")), QStringLiteral("ok"));
        QCOMPARE(b.Lignes(QStringLiteral("select name from sqlite_master where type = 'table' order by name")),
                 (QList<QStringList>{{QStringLiteral("cards")},
                                     {QStringLiteral("col")},
                                     {QStringLiteral("graves")},
                                     {QStringLiteral("notes")},
                                     {QStringLiteral("revlog")}}));
        QCOMPARE(
            b.Valeur(QStringLiteral("select count(*) from sqlite_master where type = 'index' and name like 'ix_%'")),
            QStringLiteral("7"));
        QCOMPARE(b.Valeur(QStringLiteral("select count(*) || ver from col")), QStringLiteral("111"));

        const QJsonObject modeles
            = QJsonDocument::fromJson(b.Valeur(QStringLiteral("select models from col")).toUtf8()).object();
        QCOMPARE(modeles.size(), 1);
        const QJsonObject m = modeles.begin()->toObject();
        QCOMPARE(QString::number(m.value(QLatin1String("id")).toInteger()), modeles.begin().key());
        QCOMPARE(m.value(QLatin1String("name")).toString(), QStringLiteral("Amblopad ") + f->NomTypeFichier());
        // The question first: Anki sorts, checks duplicates on and lists it.
        QStringList attendus;
        if (!f->Numerote)
            attendus << QStringLiteral("Mot");
        attendus << (f->Numerote ? QStringLiteral("Mot") : QStringLiteral("Mot 2"));
        if (f->AvecTitre)
            attendus << QStringLiteral("Nom"); // ':' is not allowed in a field name
        if (type == u'M')
            attendus << QStringLiteral("Choices") << QStringLiteral("Solution") << QStringLiteral("Feedback");
        QStringList champs;
        for (const auto &c : m.value(QLatin1String("flds")).toArray()) {
            champs << c.toObject().value(QLatin1String("name")).toString();
            QCOMPARE(c.toObject().value(QLatin1String("ord")).toInt(), int(champs.size() - 1));
        }
        QCOMPARE(champs, attendus);
        const QJsonArray gabarits = m.value(QLatin1String("tmpls")).toArray();
        QCOMPARE(gabarits.size(), 1);
        const QString recto = gabarits.at(0).toObject().value(QLatin1String("qfmt")).toString();
        const QString verso = gabarits.at(0).toObject().value(QLatin1String("afmt")).toString();
        QVERIFY(recto.contains(QStringLiteral("{{") + champs.at(0) + QStringLiteral("}}")));
        QVERIFY(verso.startsWith(QLatin1String("{{FrontSide}}")));
        QVERIFY((recto + verso).contains(QStringLiteral("{{") + attendus.at(f->Numerote ? 0 : 1) + QStringLiteral("}}"))
                != (type == u'M'));

        const QJsonObject decks
            = QJsonDocument::fromJson(b.Valeur(QStringLiteral("select decks from col")).toUtf8()).object();
        QVERIFY(decks.contains(QLatin1String("1")));
        QString did;
        for (auto it = decks.begin(); it != decks.end(); ++it)
            if (it->toObject().value(QLatin1String("name")).toString() == f->Titre)
                did = it.key();
        QVERIFY(!did.isEmpty());
        QVERIFY(QJsonDocument::fromJson(b.Valeur(QStringLiteral("select dconf from col")).toUtf8())
                    .object()
                    .contains(QLatin1String("1")));

        // One note and one new card per card, in order, in the deck.
        const auto notes = b.Lignes(QStringLiteral("select n.mid, n.flds, c.did, c.ord, c.type, c.queue, c.due, n.sfld "
                                                   "from notes n join cards c on c.nid = n.id order by n.id"));
        QCOMPARE(notes.size(), f->NombreFiches());
        QCOMPARE(b.Valeur(QStringLiteral("select count(*) from cards")), QString::number(f->NombreFiches()));
        for (int i = 0; i < notes.size(); ++i) {
            const TFicheX &c = f->Fiche(i);
            QStringList flds;
            if (!f->Numerote)
                flds << Html::DepuisTexte(c.Champ1());
            flds << Html::DepuisTexte(c.Champ2());
            if (f->AvecTitre)
                flds << Html::DepuisTexte(c.Champ0());
            const QStringList attendu{modeles.begin().key(), flds.join(Sep),      did,
                                      QStringLiteral("0"),   QStringLiteral("0"), QStringLiteral("0"),
                                      QString::number(i + 1)};
            QStringList obtenu = notes.at(i).mid(0, 7);
            if (type == u'M') { // then the three fields for studying
                QVERIFY(obtenu.at(1).startsWith(attendu.at(1) + Sep));
                obtenu[1] = attendu.at(1);
            }
            QCOMPARE(obtenu, attendu);
        }
    }

    void guidsStables()
    {
        auto f = Exemple(u'Q');
        auto guids = [&] {
            Base b(Entree(Paquet(*f), "collection.anki2"));
            QStringList g;
            for (const auto &l : b.Lignes(QStringLiteral("select guid from notes order by id")))
                g << l.first();
            return g;
        };
        const QStringList premiers = guids();
        QCOMPARE(premiers.size(), f->NombreFiches());
        QCOMPARE(guids(), premiers);
        // Two cards with the same question still make two notes.
        QCOMPARE(QSet<QString>(premiers.begin(), premiers.end()).size(), premiers.size());
        // An edited answer keeps its note; an edited question is another note.
        f->ModifierFiche(0, f->Fiche(0).Champ0(), f->Fiche(0).Champ1(), QStringLiteral("new answer"));
        f->ModifierFiche(1, f->Fiche(1).Champ0(), QStringLiteral("other"), f->Fiche(1).Champ2());
        const QStringList apres = guids();
        QCOMPARE(apres.at(0), premiers.at(0));
        QVERIFY(apres.at(1) != premiers.at(1));
    }

    // The sort field and checksum Anki computes from the first field: tags
    // gone with nothing in their place, entities decoded, nothing trimmed,
    // in NFC; the checksum is the first 8 hex digits of the SHA-1 of that
    // text, computed here by hand.
    void triEtSomme_data()
    {
        QTest::addColumn<QString>("question");
        QTest::addColumn<QString>("tri");
        QTest::addColumn<qint64>("somme");
        QTest::addRow("entity") << "chat & chien"
                                << "chat & chien" << Q_INT64_C(891728325);
        QTest::addRow("text like a tag") << "a<b>c"
                                         << "a<b>c" << Q_INT64_C(303421242);
        QTest::addRow("blanks kept") << "  l'été  "
                                     << "  l'été  " << Q_INT64_C(2717846);
        QTest::addRow("line break") << "line one\r\nline two"
                                    << "line oneline two" << Q_INT64_C(2422162698);
        QTest::addRow("tab") << "tab\there"
                             << "tab    here" << Q_INT64_C(1146938085);
        QTest::addRow("unit separator") << "x\x1Fy"
                                        << "xy" << Q_INT64_C(1602509208);
        QTest::addRow("no-break space beside an entity") << "nbsp\u00A0 & x"
                                                         << "nbsp  & x" << Q_INT64_C(4095440938);
        QTest::addRow("no-break space alone") << "nbsp\u00A0only"
                                              << "nbsp\u00A0only" << Q_INT64_C(1043928335);
        QTest::addRow("decomposed accents") << "e\u0301te\u0301"
                                            << "été" << Q_INT64_C(1691405253);
        QTest::addRow("empty") << ""
                               << "" << Q_INT64_C(3661210606);
    }
    void triEtSomme()
    {
        QFETCH(QString, question);
        QFETCH(QString, tri);
        QFETCH(qint64, somme);
        for (const QChar type : {u'D', u'Q', u'M'}) {
            TFichierX f(type, u'x');
            f.SetTitre(QStringLiteral("Deck\x1F"
                                      "1"));
            f.SetEtiquettes(QStringLiteral("Na\x01me"), QStringLiteral("Ques\x1Ftion"), QStringLiteral("Answer"));
            f.AjouterFiche(QStringLiteral("Title"), question, QStringLiteral("answer\x01\x1F\x7F"));
            const QByteArray paquet = Paquet(f);
            QVERIFY(!paquet.isEmpty());
            Base b(Entree(paquet, "collection.anki2"));
            QCOMPARE(b.Lignes(QStringLiteral("select sfld, csum from notes")),
                     (QList<QStringList>{{tri, QString::number(somme)}}));
            QCOMPARE(b.Valeur(QStringLiteral("select flds from notes")).split(Sep).at(1), QStringLiteral("answer"));
        }
    }

    // MCQ notes for studying: the choices without markup on the front, the
    // right one marked on the back, the feedback after it; the card's own
    // fields kept for reading it back.
    void qcmEtude()
    {
        TFichierX f(u'M', u'x');
        f.AjouterFiche(QStringLiteral("Geo"), QStringLiteral("Capital of France?"), ReponsesQcm(f));
        const QByteArray paquet = Paquet(f);
        QVERIFY(!paquet.isEmpty());
        Base b(Entree(paquet, "collection.anki2"));
        const QString choix = QStringLiteral("<ol type=\"A\"><li>Paris &amp; co</li><li>London</li></ol>");
        const QString solution = QStringLiteral(
            "<ol type=\"A\"><li><b>\u2714 Paris &amp; co</b></li><li>London</li></ol>");
        QCOMPARE(b.Valeur(QStringLiteral("select flds from notes")).split(Sep),
                 (QStringList{QStringLiteral("Capital of France?"), Html::DepuisTexte(ReponsesQcm(f)),
                              QStringLiteral("Geo"), choix, solution, QStringLiteral("Capital")}));
        const QJsonObject modele = QJsonDocument::fromJson(b.Valeur(QStringLiteral("select models from col")).toUtf8())
                                       .object()
                                       .begin()
                                       ->toObject();
        const QJsonObject gabarit = modele.value(QLatin1String("tmpls")).toArray().at(0).toObject();
        const QString recto = gabarit.value(QLatin1String("qfmt")).toString();
        const QString verso = gabarit.value(QLatin1String("afmt")).toString();
        const QString brut = QStringLiteral("{{%1}}").arg(
            modele.value(QLatin1String("flds")).toArray().at(1).toObject().value(QLatin1String("name")).toString());
        QVERIFY(recto.contains(QLatin1String("{{Choices}}")) && !recto.contains(brut));
        QVERIFY(verso.contains(QLatin1String("{{Solution}}")) && verso.contains(QLatin1String("{{Feedback}}")));
        QVERIFY(!verso.contains(brut));
        ComparerCartes(*TFichierAnki::LirePaquet(paquet, u'M'), f);

        QStringList fautes;
        const QByteArray texte = TFichierAnki::EcrireTexte(f, QString());
        const auto notes = VerifAnki::Texte(texte, &fautes);
        QVERIFY2(fautes.isEmpty(), qPrintable(fautes.join(u'\n')));
        QCOMPARE(notes.size(), 1);
        QCOMPARE(notes.at(0).recto, QStringLiteral("Capital of France?<br><br>") + choix);
        QCOMPARE(notes.at(0).verso, solution + QStringLiteral("<br><br>Capital"));
        ComparerCartes(*TFichierAnki::LireTexte(texte, u'M'), f);
    }

    // What a fresh Anki's default import makes of the text: question and
    // answer in Basic's Front and Back, every card a note.
    void texteLuParAnki_data() { Types(); }
    void texteLuParAnki()
    {
        QFETCH(QChar, type);
        auto f = Exemple(type);
        f->AjouterFiche(QString(), QString(), QStringLiteral("answer without question"));
        f->AjouterFiche(QString(), QString(), QString());
        QStringList fautes;
        const auto notes = VerifAnki::Texte(TFichierAnki::EcrireTexte(*f, QString()), &fautes);
        QVERIFY2(fautes.isEmpty(), qPrintable(fautes.join(u'\n')));
        QCOMPARE(notes.size(), f->NombreFiches());
        for (int i = 0; i < notes.size(); ++i) {
            const TFicheX &c = f->Fiche(i);
            QString recto = Html::DepuisTexte(f->Numerote ? c.Champ2() : c.Champ1());
            recto.replace(QRegularExpression(QStringLiteral("^#")), QStringLiteral("&#35;"));
            if (!recto.isEmpty())
                QCOMPARE(notes.at(i).recto, recto);
            if (type != u'M')
                QCOMPARE(notes.at(i).verso, f->Numerote ? QString() : Html::DepuisTexte(c.Champ2()));
        }
    }

    // Cards without a body or question come back too, by either way.
    void videsAllerRetour_data() { Types(); }
    void videsAllerRetour()
    {
        QFETCH(QChar, type);
        auto f = Exemple(type);
        f->AjouterFiche(QStringLiteral("title only"), QString(), QString());
        f->AjouterFiche(QString(), QString(), QString());
        f->AjouterFiche(QString(), QString(), QStringLiteral("body only"));
        ComparerCartes(*TFichierAnki::LireTexte(TFichierAnki::EcrireTexte(*f, QString()), type), *f);
        const QByteArray paquet = Paquet(*f);
        QVERIFY(!paquet.isEmpty());
        ComparerCartes(*TFichierAnki::LirePaquet(paquet, type), *f);
    }

    // Notes of a type an older version wrote (the title first) keep their
    // title, in a package and in text.
    void ancienneDisposition()
    {
        const QJsonObject modeles{
            {QStringLiteral("42"),
             ModeleJson(42, QStringLiteral("Amblopad Questionnaire"),
                        {QStringLiteral("Title"), QStringLiteral("Question"), QStringLiteral("Answer")})}};
        const QByteArray paquet = Zipper({{"collection.anki2", Collection11(11, modeles, {{"T1", "Q1", "A1"}}, 42)}});
        const QByteArray texte = "#separator:tab\n#html:true\n#notetype:Amblopad Questionnaire\n#deck:Old\n"
                                 "#columns:Title\tQuestion\tAnswer\nT1\tQ1\tA1\n";
        for (const auto &f : {TFichierAnki::LirePaquet(paquet, u'Q'), TFichierAnki::LireTexte(texte, u'Q')}) {
            QCOMPARE(f->NombreFiches(), 1);
            QCOMPARE(f->Fiche(0).Champ0(), QStringLiteral("T1"));
            QCOMPARE(f->Fiche(0).Champ1(), QStringLiteral("Q1"));
            QCOMPARE(f->Fiche(0).Champ2(), QStringLiteral("A1"));
        }
    }

    // The card's own columns come after Front, Back and the tags, whatever
    // the other header lines say.
    void texteColonnesPropres_data()
    {
        QTest::addColumn<QByteArray>("texte");
        const QByteArray notes = "F\tB\t\tq1\ta1<br>a2\tt1\n\"&#35;F\"\t\t\t#q\t\t\n";
        QTest::addRow("as written") << "#separator:tab\n#html:true\n#tags column:3\n#amblopad:Q 120\n" + notes;
        QTest::addRow("no tags column") << "#separator:tab\n#html:true\n#amblopad:Q 120\n" + notes;
        QTest::addRow("more columns named") << "#separator:tab\n#html:true\n#guid column:1\n#amblopad:Q 120\n" + notes;
    }
    void texteColonnesPropres()
    {
        QFETCH(QByteArray, texte);
        auto f = TFichierAnki::LireTexte(texte, u'Q');
        QCOMPARE(f->NombreFiches(), 2);
        QCOMPARE(f->Fiche(0).Champ0(), QStringLiteral("t1"));
        QCOMPARE(f->Fiche(0).Champ1(), QStringLiteral("q1"));
        QCOMPARE(f->Fiche(0).Champ2(), QStringLiteral("a1\r\na2"));
        QCOMPARE(f->Fiche(1).Champ0(), QString());
        QCOMPARE(f->Fiche(1).Champ1(), QStringLiteral("#q"));
        QCOMPARE(f->Fiche(1).Champ2(), QString());
    }

    // The type to offer first when a deck is opened, asked once the deck is
    // read: the one it was written from. No type chosen, nothing comes back.
    void typeEcrit_data() { Types(); }
    void typeEcrit()
    {
        QFETCH(QChar, type);
        QTemporaryDir dossier;
        const QString paquet = dossier.filePath(QStringLiteral("a.apkg"));
        const QString texte = dossier.filePath(QStringLiteral("a.txt"));
        auto f = Exemple(type);
        TFichierAnki::Exporter(*f, paquet, false);
        TFichierAnki::Exporter(*f, texte, true);
        QChar ecrit = u'?';
        QChar choisi = u'D';
        const TFichierAnki::ChoixType choix = [&](QChar e) {
            ecrit = e;
            return choisi;
        };
        bool typesLus = true; // the cards come as the type chosen
        const auto TypeEcrit = [&](const QString &nom, bool enTexte) {
            ecrit = u'?';
            const auto lu = TFichierAnki::Importer(nom, u'L', enTexte, nullptr, TOptions(), choix);
            typesLus = typesLus && lu && lu->TypeFichier == choisi;
            return ecrit;
        };
        QCOMPARE(TypeEcrit(paquet, false), type);
        QCOMPARE(TypeEcrit(texte, true), type);
        QVERIFY(typesLus);
        choisi = QChar();
        for (bool enTexte : {false, true}) {
            Formats::Rapport rapport;
            QVERIFY(!TFichierAnki::Importer(enTexte ? texte : paquet, u'L', enTexte, &rapport, TOptions(), choix));
            QVERIFY(rapport.Vide());
        }
        choisi = u'D';
        QCOMPARE(VerifAnki::Paquet(OutilsTest::LireFichier(paquet)), QStringList());
        // A deck Anki made, or one that cannot be read, tells nothing.
        const QJsonObject basic{
            {QStringLiteral("42"), ModeleJson(42, QStringLiteral("Basic"), {QStringLiteral("Front")})}};
        QFile autre(paquet);
        QVERIFY(autre.open(QIODevice::WriteOnly | QIODevice::Truncate));
        autre.write(Zipper({{"collection.anki2", Collection11(11, basic, {{"a"}}, 42)}}));
        autre.close();
        QCOMPARE(TypeEcrit(paquet, false), QChar());
        // A deck that cannot be read is refused before any type is asked.
        ecrit = u'?';
        QVERIFY_THROWS_EXCEPTION(ErreurFichier,
                                 TFichierAnki::Importer(dossier.filePath(QStringLiteral("none.apkg")), u'L', false,
                                                        nullptr, TOptions(), choix));
        QCOMPARE(ecrit, QChar(u'?'));
    }

    // Decks made by Anki itself, in both schemas.
    void paquetsAnki_data()
    {
        QTest::addColumn<QByteArray>("paquet");
        QTest::addColumn<QString>("titre");
        const QList<QStringList> notes = {
            {QStringLiteral("<div>la casa</div>"), QStringLiteral("the house&nbsp;<img src=\"casa.jpg\">")},
            {QStringLiteral("il cane"), QStringLiteral("the dog"), QStringLiteral("<b>m.</b>")}};
        const QJsonObject modeles{
            {QStringLiteral("42"),
             ModeleJson(42, QStringLiteral("Basic"),
                        {QStringLiteral("Front"), QStringLiteral("Back"), QStringLiteral("Extra")})}};
        QTest::addRow("anki2") << Zipper({{"collection.anki2", Collection11(11, modeles, notes, 42)}, {"media", "{}"}})
                               << "Vocab";
        QTest::addRow("anki21") << Zipper({{"collection.anki21", Collection11(11, modeles, notes, 42)},
                                           {"collection.anki2", Collection11(11, modeles, {{"old"}}, 42)}})
                                << "Vocab";
        QTest::addRow("meta names anki21") << Zipper({{"collection.anki21b", QByteArray("not read")},
                                                      {"collection.anki21", Collection11(11, modeles, notes, 42)},
                                                      {"meta", QByteArray("\x08\x02", 2)}})
                                           << "Vocab";
        QTest::addRow("anki21b zstd") << Zipper(
            {{"collection.anki2", Collection11(11, modeles, {{"Please update"}}, 42)},
             {"collection.anki21b", Zstd(Collection18(notes))},
             {"media", Zstd("")}}) << "Langues::Italien";
    }
    void paquetsAnki()
    {
        QFETCH(QByteArray, paquet);
        QFETCH(QString, titre);
        auto f = TFichierAnki::LirePaquet(paquet, u'D', QStringLiteral("secours"));
        QCOMPARE(f->Titre, titre);
        QCOMPARE(f->NombreFiches(), 2);
        QCOMPARE(f->Fiche(0).Champ1(), QStringLiteral("la casa"));
        QCOMPARE(f->Fiche(0).Champ2(), QStringLiteral("the house\u00A0casa.jpg"));
        QCOMPARE(f->Fiche(1).Champ1(), QStringLiteral("il cane"));
        QCOMPARE(f->Fiche(1).Champ2(), QStringLiteral("the dog\r\nm."));
        // A Lists file has no field 1: every field goes to the body.
        auto l = TFichierAnki::LirePaquet(paquet, u'L');
        QCOMPARE(l->Fiche(1).Champ2(), QStringLiteral("il cane\r\nthe dog\r\nm."));
    }

    void texteAnki()
    {
        const QByteArray texte = "\xEF\xBB\xBF#separator:Semicolon\n#html:false\n#guid column:1\n#deck:Mots\n"
                                 "g1;\"a;b\";\"line one\nline \"\"two\"\"\"\n"
                                 "# a comment\n\n"
                                 "g2;<b>x</b>;y;z\n";
        QVERIFY(TFichierAnki::EstTexte(texte, QStringLiteral("mots.txt")));
        auto f = TFichierAnki::LireTexte(texte, u'N');
        QCOMPARE(f->Titre, QStringLiteral("Mots"));
        QCOMPARE(f->NombreFiches(), 2);
        QCOMPARE(f->Fiche(0).Champ1(), QStringLiteral("a;b"));
        QCOMPARE(f->Fiche(0).Champ2(), QStringLiteral("line one\r\nline \"two\""));
        QCOMPARE(f->Fiche(1).Champ1(), QStringLiteral("<b>x</b>"));
        QCOMPARE(f->Fiche(1).Champ2(), QStringLiteral("y\r\nz"));
    }

    // Header lines Anki accepts.
    void texteEnTetesAnki_data()
    {
        QTest::addColumn<QByteArray>("texte");
        QTest::addRow("comma") << QByteArray(
            "#separator:comma\n#html:false\nla casa,the house\nil cane,\"the dog, m.\"\n");
        QTest::addRow("comma as a character")
            << QByteArray("#separator:,\nla casa,the house\nil cane,\"the dog, m.\"\n");
        QTest::addRow("tags first") << QByteArray(
            "tags:vocab it\n#separator:tab\nla casa\tthe house\nil cane\tthe dog, m.\n");
        QTest::addRow("tags alone") << QByteArray("tags:vocab\r\nla casa\tthe house\r\nil cane\tthe dog, m.\r\n");
    }
    void texteEnTetesAnki()
    {
        QFETCH(QByteArray, texte);
        QVERIFY(TFichierAnki::EstTexte(texte, QStringLiteral("mots.txt")));
        auto f = TFichierAnki::LireTexte(texte, u'D');
        QCOMPARE(f->NombreFiches(), 2);
        QCOMPARE(f->Fiche(0).Champ1(), QStringLiteral("la casa"));
        QCOMPARE(f->Fiche(0).Champ2(), QStringLiteral("the house"));
        QCOMPARE(f->Fiche(1).Champ1(), QStringLiteral("il cane"));
        QCOMPARE(f->Fiche(1).Champ2(), QStringLiteral("the dog, m."));
    }

    void reconnaissance_data()
    {
        QTest::addColumn<QByteArray>("tete");
        QTest::addColumn<QString>("nom");
        QTest::addColumn<bool>("paquet");
        QTest::addColumn<bool>("texte");
        QTest::addRow("apkg") << QByteArray("PK\x03\x04rest", 8) << "a.APKG" << true << false;
        QTest::addRow("other zip") << QByteArray("PK\x03\x04rest", 8) << "a.docx" << false << false;
        QTest::addRow("anki text") << QByteArray("#separator:tab\nx") << "a.txt" << false << true;
        QTest::addRow("anki text, columns first") << QByteArray("#columns:a\tb\r\n") << "a.txt" << false << true;
        QTest::addRow("plain text") << QByteArray("# title\nx") << "a.txt" << false << false;
        QTest::addRow("hash without key") << QByteArray("#colour:red\n") << "a.txt" << false << false;
    }
    void reconnaissance()
    {
        QFETCH(QByteArray, tete);
        QFETCH(QString, nom);
        QFETCH(bool, paquet);
        QFETCH(bool, texte);
        QCOMPARE(TFichierAnki::EstPaquet(tete, nom), paquet);
        QCOMPARE(TFichierAnki::EstTexte(tete, nom), texte);
    }

    void refus_data()
    {
        QTest::addColumn<QByteArray>("paquet");
        QTest::addColumn<QString>("message");
        const QJsonObject basic{
            {QStringLiteral("42"), ModeleJson(42, QStringLiteral("Basic"), {QStringLiteral("Front")})}};
        const QJsonObject sansChamp{{QStringLiteral("42"), ModeleJson(42, QStringLiteral("Empty"), {})}};
        QByteArray valide = Zipper({{"collection.anki2", Collection11(11, basic, {{"a"}}, 42)}});
        QByteArray tronque = valide.left(valide.size() - 30);
        QByteArray crc = valide;
        crc[100] = char(crc[100] ^ 0x55); // inside the compressed entry
        Base autre;
        autre.Sql(QStringLiteral("create table t (x); insert into t values (1);"));
        Base vue;
        vue.Sql(QString::fromLatin1(Schema11));
        vue.Sql(QStringLiteral("drop table notes; create view notes as select 1 as mid, 'x' as flds, 1 as id;"));
        vue.Sql(QStringLiteral("insert into col values (1, 0, 0, 0, 11, 0, 0, 0, '{}', '%1', '{}', '{}', '{}')")
                    .arg(Json(basic)));
        QTest::addRow("not a zip") << QByteArray("PK\x03\x04 not really a zip at all") << "zip";
        QTest::addRow("truncated zip") << tronque << "zip";
        QTest::addRow("bad checksum") << crc << "damaged";
        // The bytes intact, the checksum both headers give wrong.
        QByteArray autreSomme = valide;
        autreSomme[14] = char(autreSomme[14] ^ 0x01);
        autreSomme[autreSomme.indexOf("PK\x01\x02") + 16] ^= 0x01;
        QTest::addRow("checksum of other bytes") << autreSomme << "damaged";
        QTest::addRow("no collection") << Zipper({{"media", "{}"}}) << "damaged";
        QTest::addRow("not SQLite") << Zipper({{"collection.anki2", QByteArray(4096, 'x')}}) << "damaged";
        QTest::addRow("not a collection") << Zipper({{"collection.anki2", autre.Octets()}}) << "damaged";
        QTest::addRow("notes as a view") << Zipper({{"collection.anki2", vue.Octets()}}) << "damaged";
        QTest::addRow("unknown schema") << Zipper({{"collection.anki2", Collection11(42, basic, {{"a"}}, 42)}})
                                        << "version";
        QTest::addRow("new file not compressed")
            << Zipper({{"collection.anki21b", Collection11(11, basic, {{"a"}}, 42)}}) << "damaged";
        QTest::addRow("note type without fields")
            << Zipper({{"collection.anki2", Collection11(11, sansChamp, {{"a"}}, 42)}}) << "first field";
        QTest::addRow("unknown note type")
            << Zipper({{"collection.anki2", Collection11(11, basic, {{"a"}}, 43)}}) << "damaged";
        QByteArray sqlite = Collection11(11, basic, {{"a"}}, 42);
        sqlite.truncate(sqlite.size() / 2);
        QTest::addRow("truncated database") << Zipper({{"collection.anki2", sqlite}}) << "damaged";
        const QByteArray miseAJour(
            "Please update to the latest Anki version, then import the .colpkg/.apkg file again.");
        QTest::addRow("placeholder only")
            << Zipper({{"collection.anki2", Collection11(11, basic, {{QString::fromLatin1(miseAJour)}}, 42)}})
            << "newer";
        QTest::addRow("meta names a missing collection")
            << Zipper({{"collection.anki2", Collection11(11, basic, {{"a"}}, 42)}, {"meta", QByteArray("\x08\x03", 2)}})
            << "newer";
        QTest::addRow("unknown meta version")
            << Zipper({{"collection.anki2", Collection11(11, basic, {{"a"}}, 42)}, {"meta", QByteArray("\x08\x04", 2)}})
            << "newer";
        QTest::addRow("meta without version")
            << Zipper({{"collection.anki2", Collection11(11, basic, {{"a"}}, 42)}, {"meta", QByteArray()}}) << "newer";
        QTest::addRow("damaged zstd") << Zipper({{"collection.anki21b", QByteArray("\x28\xB5\x2F\xFD garbage")}})
                                      << "damaged";
    }
    void refus()
    {
        QFETCH(QByteArray, paquet);
        QFETCH(QString, message);
        try {
            TFichierAnki::LirePaquet(paquet, u'D');
            QFAIL("accepted");
        } catch (const ErreurIdInvalide &e) {
            QVERIFY2(e.message().contains(message, Qt::CaseInsensitive), qPrintable(e.message()));
        }
    }

    // An entry larger than the budget is refused before it is read, and an
    // entry whose headers lie about its size is never read past what was
    // counted.
    void bombes_data()
    {
        QTest::addColumn<QByteArray>("paquet");
        QTest::addColumn<QString>("message");
        const QByteArray zeros(8 << 20, '\0');
        const QByteArray zip = Zipper({{"collection.anki2", zeros}});
        QTest::addRow("zip entry") << zip << "MB";
        QTest::addRow("zstd frame") << Zipper({{"collection.anki21b", Zstd(zeros)}}) << "MB";
        QTest::addRow("size lies low") << TailleAnnoncee(zip, 1000) << "damaged";
        QTest::addRow("size lies high") << TailleAnnoncee(zip, 0xFFFFFFF0u) << "MB";
    }
    void bombes()
    {
        QFETCH(QByteArray, paquet);
        QFETCH(QString, message);
        TBudgetMemoire::InjecterPlancher(1 << 20);
        try {
            TFichierAnki::LirePaquet(paquet, u'D');
            TBudgetMemoire::InjecterPlancher(-1);
            QFAIL("accepted");
        } catch (const ErreurIdInvalide &e) {
            TBudgetMemoire::InjecterPlancher(-1);
            QVERIFY2(e.message().contains(message, Qt::CaseInsensitive), qPrintable(e.message()));
        }
    }

    // What one note may hold is bounded whatever the reader: a field the
    // HTML parser could not take whole, a text or a body past the most a card
    // holds, reading work past the database's size, note types and decks
    // counted in the budget. The floor is lowered to keep inputs small.
    void lectureBornee_data()
    {
        QTest::addColumn<QByteArray>("octets");
        QTest::addColumn<bool>("paquet");
        QTest::addColumn<qint64>("plancher");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("fiches");
        const QByteArray br = QByteArray("q<br>").repeated(40000);
        QTest::addRow("text, field cut by the budget")
            << TexteAnki(true, br + "\n") << false << qint64(1 << 20) << "MB of memory" << 1;
        QTest::addRow("package, field cut by the budget")
            << PaquetDeNotes({QString::fromLatin1(br)}) << true << qint64(1 << 20) << "MB of memory" << 1;
        QTest::addRow("text, nested past the parser's depth")
            << TexteAnki(true, QByteArray("<b>").repeated(300) + "lost\n") << false << qint64(-1) << "read whole" << 1;
        QTest::addRow("package, nested past the parser's depth")
            << PaquetDeNotes({QStringLiteral("<i>").repeated(300) + QStringLiteral("lost")}) << true << qint64(-1)
            << "read whole" << 1;
        const qsizetype max = TBudgetMemoire::MaxCaracteresTexte;
        QTest::addRow("text, plain field one character too long")
            << TexteAnki(false, "a\t" + QByteArray(max + 1, 'x') + "\n") << false << qint64(-1) << "characters" << 1;
        QTest::addRow("text, plain field at the most")
            << TexteAnki(false, "a\t" + QByteArray(max, 'x') + "\n") << false << qint64(-1) << "" << 1;
        QTest::addRow("text, HTML field too long")
            << TexteAnki(true, "a\t" + QByteArray("xxxx&amp;").repeated(max / 5 + 1) + "\n") << false << qint64(-1)
            << "characters" << 1;
        const qsizetype lignes = TBudgetMemoire::MaxLignesTexte;
        QTest::addRow("text, empty columns past the most lines")
            << TexteAnki(false, "a" + QByteArray(lignes + 1, '\t') + "\n") << false << qint64(-1) << "lines" << 1;
        QTest::addRow("text, empty columns at the most lines")
            << TexteAnki(false, "a" + QByteArray(lignes, '\t') + "\n") << false << qint64(-1) << "" << 1;
        QTest::addRow("text, quoted field past the most lines")
            << TexteAnki(false, "a\t\"" + QByteArray("\n").repeated(lignes) + "\"\n") << false << qint64(-1) << "lines"
            << 1;
        QTest::addRow("package, separators past the most lines")
            << PaquetDeNotes({QString(lignes + 2, Sep)}) << true << qint64(-1) << "lines" << 1;
        QTest::addRow("package, default column read for every row")
            << PaquetDefaut(50, 100000) << true << qint64(-1) << "too long" << 1;
        QTest::addRow("package, short default column") << PaquetDefaut(50, 2) << true << qint64(-1) << "" << 50;
        QTest::addRow("package, 50,000 note types")
            << PaquetJson(50000, true) << true << qint64(1 << 20) << "MB of memory" << 1;
        QTest::addRow("package, 50,000 decks")
            << PaquetJson(50000, false) << true << qint64(1 << 20) << "MB of memory" << 1;
        QTest::addRow("package, 500 decks") << PaquetJson(500, false) << true << qint64(1 << 20) << "" << 1;
    }
    void lectureBornee()
    {
        QFETCH(QByteArray, octets);
        QFETCH(bool, paquet);
        QFETCH(qint64, plancher);
        QFETCH(QString, message);
        QFETCH(int, fiches);
        TBudgetMemoire::InjecterPlancher(plancher);
        QString erreur;
        try {
            const auto f = paquet ? TFichierAnki::LirePaquet(octets, u'D') : TFichierAnki::LireTexte(octets, u'D');
            QCOMPARE(f->NombreFiches(), fiches);
        } catch (const ErreurIdInvalide &e) {
            erreur = e.message();
        }
        TBudgetMemoire::InjecterPlancher(-1);
        if (message.isEmpty())
            QCOMPARE(erreur, QString());
        else
            QVERIFY2(erreur.contains(message), qPrintable(erreur));
    }

    // Plain text fields: every line end becomes CR LF, in one pass.
    void texteBrut_data()
    {
        QTest::addColumn<QByteArray>("champ");
        QTest::addColumn<QString>("texte");
        QTest::addRow("LF") << QByteArray("\"a\nb\"") << "a\r\nb";
        QTest::addRow("CR") << QByteArray("\"a\rb\"") << "a\r\nb";
        QTest::addRow("CR LF") << QByteArray("\"a\r\nb\"") << "a\r\nb";
        QTest::addRow("LF CR") << QByteArray("\"a\n\rb\"") << "a\r\n\r\nb";
        QTest::addRow("ends") << QByteArray("\"\r\na\r\"") << "\r\na\r\n";
        QTest::addRow("quotes between") << QByteArray("\"a\r\"\"\nb\"") << "a\r\n\"\r\nb";
    }
    void texteBrut()
    {
        QFETCH(QByteArray, champ);
        QFETCH(QString, texte);
        const auto f = TFichierAnki::LireTexte(TexteAnki(false, "q\t" + champ + "\n"), u'D');
        QCOMPARE(f->Fiche(0).Champ2(), texte);
    }

    // A collection zipped with its write-ahead log: what only the log holds
    // is missing, and the user is told so.
    void journal()
    {
        const QJsonObject basic{
            {QStringLiteral("42"), ModeleJson(42, QStringLiteral("Basic"), {QStringLiteral("Front")})}};
        const QByteArray base = Collection11(11, basic, {{"a"}}, 42);
        Formats::Rapport vide;
        auto f = TFichierAnki::LirePaquet(Zipper({{"collection.anki2", base}, {"collection.anki2-wal", ""}}), u'D',
                                          QString(), &vide);
        QVERIFY(vide.Vide());
        Formats::Rapport rapport;
        f = TFichierAnki::LirePaquet(
            Zipper({{"collection.anki2", base}, {"collection.anki2-wal", QByteArray(4096, 'w')}}), u'D', QString(),
            &rapport);
        QCOMPARE(f->NombreFiches(), 1);
        const QStringList avertissements = rapport.Messages();
        QCOMPARE(avertissements.size(), 1);
        QVERIFY2(avertissements.first().contains(QLatin1String("collection.anki2-wal")),
                 qPrintable(avertissements.first()));
    }

    // What a card has no place for is said, kind by kind, and the notes are
    // still all read: tags, media files, cloze gaps, several decks.
    void omissions_data()
    {
        QTest::addColumn<QByteArray>("octets");
        QTest::addColumn<bool>("texte");
        QTest::addColumn<QString>("attendu"); // kind=count, in the order reported
        QTest::addColumn<int>("cartes");
        const QJsonObject basic{
            {QStringLiteral("42"),
             ModeleJson(42, QStringLiteral("Basic"), {QStringLiteral("Front"), QStringLiteral("Back")})}};
        const QList<QStringList> deux{{"q1", "a1"}, {"q2", "a2"}};
        const auto paquet = [&](const QList<QStringList> &notes, const QString &suite,
                                const QList<QPair<QByteArray, QByteArray>> &autres = {}) {
            QList<QPair<QByteArray, QByteArray>> entrees{
                {"collection.anki2", Collection11(11, basic, notes, 42, QStringLiteral("Vocab"), suite)}};
            return Zipper(entrees + autres);
        };
        QTest::addRow("package, nothing left out") << paquet(deux, QString(), {{"media", "{}"}}) << false << "" << 2;
        QTest::addRow("package, tags") << paquet(deux, QStringLiteral("update notes set tags = ' geo ' where id = 101"))
                                       << false << "Etiquettes=1" << 2;
        QTest::addRow("package, blank tags")
            << paquet(deux, QStringLiteral("update notes set tags = '   '")) << false << "" << 2;
        QTest::addRow("package, notes without a tags column")
            << paquet(deux, QStringLiteral("alter table notes drop column tags")) << false << "" << 2;
        QTest::addRow("package, media") << paquet(
            deux, QString(), {{"media", R"({"0":"a.png","1":"b.mp3"})"}, {"0", "png"}, {"1", "mp3"}})
                                        << false << "Medias=2" << 2;
        QTest::addRow("package, cloze") << paquet({{"{{c1::Paris}} is the capital", ""}, {"{{c}} x", "y"}, {"q", "a"}},
                                                  QString())
                                        << false << "Trous=1" << 3;
        QTest::addRow("package, two decks")
            << paquet(deux, QStringLiteral("update cards set did = 1 where id = 101")) << false << "Paquets=2" << 2;
        QTest::addRow("text, nothing left out") << TexteAnki(false, "q\ta\n") << true << "" << 1;
        QTest::addRow("text, tags column")
            << QByteArray("#separator:tab\n#html:false\n#tags column:3\nq\ta\tgeo\nq2\ta2\t \n") << true
            << "Etiquettes=1" << 2;
        QTest::addRow("text, tags line") << QByteArray("tags:geo\nq\ta\nq2\ta2\n") << true << "Etiquettes=2" << 2;
        QTest::addRow("text, deck column")
            << QByteArray("#separator:tab\n#deck column:3\nq\ta\tA\nq2\ta2\tB\nq3\ta3\tA\n") << true << "Paquets=2"
            << 3;
        QTest::addRow("text, one deck") << QByteArray("#separator:tab\n#deck column:1\nA\tq\ta\nA\tq2\ta2\n") << true
                                        << "" << 2;
        QTest::addRow("text, cloze in the second field")
            << TexteAnki(false, "q\t{{c12::x}} y\nq2\tc1::\n") << true << "Trous=1" << 2;
    }
    void omissions()
    {
        QFETCH(QByteArray, octets);
        QFETCH(bool, texte);
        QFETCH(QString, attendu);
        QFETCH(int, cartes);
        Formats::Rapport rapport;
        const auto f = texte ? TFichierAnki::LireTexte(octets, u'D', QString(), &rapport)
                             : TFichierAnki::LirePaquet(octets, u'D', QString(), &rapport);
        QCOMPARE(f->NombreFiches(), cartes);
        static const char *const noms[] = {"Caracteres", "SansBonneReponse", "Approchees", "Ignorees", "Retroactions",
                                           "Journal",    "Etiquettes",       "Medias",     "Trous",    "Paquets"};
        QStringList lu;
        for (const Formats::Perte &p : rapport.Pertes()) {
            lu << QStringLiteral("%1=%2").arg(QLatin1String(noms[p.genre])).arg(p.nombre);
            QVERIFY(!p.Bloquante());
            QVERIFY(!p.message.isEmpty());
        }
        QCOMPARE(lu.join(u','), attendu);
        QCOMPARE(rapport.Messages().size(), qsizetype(rapport.Pertes().size()));
    }

    void refusTexte_data()
    {
        QTest::addColumn<QByteArray>("texte");
        QTest::addColumn<QString>("message");
        QTest::addRow("not UTF-8") << QByteArray("#separator:tab\na\t\xFF\n") << "UTF-8";
        QTest::addRow("unknown separator") << QByteArray("#separator:dash\na-b\n") << "separator";
        QTest::addRow("no headers") << QByteArray("a\tb\n") << "headers";
        QTest::addRow("only a guid") << QByteArray("#separator:tab\n#guid column:1\nabc\n") << "first field";
    }
    void refusTexte()
    {
        QFETCH(QByteArray, texte);
        QFETCH(QString, message);
        try {
            TFichierAnki::LireTexte(texte, u'D');
            QFAIL("accepted");
        } catch (const ErreurIdInvalide &e) {
            QVERIFY2(e.message().contains(message, Qt::CaseInsensitive), qPrintable(e.message()));
        }
    }
};

QTEST_GUILESS_MAIN(TestAnki)
#include "tst_anki.moc"
