// "Shrani PDF" and "Pošlji po e-pošti" in the editor, with stand-ins for
// LibreOffice and xdg-email on PATH that record how they were called (the
// real conversion is the document tests' part).

#include "tst_racun_support.h"

#include "app/Messages.h"
#include "document/InvoiceEmail.h"

#include <QDesktopServices>
#include <QUrl>

using namespace valmir;
using namespace valmir::test;

namespace {

// Takes the place of the desktop's PDF viewer.
class Viewer : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public Q_SLOTS:
    void open(const QUrl& url) { opened << url; }
};

// A stand-in writes its arguments, each ended by NUL, into "<name>.args".
// PATH holds only them, so the scripts use nothing but the shell.
const char* const FakeSoffice =
    "#!/bin/sh\n"
    "printf '%s\\0' \"$@\" > \"${0%/*}/soffice.args\"\n"
    "if [ -n \"$FAKE_SOFFICE_ERROR\" ]; then echo \"$FAKE_SOFFICE_ERROR\" >&2; exit 1; fi\n"
    "out=''; prev=''\n"
    "for a in \"$@\"; do [ \"$prev\" = --outdir ] && out=\"$a\"; prev=\"$a\"; last=\"$a\"; done\n"
    "name=\"${last##*/}\"\n"
    "printf '%%PDF-1.4 stand-in of %s\\n' \"$last\" > \"$out/${name%.rtf}.pdf\"\n";
const char* const FakeXdgEmail = "#!/bin/sh\n"
                                 "printf '%s\\0' \"$@\" > \"${0%/*}/xdg-email.args\"\n";

} // namespace

class TestRacunPdf : public FixtureTest {
    Q_OBJECT

    QTemporaryDir m_bin;
    QByteArray m_path;
    Viewer m_viewer;

    void install(const char* name, const char* script) {
        QFile f(m_bin.filePath(QString::fromLatin1(name)));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(script);
        f.close();
        QVERIFY(f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    }
    QStringList args(const char* name) {
        QFile f(m_bin.filePath(QString::fromLatin1(name) + QStringLiteral(".args")));
        if (!f.open(QIODevice::ReadOnly))
            return {};
        QStringList out = QString::fromUtf8(f.readAll()).split(QChar(0));
        out.removeLast();
        return out;
    }
    QString folder() const { return m_fixture->dataDir() + QStringLiteral("/Računi"); }

    void prepare() override {
        m_path = qgetenv("PATH");
        // Only the stand-ins: no real LibreOffice or mail program.
        qputenv("PATH", m_bin.path().toLocal8Bit());
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &m_viewer, "open");
        QVERIFY(Db->execute("UPDATE tblNastavitve SET MapaDokumentov = ?, Firma = ' Geo Žerjav '",
                            {folder()}));
    }

private Q_SLOTS:
    void cleanup() {
        qputenv("PATH", m_path);
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        m_viewer.opened.clear();
        for (const char* f : {"soffice", "xdg-email", "soffice.args", "xdg-email.args"})
            QFile::remove(m_bin.filePath(QString::fromLatin1(f)));
        FixtureTest::cleanup();
    }

