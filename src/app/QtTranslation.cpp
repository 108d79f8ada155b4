#include "app/QtTranslation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace valmir {

namespace {

// Some texts Qt asks for under a context that the Slovenian translation
// does not have yet, while it carries the same texts under another: the
// buttons of dialogs under "QDialogButtonBox", where Qt kept them before it
// asked "QPlatformTheme", and the context menu of multi-line text boxes
// under that of one-line boxes ("QLineEdit"). Those are looked up there.
struct Fallback {
    const char* asked;
    const char* carried;
};
constexpr Fallback Fallbacks[] = {
    {"QPlatformTheme", "QDialogButtonBox"},
    {"QWidgetTextControl", "QLineEdit"},
};

class SlovenianQtTexts : public QTranslator {
public:
    bool load() {
        return m_qt.load(QLocale(QLocale::Slovenian, QLocale::Slovenia), QStringLiteral("qt"),
                         QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    }
    bool isEmpty() const override { return m_qt.isEmpty(); }
    QString translate(const char* context, const char* source, const char* disambiguation,
                      int n) const override {
        QString text = m_qt.translate(context, source, disambiguation, n);
        for (const Fallback& f : Fallbacks)
            if (text.isEmpty() && qstrcmp(context, f.asked) == 0)
                text = m_qt.translate(f.carried, source, disambiguation, n);
        return text;
    }

private:
    QTranslator m_qt;
};

} // namespace

bool installQtTranslation(QCoreApplication& app) {
    // One translator for the whole run, whichever application asks first.
    static SlovenianQtTexts* texts = nullptr;
    if (!texts) {
        auto* loaded = new SlovenianQtTexts;
        if (!loaded->load()) {
            delete loaded;
            return false;
        }
        texts = loaded;
    }
    return app.installTranslator(texts);
}

} // namespace valmir
