#include "shell/lang.h"

#include <QAbstractButton>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QStringDecoder>
#include <QWidget>

#include <atomic>

// The embedded tables and pictures live in this static library; register
// them once before the first use.
static void initShellResources() {
    Q_INIT_RESOURCE(lang);
    Q_INIT_RESOURCE(icons);
}

namespace udare::shell {

void ensureResources() {
    static const bool done = (initShellResources(), true);
    (void)done;
}

namespace {
std::atomic<int> g_language{0};
constexpr int kMaxValueLength = 999;
}  // namespace

int uiLanguage() { return g_language.load(std::memory_order_relaxed); }
void setUiLanguage(int lang) { g_language.store(lang == 1 ? 1 : 0, std::memory_order_relaxed); }

QString T(const char* zh, const char* en) {
    return QString::fromUtf8(uiLanguage() == 1 ? en : zh);
}

void setControlId(QWidget* w, int id) {
    if (w) w->setProperty(kControlIdProperty, id);
}

int controlId(const QWidget* w) {
    if (!w) return -1;
    bool ok = false;
    const int id = w->property(kControlIdProperty).toInt(&ok);
    return ok ? id : -1;
}

void LanguageTable::parse(const QByteArray& bytes) {
    values_.clear();
    QString text;
    {
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        text = utf8.decode(bytes);
        if (utf8.hasError()) {
            QStringDecoder gbk("GB18030");
            text = gbk.isValid() ? QString(gbk.decode(bytes)) : QString::fromLatin1(bytes);
        }
    }
    if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
    bool inStrings = false;
    const auto lines = text.split(QLatin1Char('\n'));
    for (QString line : lines) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1String("//")) || line.startsWith(QLatin1Char(';')))
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            inStrings = line.mid(1, line.size() - 2).trimmed().compare(
                            QLatin1String("String"), Qt::CaseInsensitive) == 0;
            continue;
        }
        if (!inStrings) continue;
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0) continue;
        const QString key = line.left(eq).trimmed().toLower();
        // The first occurrence wins, as with an INI reader scanning from the top.
        if (!values_.contains(key)) values_.insert(key, line.mid(eq + 1));
    }
}

bool LanguageTable::loadEmbedded(int lang) {
    ensureResources();
    QFile f(lang == 1 ? QStringLiteral(":/lang/332.ini") : QStringLiteral(":/lang/331.ini"));
    if (!f.open(QIODevice::ReadOnly)) {
        values_.clear();
        return false;
    }
    parse(f.readAll());
    return !values_.isEmpty();
}

QString LanguageTable::value(const QString& key) const {
    auto it = values_.constFind(key.trimmed().toLower());
    if (it == values_.constEnd()) return {};
    QString v = it->trimmed();
    if (v.size() >= 2 && ((v.startsWith(QLatin1Char('"')) && v.endsWith(QLatin1Char('"'))) ||
                          (v.startsWith(QLatin1Char('\'')) && v.endsWith(QLatin1Char('\'')))))
        v = v.mid(1, v.size() - 2);
    if (v.size() > kMaxValueLength) v.truncate(kMaxValueLength);
    return v;
}

const LanguageTable& embeddedTable(int lang) {
    auto load = [](int k) {
        LanguageTable t;
        t.loadEmbedded(k);
        return t;
    };
    if (lang == 1) {
        static const LanguageTable english = load(1);
        return english;
    }
    static const LanguageTable chinese = load(0);
    return chinese;
}

QString LanguageTable::title(int dialog) const {
    return value(QStringLiteral("IDD%1_title").arg(dialog));
}

QString LanguageTable::control(int dialog, int control) const {
    return value(QStringLiteral("IDD%1_%2").arg(dialog).arg(control));
}

bool setWidgetText(QWidget* w, const QString& text) {
    if (auto* b = qobject_cast<QAbstractButton*>(w)) {
        b->setText(text);
    } else if (auto* l = qobject_cast<QLabel*>(w)) {
        l->setText(text);
    } else if (auto* g = qobject_cast<QGroupBox*>(w)) {
        g->setTitle(text);
    } else if (auto* e = qobject_cast<QLineEdit*>(w)) {
        e->setText(text);
    } else if (w && w->isWindow()) {
        w->setWindowTitle(text);
    } else {
        return false;
    }
    return true;
}

void LanguageTable::relabel(QWidget* w, int dialog) const {
    if (!w) return;
    const QString t = title(dialog);
    if (!t.isEmpty()) w->setWindowTitle(t);
    const auto children = w->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (QWidget* child : children) {
        const int id = controlId(child);
        if (id < 0) continue;
        const QString v = control(dialog, id);
        if (!v.isEmpty()) setWidgetText(child, v);
    }
}

}  // namespace udare::shell
