// "Shrani PDF", "Shrani e-račun" and "Pošlji po e-pošti", with a stand-in
// for xdg-email.

#include "EditorSession.h"

#include "document/InvoiceEmail.h"
#include "document/PdfExport.h"
#include "invoice/CreditNote.h"
#include "invoice/InvoiceFields.h"
#include "text/Clock.h"
#include "text/Messages.h"

#include <QDesktopServices>

#include <optional>

using namespace valmir;
using namespace valmir::test;

namespace {

// Each stand-in writes its arguments, each ended by NUL, into "<itself>.args";
// PATH holds only them, so they use nothing but the shell.
const QByteArray Record = "#!/bin/sh\nprintf '%s\\0' \"$@\" > \"$0.args\"\n";

QString shown(const Message& m, const QString& detail = {}) {
    return m.title + u'|' + (detail.isEmpty() ? m.text : m.text.arg(detail));
}

} // namespace

class TestRacunPdf : public FixtureTest {
    Q_OBJECT

    std::optional<QTemporaryDir> m_bin; // new for each test
    QList<QUrl> m_opened;               // by the desktop's PDF viewer

    void install(const QString& name, const QByteArray& script) {
        QFile f(m_bin->filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(script) == script.size() &&
                f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    }
    QStringList args(const QString& name) { // empty when it did not run
        const QByteArray given = readBytes(m_bin->filePath(name + QStringLiteral(".args")));
        return given.isEmpty() ? QStringList()
                               : QString::fromUtf8(given.chopped(1)).split(QChar(0));
    }
    QString pdf() const {
        return m_fixture->dataDir() + QStringLiteral("/Računi/Racun 2026-002.pdf");
    }

    void prepare() override {
        m_bin.emplace();
        m_opened.clear();
        install("xdg-email", Record);
        qputenv("PATH", m_bin->path().toLocal8Bit()); // no real mail program
        QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "open");
        QVERIFY(Db->execute("UPDATE tblNastavitve SET MapaDokumentov = ?, Firma = ' Geo Žerjav '",
                            {QFileInfo(pdf()).path()}));
        QVERIFY(addInvoice(
            *Db,
            {{"StevilkaRacuna", "2026/002"}, {"Ime", "Kupec"}, {"Email", " spela@primer.si "}}));
    }

public Q_SLOTS: // not a test
    void open(const QUrl& url) { m_opened << url; }

private Q_SLOTS:
    void cleanupTestCase() { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }
    // The PDF drawn of the stored invoice is stored under the invoice's
    // number and shown, or sent to the customer's address; an existing one
    // is replaced only after a Yes. A PDF that cannot take its place (here
    // a folder holds the name) is told with the system's words, and nothing
    // is left beside it; xdg-email missing: the message.
    void savePdf_data() {
        QTest::addColumn<bool>("blocked");
        QTest::newRow("drawn") << false;
        QTest::newRow("the name taken by a folder") << true;
    }
    void savePdf() {
        QFETCH(bool, blocked);
        if (blocked)
            QVERIFY(QDir().mkpath(pdf()));
        Session s(1, "2026/002");
        QVERIFY(s.e);
        s.add({{1, 3}}); // a change: saved first, after a Yes
        s.watcher.answers << QMessageBox::Yes << QMessageBox::Yes;
        click(s.e, "Command9");
        QTRY_COMPARE(m_opened, blocked ? QList<QUrl>() : QList<QUrl>{QUrl::fromLocalFile(pdf())});
        QCOMPARE(tableCount("tblRacunTarife"), 1);
        if (blocked) {
            QCOMPARE(s.watcher.seen.size(), 3);
            QCOMPARE(s.watcher.seen.mid(0, 2), (QStringList{shown(PdfMessages::SaveFirst),
                                                            shown(PdfMessages::Replace, pdf())}));
            QVERIFY2(s.watcher.seen[2].startsWith(shown(PdfMessages::NotPlaced, pdf()) + u'\n'),
                     qPrintable(s.watcher.seen[2]));
            QCOMPARE(QFileInfo(pdf()).dir().entryList(QDir::Files | QDir::Hidden), QStringList());
            return;
        }
        // Where the PDF went is told, as for the e-invoice.
        QCOMPARE(s.watcher.seen,
                 (QStringList{shown(PdfMessages::SaveFirst),
                              shown(PdfMessages::PdfSaved, QDir::toNativeSeparators(pdf()))}));
        QCOMPARE(QFileInfo(pdf()).dir().entryList(QDir::Files | QDir::Hidden).size(), 1);
        QVERIFY(readBytes(pdf()).startsWith("%PDF-1.4"));
        s.watcher.seen.clear();
        s.watcher.answers.clear();
        const QDateTime first = QFileInfo(pdf()).lastModified();
        click(s.e, "Command9"); // No (the watcher's default) keeps the old PDF
        QCOMPARE(s.watcher.seen, QStringList{shown(PdfMessages::Replace, pdf())});
        QCOMPARE(QFileInfo(pdf()).lastModified(), first);
        QCOMPARE(m_opened.size(), 1);
        s.watcher.answers << QMessageBox::Yes;
        click(s.e, "Command9");
        QTRY_COMPARE(m_opened.size(), 2);
        s.watcher.answers << QMessageBox::Yes;
        click(s.e, "Command10"); // the PDF made again and attached, the viewer not opened
        const QString body = invoiceEmailBody("2026/002", "Geo Žerjav");
        QTRY_COMPARE(args("xdg-email"), (QStringList{"--subject", "Račun 2026/002", "--body", body,
                                                     "--attach", pdf(), "spela@primer.si"}));
        QVERIFY(body.endsWith("Geo Žerjav\n"));
        QVERIFY(QFileInfo(pdf()).size() > 0 && m_opened.size() == 2);
        QFile::remove(m_bin->filePath("xdg-email")); // the PDF kept, the user told
        s.watcher.answers << QMessageBox::Yes;
        click(s.e, "Command10");
        QCOMPARE(s.watcher.seen.last(), shown(PdfMessages::NoMailLauncher, pdf()));
        QVERIFY(QFileInfo(pdf()).size() > 0);
    }
    // A PDF or a mail goes out only with the invoice as stored: a new one is
    // saved first after a Yes and then edited as the row it became.
    void newInvoiceStoredBeforeSent_data() {
        QTest::addColumn<bool>("yes");
        QTest::newRow("no") << false;
        QTest::newRow("yes") << true;
    }
    void newInvoiceStoredBeforeSent() {
        QFETCH(bool, yes);
        setTodayForTest(QDate(2026, 5, 4));
        QVERIFY(Db->execute("UPDATE tblNastavitve SET StRacuna = 7"));
        Session s; // a new invoice, 2026/007 proposed
        QVERIFY(s.e);
        s.e->setHeaderText(CustomerBox, "Kupec");
        s.add({{1, 3}});
        s.watcher.answers << (yes ? QMessageBox::Yes : QMessageBox::No);
        click(s.e, "Command10");
        QCOMPARE(s.watcher.seen, QStringList{shown(PdfMessages::SaveFirst)});
        const QString rows = "SELECT StevilkaRacuna, Zadeva FROM tblRacun ORDER BY ID";
        QCOMPARE(queryRows(rows),
                 (yes ? QStringList{"2026/002|", "2026/007|"} : QStringList{"2026/002|"}));
        QCOMPARE(counter(), yes ? 8.0 : 7.0);
        const QString pdf7 = QFileInfo(pdf()).dir().filePath("Racun 2026-007.pdf");
        QCOMPARE(args("xdg-email").mid(1, 5),
                 (yes ? QStringList{"Račun 2026/007", "--body",
                                    invoiceEmailBody("2026/007", "Geo Žerjav"), "--attach", pdf7}
                      : QStringList()));
        QCOMPARE(QFileInfo::exists(pdf7), yes);
        QCOMPARE(s.e->isModified(), !yes);
        if (!yes)
            return;
        QVERIFY(s.e->isVisible() && s.e->mode() == 1 && s.e->originalNumber() == "2026/007");
        QFile::remove(m_bin->filePath("xdg-email.args"));
        s.watcher.answers << QMessageBox::Yes; // the first click's PDF replaced
        click(s.e, "Command10");
        QVERIFY(!args("xdg-email").isEmpty());
        QCOMPARE(s.watcher.seen.mid(1), QStringList{shown(PdfMessages::Replace, pdf7)});
        s.e->setHeaderText(12, "Meja"); // "Shrani račun" edits the stored row
        click(s.e, "Command1");
        QCOMPARE(queryRows(rows), (QStringList{"2026/002|", "2026/007|Meja"}));
    }

