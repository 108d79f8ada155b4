// The reminder of an overdue invoice as its customer reads it: the letter
// of the stored invoice drawn as its PDF and read back by pdftotext; each
// one made is recorded on the invoice.

#include "TestSupport.h"

#include "document/DocumentBlocks.h"
#include "document/PdfDocument.h"
#include "document/Reminder.h"
#include "text/Clock.h"

using namespace valmir;
using namespace valmir::test;

class TestReminder : public FixtureTest {
    Q_OBJECT

private Q_SLOTS:
    // 1.234,50 € due on 7.11.2026, of which a credit note took back 234,50 €:
    // on 7.12.2026 the letter asks for 1.000,00 € thirty days late, with the
    // invoice's reference. The second one made is
    // the second reminder, with the office's own text instead of the
    // program's.
    void letterAndItsCode() {
        setTodayForTest(QDate(2026, 12, 7));
        QVERIFY(Db->execute("UPDATE tblNastavitve SET Firma = 'Geodet Žerjav', Naslov = "
                            "'Šentjurska 5', PST = '3230', Posta = 'Šentjur', TRR = ?",
                            {"SI56 0201 0001 2345 641"}));
        const qint64 id = addInvoice(*Db, {{"StevilkaRacuna", "2026/001"},
                                           {"Datum", QDate(2026, 10, 8)},
                                           {"Veljavnost", 30},
                                           {"Zapade", QDate(2026, 11, 7)},
                                           {"ZaPlacilo", 1234.5},
                                           {"Ime", "Čebelarstvo Žužek"},
                                           {"Naslov", "Ulica 3"},
                                           {"PST", "1000"},
                                           {"Posta", "Ljubljana"}});
        QVERIFY(addInvoice(*Db, {{"StevilkaRacuna", "2026/002"},
                                 {"Dobropis", true},
                                 {"IzvirniID", id},
                                 {"ZaPlacilo", -234.5}}));
        for (const int ordinal : {1, 2}) {
            ReminderInput in;
            QString error;
            QVERIFY2(readReminder(*Db, id, today(), &in, &error), qPrintable(error));
            QCOMPARE(reminderRefusal(in.invoice, in.today), ReminderRefusal::None);
            DocumentBlocks letter;
            QVERIFY(reminderBlocks(in, &letter).isEmpty());
            const QString pdf = m_fixture->tempDir() + QStringLiteral("/opomin.pdf");
            QVERIFY(writeBytes(pdf, pdfOfBlocks(letter, &error)));
            const QString text =
                QString::fromUtf8(shellOutput("pdftotext -enc UTF-8 \"$0\" -", pdf));
            for (const QString& shown :
                 {QString(ordinal == 1 ? "OPOMIN" : "2. OPOMIN"), QString("Geodet Žerjav"),
                  QString("Čebelarstvo Žužek"), QString("Račun št.: 2026/001"),
                  QString("Rok plačila: 7.11.2026"), QString("Dni zamude: 30"),
                  QString("Dolgovani znesek: 1.000,00"), QString("Sklic: SI12 20260016")})
                QVERIFY2(text.contains(shown), qPrintable(shown + " not in:\n" + text));
            QCOMPARE(text.contains("2. OPOMIN"), ordinal == 2);
            QCOMPARE(text.contains("v osmih dneh"), ordinal == 1);
            QCOMPARE(text.contains("Plačajte do 15. 12."), ordinal == 2);
            QVERIFY(recordReminder(*Db, id, today()));
            QCOMPARE(queryRows("SELECT Opomin, Opominov FROM tblRacun WHERE ID = ?", {id}),
                     QStringList{QString("2026-12-07|%1").arg(ordinal)});
            QVERIFY(
                Db->execute("UPDATE tblNastavitve SET BesediloOpomina = 'Plačajte do 15. 12.'"));
        }
        QCOMPARE(reminderMark(today(), 2), "2. opomin 7.12.2026");
    }
};

QTEST_MAIN(TestReminder)
#include "tst_reminder.moc"
