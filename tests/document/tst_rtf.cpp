// The RTF primitives byte for byte: prolog, cells, rules, Windows-1250,
// CR LF, escaping, and where the document goes when a name is taken.

#include "TestSupport.h"
#include "document/Rtf.h"

using namespace valmir;

class TestRtf : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void makeCell_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<int>("align");
        QTest::addColumn<QString>("cell");
        QTest::newRow("zero amount") << 3 << QVariant(0.0) << 1 << R"({\qr \cell})";
        QTest::newRow("null amount") << 3 << QVariant() << 1 << R"({\qr \cell})";
        QTest::newRow("empty centred") << 0 << QVariant(QString()) << 2 << R"({\qc \cell})";
        QTest::newRow("amount") << 3 << QVariant(7.5) << 1 << R"({\qr 7,50\cell})";
        QTest::newRow("grouped") << 3 << QVariant(1234567.891) << 1 << R"({\qr 1.234.567,89\cell})";
        QTest::newRow("negative") << 3 << QVariant(-0.5) << 1 << R"({\qr -0,50\cell})";
        QTest::newRow("text trimmed, escaped") << 0 << QVariant(QStringLiteral("  Geo {Plus}\\ "))
                                               << 0 << R"({\ql Geo \{Plus\}\\\cell})";
    }

    void makeCell() {
        QFETCH(int, kind);
        QFETCH(QVariant, value);
        QFETCH(int, align);
        QTEST(MakeCell(kind, value, align), "cell");
    }

    void escape_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("escaped");
        // clang-format off
        QTest::newRow("markup characters") << "C:\\geo {a}" << R"(C:\\geo \{a\})";
        QTest::newRow("Slovenian and euro stay") << "ČĆĐŠŽčćđšž €" << "ČĆĐŠŽčćđšž €";
        QTest::newRow("outside the code page") << QString::fromUtf8("日ő€") << R"(\u26085?ő€)";
        QTest::newRow("beyond the first plane") << QString::fromUtf8("😀") << R"(\u-10179?\u-8704?)";
        QTest::newRow("line breaks and tabs") << "a\r\nb\nc\td\x01" << R"(a\line b\line c\tab d)";
        // clang-format on
    }

    void escape() {
        QFETCH(QString, text);
        QTEST(rtfEscape(text), "escaped");
    }

    void documentBytes() {
        QTemporaryDir dir;
        RtfDocument doc;
        QVERIFY(doc.OpenDocument(dir.path()));
        QCOMPARE(doc.fileName(), QStringLiteral("racun.rtf"));
        doc.WriteProlog();
        doc.WriteLine(QStringLiteral("x"), QStringLiteral("\\b\\fs20"));
        doc.WriteLine(QStringLiteral("x"));
        doc.SetFontSize(QStringLiteral("16"));
        doc.ThickRule();
        doc.ThinRule();
        doc.WriteLine(QStringLiteral("ČŠŽčšžĆćĐđ€日"));
        QVERIFY(doc.CloseDocument());

        const QByteArray expected =
            "{\\rtf\\ansi\\ansicpg1250\\deff1\r\n"
            "{\\fonttbl{\\f1\\fswiss\\fcharset238 Arial CE;}{\\f2\\froman\\fcharset238 Times New "
            "Roman "
            "CE;}{\\f3\\fnil\\fcharset2\\fprq2{\\*\\panose 05000000000000000000}TARV Logos;}"
            "{\\f35\\fswiss\\fcharset238\\fprq2{\\*\\panose 020b0604030504040204}Tahoma;}}\r\n"
            "{\\colortbl;\\red0\\green0\\blue0;\\red255\\green255\\blue255;\\red255\\green0\\blue0;"
            "\\red0\\green255\\blue0;\\red0\\green0\\blue255;\\red220\\green220\\blue220;"
            "\\red255\\green255\\blue153;\\red240\\green240\\blue240;}\r\n"
            "\\paperw11907\r\n\\paperh16840\r\n\\margl1417\r\n\\margr1417\r\n\\margt1150\r\n"
            "\\margb1134\r\n\\headery800\\footery650\r\n"
            "{\\b\\fs20 x}\r\n"
            "x\r\n"
            "\\pard\\f35\\fs16 \r\n"
            "{\\pard\\brdrb\\brdrs\\brdrw30\\fs2\\sa50\\par}\r\n"
            "{\\pard\\brdrb\\brdrs\\fs2\\sa50\\par}\r\n"
            "\xC8\x8A\x8E\xE8\x9A\x9E\xC6\xE6\xD0\xF0\x80?\r\n"
            "}\r\n";
        QCOMPARE(test::readBytes(dir.filePath(QStringLiteral("racun.rtf"))), expected);
    }

    void fallbackNames() {
        QTemporaryDir dir;
        // A name that cannot be opened for writing: here a folder of that name.
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("racun.rtf")));
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("racun1.rtf")));
        RtfDocument doc;
        QVERIFY(doc.OpenDocument(dir.path()));
        QCOMPARE(doc.fileName(), QStringLiteral("racun2.rtf"));
        QVERIFY(doc.CloseDocument());
        QCOMPARE(doc.path(), dir.filePath(QStringLiteral("racun2.rtf")));

        // No name at all: a bounded number of tries and a message naming the folder.
        const QString missing = dir.filePath(QStringLiteral("ni mape"));
        RtfDocument none;
        QVERIFY(!none.OpenDocument(missing));
        QVERIFY2(none.error().contains(missing), qPrintable(none.error()));
        QVERIFY(none.error().contains(QStringLiteral("racun99.rtf")));
    }

    void writeError() {
        if (!QFile::exists(QStringLiteral("/dev/full")))
            QSKIP("no /dev/full");
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("racun.rtf"));
        QVERIFY(QFile::link(QStringLiteral("/dev/full"), path));
        RtfDocument doc;
        QVERIFY(doc.OpenDocument(dir.path()));
        doc.WriteProlog();
        QVERIFY(!doc.CloseDocument());
        QVERIFY2(doc.error().contains(path), qPrintable(doc.error()));
        QVERIFY(!QFileInfo::exists(path) &&
                !QFileInfo(path).isSymLink()); // nothing half written is left
    }
};

QTEST_GUILESS_MAIN(TestRtf)
#include "tst_rtf.moc"
