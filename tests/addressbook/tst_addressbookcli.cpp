// torvane-cli addressbook show|vcard as a user runs it, on generated files.

#include "adresar.h"
#include "adresargen.h"
#include "vcard.h"

#include <QJsonDocument>
#include <QJsonObject>
#include "clirun.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace AdresarGen;

namespace {

const QString kCli = QStringLiteral(TORVANE_BIN_DIR "/torvane-cli");


} // namespace

class TestAddressBookCli : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void show();
    void json();
    void vcard();
    void failures_data();
    void failures();

private:
    QString write(const QString &name, const QByteArray &bytes);
    QTemporaryDir m_dir;
    QString m_db, m_groups, m_one, m_many;
};

QString TestAddressBookCli::write(const QString &name, const QByteArray &bytes)
{
    QFile f(m_dir.filePath(name));
    if (!f.open(QIODevice::WriteOnly))
        return {};
    f.write(bytes);
    return f.fileName();
}

void TestAddressBookCli::initTestCase()
{
    QVERIFY2(QFile::exists(kCli), qPrintable(kCli + QStringLiteral(" was not built")));
    m_db = write(u"pbm_master_v_20.dat"_qs, databaseFile(sampleContacts()));
    m_groups = write(u"GrpDList ver 01.db"_qs, groupFile(sampleGroups()));
    m_one = write(u"one.dat"_qs, databaseFile({sampleContacts().first()}));
    QList<Contact> many;
    for (int i = 1; i <= 503; ++i)
        many << Contact{{{"ZobrJmeno", QStringLiteral("K%1").arg(i)}}, -1};
    m_many = write(u"many.dat"_qs, databaseFile(many));
}

void TestAddressBookCli::show()
{
    const CliRun r = RunCli({u"addressbook"_qs, u"show"_qs, m_one, u"--groups"_qs, m_groups});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(QString::fromUtf8(r.out), u"Groups:\n"
                                       "    1  Rodina\n"
                                       "    2  Přátelé\n"
                                       "    5  Kolegové\n"
                                       "    7  VIP\n"
                                       "    9  Škola\n"
                                       "\n"
                                       "001\n"
                                       "  ZobrJmeno:    Jan Novák\n"
                                       "  Krestni:      Jan\n"
                                       "  Prijmeni:     Novák\n"
                                       "  SoukMobil:    420603123456\n"
                                       "  SEmail1:      jan.novak@example.cz\n"
                                       "  ONarozky:     15.02.1980\n"
                                       "  SkupinaCislo: 5\n"
                                       "  Skupina:      Kolegové\n"_qs);

    // Without the group file: no group names, the group number stays.
    const CliRun plain = RunCli({u"addressbook"_qs, u"show"_qs, m_db});
    QCOMPARE(plain.exitCode, 0);
    QVERIFY(plain.out.contains("004\n  ZobrJmeno:    \xC3\x9apln\xC3\xBD Kontakt\n"));
    QVERIFY(!plain.out.contains("Skupina:"));
    QVERIFY(!plain.out.contains("Groups:"));
}

void TestAddressBookCli::json()
{
    const CliRun r = RunCli({u"addressbook"_qs, u"show"_qs, u"--json"_qs, m_db, u"--groups"_qs, m_groups});
    QCOMPARE(r.exitCode, 0);
    const QList<QByteArray> lines = r.out.trimmed().split('\n');
    QCOMPARE(lines.size(), 4);
    QList<QJsonObject> objects;
    for (const QByteArray &line : lines) {
        QJsonParseError error;
        objects << QJsonDocument::fromJson(line, &error).object();
        QCOMPARE(error.error, QJsonParseError::NoError);
    }
    QCOMPARE(objects[0][u"ZobrJmeno"].toString(), u"Jan Novák"_qs);
    QCOMPARE(objects[0][u"SkupinaCislo"].toInt(), 5);
    QCOMPARE(objects[0][u"Skupina"].toString(), u"Kolegové"_qs);
    QCOMPARE(objects[1][u"OFirma"].toString(), u"Žlutý kůň, s.r.o."_qs);
    QCOMPARE(objects[1][u"Skupina"].toString(), QString());
    QCOMPARE(objects[3].size(), 36); // every field of the record and the group's name
    QVERIFY(lines[0].startsWith("{\"ZobrJmeno\": "));

    const CliRun many = RunCli({u"addressbook"_qs, u"show"_qs, u"--json"_qs, m_many});
    QCOMPARE(many.exitCode, 0);
    QCOMPARE(many.out.count('\n'), 500);
    QVERIFY(many.err.contains("503 records; only the first 500"));
}

