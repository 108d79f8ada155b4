#pragma once

#include "ui/AppContext.h"
#include "ui/FormSnapshot.h"

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace valmir {

// Where the word processor is: shows the stored location and stores the
// typed one with "V redu". Closing it otherwise (close box, Esc) stores
// nothing, and asks first when the location was changed.
class N_word : public QDialog {
    Q_OBJECT
public:
    explicit N_word(const AppContext& context, QWidget* parent = nullptr);
    ~N_word() override;

    void reject() override;

private:
    void confirm();

    AppContext m_context;
    QLineEdit* m_locationEdit = nullptr;
    QPushButton* m_okButton = nullptr;
    FormSnapshot m_shown; // the location as read
};

} // namespace valmir