    // A stored invoice opened and left as it was goes out as it is stored:
    // what the editor does by itself first (the pricing, the plausibility
    // question answered Ne) is no change that asks for a save. A credit
    // note's message says so.
    void unchangedGoesOutAsStored_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("creditNote");
        QTest::newRow("Shrani PDF") << "Command9" << false;
        QTest::newRow("Pošlji po e-pošti") << "Command10" << false;
        QTest::newRow("a credit note by e-mail") << "Command10" << true;
    }
    void unchangedGoesOutAsStored() {
        QFETCH(QString, button);
        QFETCH(bool, creditNote);
        const qint64 id = Db->scalar("SELECT ID FROM tblRacun").toLongLong();
        QVERIFY(Db->execute("UPDATE tblRacun SET EnotenElaborat = ?, VrednostTocke = 1, "
                            "Datum = ?",
                            {true, QDate(2026, 3, 2)}));
        addLine(*Db, id, operationId(*Db, 1, 3), 250.0, 1.0, QVariant(), 250.0);
        QString number = "2026/002";
        if (creditNote) {
            const CreditNoteResult made = makeCreditNote(*Db, id, QDate(2026, 3, 3));
            QCOMPARE(int(made.outcome), int(CreditNoteOutcome::Made));
            number = made.number;
        }
        const QString before = queryRows("SELECT * FROM tblRacun ORDER BY ID").join(u';');
        Session s(1, number);
        QVERIFY(s.e);
        click(s.e, button);
        const QString file = QFileInfo(pdf()).dir().filePath(pdfFileName(number));
        QStringList seen{shown(Messages::AskUntickUnifiedReport)};
        if (button == "Command9")
            seen << shown(PdfMessages::PdfSaved, QDir::toNativeSeparators(file));
        QCOMPARE(s.watcher.seen, seen);
        QVERIFY(QFileInfo::exists(file) && !s.e->isModified());
        QCOMPARE(queryRows("SELECT * FROM tblRacun ORDER BY ID").join(u';'), before);
        if (button == "Command10")
            QCOMPARE(args("xdg-email").mid(0, 2),
                     (QStringList{"--subject", (creditNote ? "Dobropis " : "Račun ") + number}));
    }

    // The address box holds one plain address or nothing. Anything that
    // could carry more into the mail link is refused before the invoice is
    // saved or a PDF made; a mail launcher that fails is told in its words.
    void mailAddress_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QByteArray>("launcher");
        QTest::addColumn<QString>("told"); // after the message; "refused": the address
        QTest::newRow("blanks around") << " spela@primer.si " << Record << QString();
        QTest::newRow("none") << "" << Record << QString();
        QTest::newRow("dotted, plus") << "ana.kos+racuni@geo-biro.primer.si" << Record << QString();
        QTest::newRow("launcher says why")
            << "ana@primer.si" << Record + "echo 'no method available' >&2; exit 3\n"
            << "\nno method available";
        QTest::newRow("launcher silent") << "ana@primer.si" << Record + "exit 4\n"
                                         << "\nexit 4";
        for (const char* bad : {"-a@b.si?attach=/home/x/valmir2009.db&bcc=x@y.si", "mailto:x@y.si",
                                "a@b.si?attach=/x", "a@b.si&bcc=c@d.si", "a,b@c.si", "no-at-sign",
                                "a b@c.si", "ana@primer", "'a'@b.si"})
            QTest::newRow(bad) << QString(bad) << Record << "refused";
    }
    void mailAddress() {
        QFETCH(QString, address);
        QFETCH(QByteArray, launcher);
        QFETCH(QString, told);
        install("xdg-email", launcher);
        Session s(1, "2026/002");
        QVERIFY(s.e);
        s.add({{1, 3}});
        s.e->setHeaderText(EmailBox, address);
        s.watcher.answers << QMessageBox::Yes; // saved first
        click(s.e, "Command10");
        if (told == "refused") {
            QCOMPARE(s.watcher.seen, QStringList{shown(PdfMessages::BadAddress, address)});
            QVERIFY(args("xdg-email").isEmpty() && !QFileInfo::exists(pdf()));
            QCOMPARE(queryRows("SELECT Email FROM tblRacun"), QStringList{" spela@primer.si "});
            return;
        }
        QStringList seen{shown(PdfMessages::SaveFirst)};
        if (!told.isEmpty())
            seen << shown(PdfMessages::MailNotStarted, pdf()) + told;
        QCOMPARE(s.watcher.seen, seen);
        const QString to = address.trimmed();
        QCOMPARE(args("xdg-email").mid(5),
                 QStringList{pdf()} + (to.isEmpty() ? QStringList() : QStringList{to}));
    }

    // "Shrani e-račun" stores the invoice first (after a Yes), then writes
    // the stored invoice's e-invoice beside its PDF and says where; an
    // invoice the e-invoice cannot be made of is told and nothing written.
    void saveEInvoice_data() {
        QTest::addColumn<bool>("complete"); // customer, date and the office's tax data
        // The customer's format in the register, and its VAT number.
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("vat");
        QTest::newRow("complete") << true << ""
                                  << "";
        QTest::newRow("no date") << false << ""
                                 << "";
        QTest::newRow("customer's Peppol") << true << "peppol"
                                           << "SI87654321";
        QTest::newRow("customer's Peppol, no address") << false << "peppol"
                                                       << "";
    }
    void saveEInvoice() {
        QFETCH(bool, complete);
        QFETCH(QString, format);
        QFETCH(QString, vat);
        QVERIFY(Db->execute("UPDATE tblNastavitve SET Davcna = 'SI12345679', "
                            "TRR = 'SI56 0201 0001 2345 641'"));
        if (complete)
            QVERIFY(Db->execute(
                "UPDATE tblRacun SET Ime = 'Občina Šentjur', VrednostTocke = 0.75, Datum = ?",
                {QDate(2026, 12, 5)}));
        if (!format.isEmpty()) {
            QVERIFY(Db->execute("UPDATE tblRacun SET Ime = 'Občina Šentjur', Davcna = ?, "
                                "VrednostTocke = 0.75, Datum = ?",
                                {vat, QDate(2026, 12, 5)}));
            // The register's entry is the invoice's customer as saved.
            QVERIFY(Db->execute(
                "INSERT INTO tblNarocnik (Ime, Naslov, PST, Posta, KontaktnaOseba, Telefon, Faks, "
                "Email, Davcna, TRR, OblikaERacuna) SELECT Ime, Naslov, PST, Posta, "
                "KontaktnaOseba, Telefon, Faks, Email, Davcna, TRR, ? FROM tblRacun",
                {format}));
        }
        const QString xml = QFileInfo(pdf()).path() + "/Racun 2026-002.xml";
        Session s(1, "2026/002");
        QVERIFY(s.e);
        s.add({{1, 3}});
        QVERIFY(typeCell(s.e, 0, 3, "2")); // two of them: a line with an amount
        s.watcher.answers << QMessageBox::Yes;
        click(s.e, "Command11");
        QCOMPARE(s.watcher.seen.size(), 2);
        QCOMPARE(s.watcher.seen[0], shown(PdfMessages::SaveFirst));
        QCOMPARE(tableCount("tblRacunTarife"), 1);
        QVERIFY2(QFileInfo::exists(xml) == complete, qPrintable(s.watcher.seen.join(u';')));
        if (!complete && !format.isEmpty())
            QCOMPARE(s.watcher.seen[1],
                     shown(EInvoiceFormatMessages::NoBuyerAddress, QString("2026/002")));
        if (!complete)
            return;
        QCOMPARE(s.watcher.seen[1],
                 shown(PdfMessages::EInvoiceSaved, QDir::toNativeSeparators(xml)));
        const QByteArray written = readBytes(xml);
        QVERIFY(written.contains(format.isEmpty() ? "urn:eslog:2.00"
                                                  : "urn:fdc:peppol.eu:2017:poacc:billing:3.0") &&
                written.contains("2026/002") && written.contains("Občina Šentjur"));
    }
};

QTEST_MAIN(TestRacunPdf)
#include "tst_racun_pdf.moc"
