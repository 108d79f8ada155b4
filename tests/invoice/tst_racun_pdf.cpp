// "Shrani PDF" and "Pošlji po e-pošti", with stand-ins for LibreOffice and xdg-email.

#include "tst_racun_support.h"

#include "app/Messages.h"
#include "document/InvoiceEmail.h"

#include <QDesktopServices>

#include <optional>

using namespace valmir;
using namespace valmir::test;

namespace {

// Each stand-in writes its arguments, each ended by NUL, into "<itself>.args";
// PATH holds only them, so they use nothing but the shell.
const QByteArray Record = "#!/bin/sh\nprintf '%s\\0' \"$@\" > \"$0.args\"\n";
const QByteArray FakeSoffice =
    Record + "n=\"${8##*/}\"; printf '%%PDF-1.4 stand-in of %s\\n' \"$8\" > \"$7/${n%.rtf}.pdf\"\n";
const QByteArray Refusing = Record + "echo 'Error: cannot load' >&2; exit 1\n";

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
        qputenv("PATH", m_bin->path().toLocal8Bit()); // no real LibreOffice or mail program
        QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "open");
        QVERIFY(Db->execute("UPDATE tblNastavitve SET MapaDokumentov = ?, Firma = ' Geo Žerjav '",
                            {QFileInfo(pdf()).path()}));
        QVERIFY(addInvoice(*Db, {{"StevilkaRacuna", "2026/002"}, {"Email", " spela@primer.si "}}));
    }

public Q_SLOTS: // not a test
    void open(const QUrl& url) { m_opened << url; }

private Q_SLOTS:
    void cleanupTestCase() { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }
    // LibreOffice's conversion of the printed document is stored under the
    // invoice's number and shown, or sent to the customer's address; an
    // existing one is replaced only after a Yes. LibreOffice missing or
    // refusing, or xdg-email missing: the message.
    void savePdf_data() {
        QTest::addColumn<QByteArray>("soffice"); // empty: not installed
        QTest::addColumn<QStringList>("seen");
        QTest::newRow("converted") << FakeSoffice << QStringList();
        QTest::newRow("missing") << QByteArray() << QStringList{shown(PdfMessages::NoLibreOffice)};
        QTest::newRow("refusing") << Refusing
                                  << QStringList{shown(PdfMessages::ConversionFailed) +
                                                 "\nError: cannot load"};
    }
    void savePdf() {
        QFETCH(QByteArray, soffice);
        QFETCH(QStringList, seen);
        if (!soffice.isEmpty())
            install("soffice", soffice);
        Session s(1, "2026/002");
        QVERIFY(s.e);
        s.add({{1, 3}});
        click(s.e, "Command9");
        QTRY_COMPARE(m_opened,
                     seen.isEmpty() ? QList<QUrl>{QUrl::fromLocalFile(pdf())} : QList<QUrl>());
        QCOMPARE(s.watcher.seen, seen);
        QCOMPARE(QFileInfo(pdf()).dir().entryList(QDir::Files).size(), int(seen.isEmpty()));
        if (!seen.isEmpty())
            return;
        const QStringList a = args("soffice");
        const QString rtf = QDir(m_fixture->tempDir()).filePath("racun.rtf");
        QCOMPARE(a.mid(1),
                 (QStringList{"--headless", "--norestore", "--convert-to", "pdf", "--outdir",
                              QDir(m_fixture->tempDir()).filePath("pdf"), rtf}));
        QVERIFY(a[0].startsWith("-env:UserInstallation=file://" + m_fixture->tempDir()));
        QVERIFY(readBytes(pdf()).contains(rtf.toLocal8Bit()));
        QFile::remove(m_bin->filePath("soffice.args"));
        click(s.e, "Command9"); // No (the watcher's default) keeps the old PDF
        QCOMPARE(s.watcher.seen, QStringList{shown(PdfMessages::Replace, pdf())});
        QVERIFY(args("soffice").isEmpty());
        QCOMPARE(m_opened.size(), 1);
        s.watcher.answers << QMessageBox::Yes;
        click(s.e, "Command9");
        QTRY_COMPARE(m_opened.size(), 2);
        QVERIFY(!args("soffice").isEmpty());
        QFile::remove(m_bin->filePath("soffice.args"));
        s.watcher.answers << QMessageBox::Yes;
        click(s.e, "Command10"); // the PDF made again and attached, the viewer not opened
        const QString body = invoiceEmailBody("2026/002", "Geo Žerjav");
        QTRY_COMPARE(args("xdg-email"), (QStringList{"--subject", "Račun 2026/002", "--body", body,
                                                     "--attach", pdf(), "spela@primer.si"}));
        QVERIFY(body.endsWith("Geo Žerjav\n"));
        QVERIFY(!args("soffice").isEmpty() && QFileInfo(pdf()).size() > 0 && m_opened.size() == 2);
        QFile::remove(m_bin->filePath("xdg-email")); // the PDF kept, the user told
        s.watcher.answers << QMessageBox::Yes;
        click(s.e, "Command10");
        QCOMPARE(s.watcher.seen.last(), shown(PdfMessages::NoMailLauncher, pdf()));
        QVERIFY(QFileInfo(pdf()).size() > 0);
    }
};

QTEST_MAIN(TestRacunPdf)
#include "tst_racun_pdf.moc"
