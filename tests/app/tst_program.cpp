#include "TestSupport.h"
#include "text/Messages.h"
#include "app/Glavna.h"
#include "app/Program.h"
#include "data/Backup.h"
#include "invoice/StoredTotals.h"
#include "ui/MessageBox.h"

#include <QMenu>
#include <QPlainTextEdit>
#include <QProcess>
#include <QRegularExpression>

using namespace valmir;

class TestProgram : public QObject {
    Q_OBJECT
    QTemporaryDir m_tmp;

private Q_SLOTS:
    void initTestCase() {
        // The run's temporary folder, away from a VALMIR the user may run.
        qputenv("XDG_RUNTIME_DIR", m_tmp.path().toLocal8Bit());
    }
    void cleanup() { shutDown(); }

    void refusedStartEndsAfterOneBox_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("told");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("unknown option") << QStringList{"valmir", "--nekaj"} << "--nekaj" << 2;
        QTest::newRow("folder missing") << QStringList{"valmir", "--data-dir"} << "manjka" << 2;
        QTest::newRow("stray argument") << QStringList{"valmir", "racun.rtf"} << "racun.rtf" << 2;
        QTest::newRow("unusable data folder")
            << QStringList{"valmir", "--data-dir", "/dev/null/valmir"} << "/dev/null/valmir/" << 1;
    }
    void refusedStartEndsAfterOneBox() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, told);
        test::ModalWatcher watcher;
        QTEST(runValmir(*qApp, arguments), "exitCode");
        QCOMPARE(watcher.seen.size(), 1);
        QVERIFY2(watcher.seen[0].startsWith("VALMIR|") && watcher.seen[0].contains(told),
                 qPrintable(watcher.seen[0]));
        QVERIFY(!Db && !WorkDb);
    }

    // Help and version are told on the console: no box, no window, no
    // data folder.
    void helpAndVersionEndAtOnce_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("--help") << QStringList{"valmir", "--help"};
        QTest::newRow("-h with a folder") << QStringList{"valmir", "--data-dir", "x", "-h"};
        QTest::newRow("--version") << QStringList{"valmir", "--version"};
    }
    void helpAndVersionEndAtOnce() {
        QFETCH(QStringList, arguments);
        test::ModalWatcher watcher;
        QCOMPARE(runValmir(*qApp, arguments), 0);
        QVERIFY(watcher.seen.isEmpty());
        QVERIFY(!QFileInfo::exists("x") && !Db);
    }

    // Qt's own buttons speak Slovenian once the program runs.
    void qtButtonsSpeakSlovenian_data() {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QStringList>("buttons");
        QTest::newRow("question") << "question" << QStringList{"Da", "Ne"};
        QTest::newRow("critical") << "critical" << QStringList{"V redu"};
        QTest::newRow("input box") << "input" << QStringList{"Prekliči", "V redu"};
    }
    void qtButtonsSpeakSlovenian() {
        QFETCH(QString, box);
        QFETCH(QStringList, buttons);
        runValmir(*qApp, {"valmir", "--version"}); // as far as the program's set-up
        QStringList shown;
        QTimer reader;
        connect(&reader, &QTimer::timeout, [&] {
            QWidget* w = QApplication::activeModalWidget();
            if (!w || !shown.isEmpty())
                return;
            for (QAbstractButton* b : w->findChildren<QAbstractButton*>())
                if (b->isVisible())
                    shown << b->text().remove(u'&');
            shown.sort();
            if (auto* m = qobject_cast<QMessageBox*>(w))
                m->buttons().constFirst()->click();
            else
                static_cast<QDialog*>(w)->reject();
        });
        reader.start(20);
        if (box == "question")
            Msg::question(nullptr, "Ali?", "Vprašanje");
        else if (box == "critical")
            Msg::critical(nullptr, "Ne gre.", "Napaka");
        else
            Msg::inputText(nullptr, "Ime", "Vnos");
        QCOMPARE(shown, buttons);
    }

    // The context menus of one-line and multi-line text boxes as well.
    void textBoxMenusSpeakSlovenian() {
        runValmir(*qApp, {"valmir", "--version"});
        QLineEdit line;
        QPlainTextEdit remark;
        for (QMenu* menu : {line.createStandardContextMenu(), remark.createStandardContextMenu()}) {
            QStringList texts;
            for (QAction* a : menu->actions())
                texts << a->text().remove(u'&').section(u'\t', 0, 0);
            QVERIFY2(texts.contains("Izberi vse") && texts.contains("Prilepi"),
                     qPrintable(texts.join(u',')));
            delete menu;
        }
    }

    // A good folder shows the main window until it is closed, then all is
    // shut down. On a normal exit the day's copy is made; when it cannot
    // be, the next start says so once, and makes it then.
    void dailyCopyOnExitFailureToldNextStart() {
        QTemporaryDir data;
        const QString copies = Backup::folderIn(data.path());
        QFile blocker(copies.chopped(1)); // a file where the folder of copies belongs
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        bool shown = false; // the main window over open databases
        auto run = [&] {
            test::ModalWatcher watcher;
            QTimer closer;
            connect(&closer, &QTimer::timeout, [&] {
                for (QWidget* w : QApplication::topLevelWidgets())
                    if (qobject_cast<Glavna*>(w) && w->isVisible() &&
                        !QApplication::activeModalWidget()) {
                        shown = Db && WorkDb;
                        w->close();
                    }
            });
            closer.start(100);
            [&] { QCOMPARE(runValmir(*qApp, {"valmir", "--data-dir", data.path()}), 0); }();
            return watcher.seen;
        };
        // The first start with no invoice tells what to do first.
        const Message& first = HelpMessages::FirstSteps;
        QCOMPARE(run(), QStringList{first.title + '|' + first.text});
        QVERIFY(shown && QFile::exists(data.filePath("valmir2009.db")));
        QVERIFY(!Db && !WorkDb);
        QVERIFY(QFileInfo(m_tmp.filePath("valmir")).isDir());
        QVERIFY(!QFile::exists(m_tmp.filePath("valmir/valmir.lock")));
        QVERIFY(blocker.remove());
        const QStringList told = run();
        QCOMPARE(told.size(), 1);
        QVERIFY2(told[0].startsWith("Varnostna kopija|Ob zadnjem zaprtju") &&
                     told[0].contains(QDir::toNativeSeparators(copies.chopped(1))),
                 qPrintable(told[0]));
        QVERIFY(QFile::exists(copies + Backup::dailyName(QDate::currentDate())));
        QCOMPARE(run(), QStringList()); // told once
    }

    // "--e-racun NUMBER FILE" runs as a process of its own, without a
    // display: the e-invoice, or one line on standard error, a non-zero
    // exit and no file.
    void eInvoiceOnTheCommandLine_data() {
        QTest::addColumn<QStringList>("arguments"); // after --data-dir DATA; OUT is the target
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("told"); // on standard error; empty: nothing
        QTest::addColumn<bool>("written");
        QTest::addColumn<QString>("format"); // what marks the e-invoice's format
        const QString eslog = "xmlns=\"urn:eslog:2.00\"";
        const QString ubl = "#compliant#urn:fdc:peppol.eu:2017:poacc:billing:3.0</";
        QTest::newRow("to a file")
            << QStringList{"--e-racun", "2026/007", "OUT"} << 0 << "" << true << eslog;
        QTest::newRow("to standard output")
            << QStringList{"--e-racun", "2026/007", "-"} << 0 << "" << false << eslog;
        QTest::newRow("unknown number")
            << QStringList{"--e-racun", "2026/999", "OUT"} << 1 << "2026/999" << false << eslog;
        QTest::newRow("file cannot be written")
            << QStringList{"--e-racun", "2026/007", "/dev/null/racun.xml"} << 1
            << "/dev/null/racun.xml" << false << eslog;
        QTest::newRow("no data") << QStringList{"--e-racun", "2026/007", "OUT", "NODATA"} << 1
                                 << "ne obstaja" << false << eslog;
        QTest::newRow("no file named")
            << QStringList{"--e-racun", "2026/007"} << 2 << "manjka datoteka" << false << eslog;
        // The format asked for, else the customer's in the register; a
        // Peppol invoice for a buyer the network cannot reach is refused.
        QTest::newRow("Peppol asked for")
            << QStringList{"--e-racun", "2026/007", "OUT", "--oblika", "peppol"} << 0 << "" << true
            << ubl;
        QTest::newRow("e-SLOG asked for, Peppol in the register")
            << QStringList{"--e-racun", "2026/007", "OUT", "--oblika", "eslog", "REGISTER"} << 0
            << "" << true << eslog;
        QTest::newRow("the register's Peppol")
            << QStringList{"--e-racun", "2026/007", "-", "REGISTER"} << 0 << "" << false << ubl;
        QTest::newRow("Peppol for a buyer without VAT number")
            << QStringList{"--e-racun", "2026/007", "OUT", "--oblika", "peppol", "PRIVATE"} << 1
            << "nima elektronskega naslova" << false << ubl;
        QTest::newRow("unknown format")
            << QStringList{"--e-racun", "2026/007", "OUT", "--oblika", "xml"} << 2
            << "Neznana oblika e-računa: xml" << false << ubl;
    }

    void eInvoiceOnTheCommandLine() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, told);
        QFETCH(bool, written);
        QFETCH(QString, format);
        test::Fixture fixture;
        QVERIFY(fixture.start());
        QVERIFY(Db->execute("UPDATE tblNastavitve SET Firma = 'Geodet d.o.o.', Naslov = 'Ulica 1', "
                            "PST = '3230', Posta = 'Šentjur', Davcna = 'SI12345679', "
                            "TRR = 'SI56 0201 0001 2345 641'"));
        const qint64 id = test::addInvoice(
            *Db, {{"StevilkaRacuna", "2026/007"},
                  {"Ime", "Občina Šentjur"},
                  {"Naslov", "Trg 1"},
                  {"PST", "3230"},
                  {"Posta", "Šentjur"},
                  {"Davcna", arguments.removeOne("PRIVATE") ? QString() : QString("SI87654321")},
                  {"Datum", QDate(2026, 12, 5)},
                  {"Veljavnost", 30},
                  {"VrednostTocke", 0.75},
                  {"StopnjaDDV", 22}});
        test::addLine(*Db, id, test::operationId(*Db, 1, 1), 300, 2, {}, {});
        QVERIFY(computeStoredTotals(*Db));
        if (arguments.removeOne("REGISTER"))
            QVERIFY(Db->execute("INSERT INTO tblNarocnik (Ime, Davcna, OblikaERacuna) VALUES "
                                "('Občina Šentjur', 'SI87654321', 'peppol')"));
        shutDown(); // the data are the process's now

        QTemporaryDir out;
        const QString target = out.filePath("racun.xml");
        QString dataDir = fixture.dataDir();
        if (arguments.removeOne("NODATA"))
            dataDir = out.filePath("nothing-here");
        arguments.replaceInStrings(QRegularExpression("^OUT$"), target);
        QProcess valmir;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("DISPLAY");
        env.remove("WAYLAND_DISPLAY");
        env.remove("QT_QPA_PLATFORM");
        env.insert("XDG_RUNTIME_DIR", out.path());
        valmir.setProcessEnvironment(env);
        // On the test server the data are the fixture's database there.
        const QString server = fixture.options().server;
        if (!server.isEmpty() && dataDir == fixture.dataDir())
            arguments << "--server" << server;
        valmir.start(qEnvironmentVariable("VALMIR_PROGRAM"),
                     QStringList{"--data-dir", dataDir} + arguments);
        QVERIFY(valmir.waitForFinished(60000));
        const QString error = QString::fromUtf8(valmir.readAllStandardError());
        const QByteArray output = valmir.readAllStandardOutput();
        QCOMPARE(valmir.exitStatus(), QProcess::NormalExit);
        QTEST(valmir.exitCode(), "exitCode");
        if (told.isEmpty()) {
            QCOMPARE(error, QString());
        } else {
            QVERIFY2(error.count(u'\n') == 1 && error.endsWith(u'\n') && error.contains(told),
                     qPrintable(error));
        }
        QCOMPARE(QFileInfo::exists(target), written);
        QCOMPARE(QDir(out.path()).entryList(QDir::Files).size(), written ? 1 : 0);
        QVERIFY(!QFileInfo::exists(dataDir) || dataDir == fixture.dataDir());
        const QByteArray xml = written ? test::readBytes(target) : output;
        if (valmir.exitCode() == 0)
            QVERIFY2(xml.startsWith("<?xml") && xml.contains("2026/007") &&
                         xml.contains(format.toUtf8()),
                     xml.left(300).constData());
        else
            QVERIFY(output.isEmpty());
    }

    // The value helpers the windows share.
    void amountText() {
        QCOMPARE(AmountText(QVariant()), QString());
        QCOMPARE(AmountText(0.0), QString());
        // Cut before the no-break space in front of "€".
        QCOMPARE(AmountText(1234.5), QString("1.234,50"));
        QCOMPARE(AmountText(-0.13), QString("-0,13"));
        QCOMPARE(AmountText(qlonglong(7)), QString("7,00"));
        QCOMPARE(AmountText(QString("12,5")), QString("12,50"));
    }

    void roundCents() {
        // Double arithmetic: 1.005 lies just below the half.
        const std::pair<double, double> cases[] = {
            {2.345, 2.35}, {2.344, 2.34}, {0.125, 0.13},          {-0.125, -0.12},
            {1.005, 1.0},  {-2.5, -2.5},  {123456.785, 123456.79}};
        for (auto [x, cents] : cases)
            QCOMPARE(RoundCents(x), cents);
    }

    void numbersOrNullOrZero() {
        for (const QVariant& v : {QVariant(), QVariant(0.0), QVariant("0,0"), QVariant("abc")})
            QVERIFY(NumberOrNull(v).isNull());
        QCOMPARE(NumberOrNull(QString("2,5")), QVariant(2.5));
        QCOMPARE(NumberOrNull(qlonglong(3)), QVariant(3.0));
        QCOMPARE(NumberOrZero(QString("x")), 0.0);
        QCOMPARE(NullToZero(QVariant()), QVariant(0));
        QCOMPARE(NullToZero(QString("a")), QVariant("a"));
    }

    void textOfValues() {
        QCOMPARE(NullTrim(QVariant()), QString());
        QCOMPARE(NullTrim(QString("  Kos  ")), QString("Kos"));
        QCOMPARE(NullTrim(0.75), QString("0,75"));
        QCOMPARE(NullToStr(QVariant()), QString());
        QCOMPARE(NullToStr(1234.5), QString(" 1234.5"));
        QCOMPARE(NullToStr(QString(" as is ")), QString(" as is "));
        QCOMPARE(NullToStr(QDate(2009, 12, 5)), QString("5.12.2009"));
    }
};

QTEST_MAIN(TestProgram)
#include "tst_program.moc"
