#pragma once

#include <QObject>
#include <QProcess>
#include <QString>
#include <QVariant>

namespace valmir {

// The names and the folder of the documents the program saves, and
// LibreOffice's conversion of an RTF document to PDF, which the tests and
// the benchmark set beside the PDF the program draws itself.

// "Racun 2026-001.pdf": "Racun" and the invoice number, with the
// characters that file names may not hold here or on a Windows share
// (/ \ : * ? " < > | and control characters) as "-". No number gives
// "Racun.pdf".
QString pdfFileName(const QString& invoiceNumber);
// The same with another extension ("xml" for the e-invoice).
QString invoiceFileName(const QString& invoiceNumber, const QString& extension);
// The reminder of the invoice: "Opomin 2026-001.pdf", "Opomin.pdf".
QString reminderPdfFileName(const QString& invoiceNumber);

// Where the PDFs go: the folder stored in MapaDokumentov, or, when none is
// stored, "VALMIR" in the user's documents folder.
QString defaultDocumentFolder();
QString documentFolder(const QVariant& stored);

// LibreOffice's program, "soffice" found on PATH; empty when missing.
QString findLibreOffice();

// One conversion of an RTF file to PDF by LibreOffice running headless,
// started without waiting: finished() comes through the event loop. The
// PDF is written into `workFolder` + "/pdf" under the RTF file's name;
// LibreOffice keeps its settings in `workFolder` + "/libreoffice", apart
// from a LibreOffice the user has open (which would otherwise take the
// job over, or refuse it).
class PdfConversion : public QObject {
    Q_OBJECT
public:
    explicit PdfConversion(QObject* parent = nullptr);
    ~PdfConversion() override;

    void start(const QString& program, const QString& rtfPath, const QString& workFolder);
    bool isRunning() const { return m_process.state() != QProcess::NotRunning; }
    // Ends a running conversion; finished() follows with ok false and no
    // error text.
    void cancel();

    // The arguments LibreOffice gets.
    static QStringList arguments(const QString& rtfPath, const QString& workFolder);

Q_SIGNALS:
    // ok with the written PDF's path, or false with LibreOffice's own words
    // (or the system's, when it could not be started); no words when the
    // conversion was cancelled.
    void finished(bool ok, const QString& pdfPath, const QString& error);

private:
    void onFinished(int exitCode, QProcess::ExitStatus status);
    void onError(QProcess::ProcessError error);
    void finish(bool ok, const QString& error);

    QProcess m_process;
    QString m_pdfPath;
    bool m_cancelled = false;
    bool m_done = true;
};

} // namespace valmir
