#pragma once

#include "invoice/InvoiceSearch.h"

#include <QObject>

#include <memory>
#include <optional>

class QThread;

namespace valmir {

class Database;

// Counts what the main list's filter finds for the status line on a
// connection of its own to the office's server, in a thread, so that the
// list is painted and typing goes on while the server counts (a one-letter
// search counts a million invoices). One count runs at a time; a filter
// asked for meanwhile is counted after it, and only the last one asked is
// told.
class SearchCounter : public QObject {
    Q_OBJECT
public:
    // conninfo: the server's connection string, connected at the first count.
    explicit SearchCounter(QString conninfo, QObject* parent = nullptr);
    // A count that is running is left to end by itself, told to nobody: the
    // program's end never waits for a server that does not answer.
    ~SearchCounter() override;

    void count(const InvoiceFilter& filter);
    // Neither the count running nor one asked for is told.
    void forget();

Q_SIGNALS:
    void counted(const valmir::ListStatus& status);
    // The count's own connection could not be made or the count failed,
    // with the engine's words.
    void failed(const QString& error);

private:
    void startNext();
    void threadFinished();

    // What a count's thread works with, kept by the thread as long as it
    // runs, also after this counter is gone.
    struct Work {
        std::unique_ptr<Database> db; // used by one thread at a time
        ListStatus status;
        QString error; // of the count that ran; empty when it succeeded
    };

    QString m_conninfo;
    std::shared_ptr<Work> m_work = std::make_shared<Work>();
    QThread* m_thread = nullptr;
    std::optional<InvoiceFilter> m_next;
    bool m_stopped = false; // the running count is told to nobody
};

} // namespace valmir
