#pragma once

#include <QDialog>

namespace valmir {

// A modal window that reads what it shows while it is made. When that
// fails it has shown its message already and does not open: exec() returns
// Rejected at once, so that nothing it could not read is written back.
class LoadingDialog : public QDialog {
public:
    using QDialog::QDialog;

    bool isLoaded() const { return m_loaded; }
    int exec() override { return m_loaded ? QDialog::exec() : int(QDialog::Rejected); }

protected:
    void setLoaded(bool loaded) { m_loaded = loaded; }

private:
    bool m_loaded = false;
};

} // namespace valmir
