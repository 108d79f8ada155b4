#pragma once

#include <QUrl>
#include <QWidget>

class QAction;
class QTextBrowser;
class QTreeWidget;
class QTreeWidgetItem;

namespace valmir {

// The user manual: a contents list beside the pages, which are HTML files
// shipped inside the program. The window is not modal, so the manual can
// stay open beside the main window; there is only ever one.
class Navodila : public QWidget {
    Q_OBJECT
public:
    // Shows the manual on `page` (the first page when empty), raising the
    // window that is open already. When the page cannot be read the user
    // is told so and nullptr comes back; the program goes on either way.
    static Navodila* showManual(QWidget* parent, const QUrl& page = QUrl());
    // The open manual window, or nullptr.
    static Navodila* instance();

    // The first page, where "Domov" leads. The pages live under
    // qrc:/help/; asking for this makes them readable.
    static QUrl homePage();
    // Every page of the contents list, in its order.
    static QList<QUrl> contentsPages();
    // The page that tells of `window` (by its objectName, or of the window
    // it was opened over); the first page for a window it does not know.
    static QUrl pageOf(const QWidget* window);
    // F1 anywhere in the program shows the manual at the page of the
    // window it is pressed in, and a link to a page of the manual (as in a
    // message) shows that page. Installed once, when the program starts;
    // installing again does nothing.
    static void installHelpKey();

    QTextBrowser* browser() const { return m_browser; }
    QTreeWidget* contents() const { return m_contents; }

private:
    explicit Navodila(QWidget* parent);
    void buildContents();
    void onContentsClicked(QTreeWidgetItem* item);
    void onSourceChanged(const QUrl& url);

    QTextBrowser* m_browser = nullptr;
    QTreeWidget* m_contents = nullptr;
};

} // namespace valmir
