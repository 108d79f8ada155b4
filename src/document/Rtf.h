#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QVariant>

namespace valmir {

// The RTF writing routines of the price calculation.
//
// A document is written through one RtfDocument: OpenDocument, WriteProlog,
// any sequence of WriteLine, SetFontSize, ThickRule and ThinRule (with
// MakeCell building the texts of table rows), CloseDocument. Every line
// goes out as Windows-1250 bytes followed by CR LF, the last "}" included.
//
// The file name and the open file are the state of this object, not of
// the program: one object per document, nothing shared between prints.
//
// The lines are collected in memory and go to the file in CloseDocument,
// so that a document is written in one go; when that write fails the file
// is removed again, and nobody is handed half a price calculation.
//
// The texts given to WriteLine and SetFontSize are markup and go out as
// they stand. Text typed by the user or read from the database must pass
// through rtfEscape() first; MakeCell escapes its value itself, since a
// cell's value is never markup.
class RtfDocument {
public:
    // How many names OpenDocument tries: "racun.rtf", then "racun1.rtf" to
    // "racun99.rtf". Beyond that the folder is not writable at all.
    static constexpr int MaxNames = 100;

    RtfDocument() = default;
    RtfDocument(const RtfDocument&) = delete;
    RtfDocument& operator=(const RtfDocument&) = delete;

    // Opens the first of the names that can be opened for writing in
    // `folder` (an existing file is emptied). False with error() set when
    // none can.
    bool OpenDocument(const QString& folder);
    void WriteProlog();
    // "{" format " " text "}" when the format is not empty, else the text.
    void WriteLine(const QString& text, const QString& format = QString());
    void SetFontSize(const QString& size);
    void ThickRule();
    void ThinRule();
    // Writes the closing "}" and the whole document to the file. False with
    // error() set (and no file left behind) when the writing failed.
    bool CloseDocument();

    QString fileName() const { return m_fileName; } // "racun.rtf", "racun1.rtf", ...
    QString path() const { return m_file.fileName(); }
    QString error() const { return m_error; }
    const QByteArray& bytes() const { return m_bytes; }

private:
    QFile m_file;
    QString m_fileName;
    QString m_error;
    QByteArray m_bytes;
};

// Kinds and alignments of MakeCell.
enum CellKind { TextCell = 0, AmountCell = 3 };
enum CellAlign { AlignLeft = 0, AlignRight = 1, AlignCentre = 2 };

// One table cell: "{" alignment word, the cell text, "\cell}". A text cell
// shows the value trimmed (a number in the locale's form), an amount cell
// its AmountText (empty for 0 and Null). The text is escaped.
QString MakeCell(int kind, const QVariant& value, int align);

// A text of the user or the database as RTF reads it back unchanged:
// "\", "{" and "}" escaped, a line break as \line, a tab as \tab, other
// control characters dropped, and a character that Windows-1250 lacks as
// \uN? (the "?" for readers that do not know \u).
QString rtfEscape(const QString& text);

// The text as Windows-1250 bytes; a character the code page lacks is "?".
QByteArray toWindows1250(const QString& text);
bool inWindows1250(QChar c);

} // namespace valmir