void TestAddressBookCli::vcard()
{
    QFile db(m_db);
    QVERIFY(db.open(QIODevice::ReadOnly));
    const QByteArray expected = AdresarToVCard(ReadAdresarFile(db.readAll()).contacts,
                                               ParseSkupinyList(groupFile(sampleGroups())).entries);
    const CliRun r = RunCli({u"addressbook"_qs, u"vcard"_qs, m_db, u"--groups"_qs, m_groups});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, expected);

    const QString out = m_dir.filePath(u"adresar.vcf"_qs);
    const CliRun toFile = RunCli({u"addressbook"_qs, u"vcard"_qs, m_db, u"--groups"_qs, m_groups, u"-o"_qs, out});
    QCOMPARE(toFile.exitCode, 0);
    QCOMPARE(toFile.out, QByteArray());
    QFile f(out);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), expected);
    f.close();

    // A file that is there is replaced only with --force.
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write("the user's own file");
    f.close();
    const QStringList again{u"addressbook"_qs, u"vcard"_qs, m_db, u"-o"_qs, out};
    const CliRun refused = RunCli(again);
    QCOMPARE(refused.exitCode, 1);
    QVERIFY2(refused.err.contains("exists (--force replaces it)"), refused.err.constData());
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("the user's own file"));
    f.close();
    QCOMPARE(RunCli(again + QStringList{u"--force"_qs}).exitCode, 0);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QVERIFY(f.readAll().startsWith("BEGIN:VCARD"));
}

void TestAddressBookCli::failures_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("errPart");
    QTest::newRow("missing file") << QStringList{u"show"_qs, u"/nonexistent/pbm.dat"_qs} << 1
                                  << QByteArray("cannot read /nonexistent/pbm.dat");
    QTest::newRow("missing group file")
        << QStringList{u"vcard"_qs, u"@DB"_qs, u"--groups"_qs, u"/nonexistent/grp.db"_qs} << 1
        << QByteArray("cannot read /nonexistent/grp.db");
    QTest::newRow("output folder missing")
        << QStringList{u"vcard"_qs, u"@DB"_qs, u"-o"_qs, u"/nonexistent/dir/a.vcf"_qs} << 1
        << QByteArray("cannot write /nonexistent/dir/a.vcf");
    QTest::newRow("no file") << QStringList{u"show"_qs} << 2 << QByteArray("give one database file");
    QTest::newRow("unknown option") << QStringList{u"show"_qs, u"@DB"_qs, u"--xml"_qs} << 2
                                    << QByteArray("unknown option --xml");
    QTest::newRow("groups without a file") << QStringList{u"show"_qs, u"@DB"_qs, u"--groups"_qs} << 2
                                           << QByteArray("--groups needs a file");
}

void TestAddressBookCli::failures()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, errPart);
    args.replaceInStrings(u"@DB"_qs, m_db);
    const CliRun r = RunCli(QStringList{u"addressbook"_qs} + args);
    QCOMPARE(r.exitCode, exitCode);
    QVERIFY2(r.err.contains(errPart), r.err.constData());
    QCOMPARE(r.out, QByteArray());
}

QTEST_GUILESS_MAIN(TestAddressBookCli)
#include "tst_addressbookcli.moc"
