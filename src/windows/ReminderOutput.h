#pragma once

#include <QtGlobal>

class QWidget;

namespace valmir {

struct AppContext;

// "Opomin" of the main list: the reminder of the stored invoice with this
// ID, written as "Opomin <number>.pdf" into the documents folder (a file of
// that name is replaced only when the user says so), recorded on the
// invoice once the PDF is there, shown in the desktop's viewer, and sent to
// the customer by e-mail after a Yes. An invoice that gets no reminder is
// refused with the reason, and every failure is told. True when the
// reminder was made and recorded.
bool MakeReminder(QWidget* parent, const AppContext& context, qint64 invoiceId);

} // namespace valmir