    // The PDF is LibreOffice's conversion of the printed document, stored
    // under the invoice's number and shown; an existing one is replaced
    // only after a Yes.
    void savePdf() {
        install("soffice", FakeSoffice);
        Session s;
        QVERIFY(s.e);
        s.add({{1, 3}});
        s.e->setHeaderText(0, "2026/001");
        click(s.e, "Command9");
        const QString pdf = folder() + QStringLiteral("/Racun 2026-001.pdf");
        QTRY_COMPARE(m_viewer.opened, QList<QUrl>{QUrl::fromLocalFile(pdf)});
        QCOMPARE(s.watcher.seen, QStringList());
        const QStringList a = args("soffice");
        const QString rtf = QDir(m_fixture->tempDir()).filePath("racun.rtf");
        QCOMPARE(a.mid(1),
                 (QStringList{"--headless", "--norestore", "--convert-to", "pdf", "--outdir",
                              QDir(m_fixture->tempDir()).filePath("pdf"), rtf}));
        QVERIFY(a[0].startsWith("-env:UserInstallation=file://" + m_fixture->tempDir()));
        QFile written(pdf);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QVERIFY(written.readAll().contains(rtf.toLocal8Bit()));

        QFile::remove(m_bin.filePath("soffice.args"));
        click(s.e, "Command9"); // No (the watcher's default) keeps the old PDF
        QCOMPARE(s.watcher.seen.value(0),
                 PdfMessages::Replace.title + u'|' + PdfMessages::Replace.text.arg(pdf));
        QVERIFY(args("soffice").isEmpty());
        QCOMPARE(m_viewer.opened.size(), 1);
        s.watcher.answers << QMessageBox::Yes;
        click(s.e, "Command9");
        QTRY_COMPARE(m_viewer.opened.size(), 2);
        QVERIFY(!args("soffice").isEmpty());
    }

    // LibreOffice missing or refusing: its message, nothing stored.
    void conversionRefused_data() {
        QTest::addColumn<bool>("installed");
        QTest::addColumn<QString>("seen");
        QTest::newRow("missing") << false
                                 << PdfMessages::NoLibreOffice.title + u'|' +
                                        PdfMessages::NoLibreOffice.text;
        QTest::newRow("refusing") << true
                                  << PdfMessages::ConversionFailed.title + u'|' +
                                         PdfMessages::ConversionFailed.text +
                                         "\nError: source file could not be loaded";
    }
    void conversionRefused() {
        QFETCH(bool, installed);
        QFETCH(QString, seen);
        if (installed)
            install("soffice", FakeSoffice);
        qputenv("FAKE_SOFFICE_ERROR", "Error: source file could not be loaded");
        Session s;
        QVERIFY(s.e);
        s.add({{1, 3}});
        click(s.e, "Command9");
        qunsetenv("FAKE_SOFFICE_ERROR");
        QCOMPARE(s.watcher.seen, QStringList{seen});
        QVERIFY(QDir(folder()).entryList(QDir::Files).isEmpty());
        QVERIFY(m_viewer.opened.isEmpty());
    }

    // The message goes to the customer's address with the PDF attached;
    // without xdg-email the PDF stays written and the user is told.
    void email() {
        install("soffice", FakeSoffice);
        install("xdg-email", FakeXdgEmail);
        QVERIFY(addInvoice(
            *Db,
            {{"StevilkaRacuna", "2026/002"}, {"Ime", "Špela"}, {"Email", " spela@primer.si "}}));
        Session s(1, "2026/002");
        QVERIFY(s.e);
        s.add({{1, 3}});
        click(s.e, "Command10");
        const QString pdf = folder() + QStringLiteral("/Racun 2026-002.pdf");
        QTRY_VERIFY(!args("xdg-email").isEmpty());
        QCOMPARE(args("xdg-email"), (QStringList{"--subject", "Račun 2026/002", "--body",
                                                 invoiceEmailBody("2026/002", "Geo Žerjav"),
                                                 "--attach", pdf, "spela@primer.si"}));
        QVERIFY(invoiceEmailBody("2026/002", "Geo Žerjav").endsWith("Geo Žerjav\n"));
        QVERIFY(QFileInfo(pdf).size() > 0);
        QVERIFY(m_viewer.opened.isEmpty());

        QFile::remove(m_bin.filePath("xdg-email"));
        s.watcher.answers << QMessageBox::Yes; // replace the PDF
        click(s.e, "Command10");
        QCOMPARE(s.watcher.seen.value(1), PdfMessages::NoMailLauncher.title + u'|' +
                                              PdfMessages::NoMailLauncher.text.arg(pdf));
        QVERIFY(QFileInfo(pdf).size() > 0);
    }
};

QTEST_MAIN(TestRacunPdf)
#include "tst_racun_pdf.moc"
