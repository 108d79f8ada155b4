#pragma once

#include <QDialog>

class QLabel;

namespace valmir {

// "O, avtorja!": the program's name and version, two lines about its
// authors with their pictures and names, and "&System Info...". There is no
// OK button: a click on the window, its title, its version, the icon or a
// picture closes it, and so does its close box; the other lines may be
// clicked and read at leisure.
class frmAbout : public QDialog {
    Q_OBJECT
public:
    explicit frmAbout(QWidget* parent = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void StartSysInfo();
    QLabel* label(const char* name, const QString& text);
    QLabel* picture(const char* name, const QString& resource, int width);

    QList<QObject*> m_closeOnClick;
};

} // namespace valmir
