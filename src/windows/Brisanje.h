#pragma once

#include "ui/AppContext.h"

#include <QDialog>

class QLineEdit;

namespace valmir {

// "Brisanje starih računov": after two questions, deletes every invoice
// dated before the day in Text1, with its lines, and closes. When the user
// stops, or the date is no date, or the engine fails, nothing is deleted;
// only the engine's failure and a bad date are reported.
class Brisanje : public QDialog {
    Q_OBJECT
public:
    explicit Brisanje(const AppContext& context, QWidget* parent = nullptr);

private:
    void pickDate();
    void purge();

    AppContext m_context;
    QLineEdit* m_date = nullptr;
};

} // namespace valmir
