// The two interface languages: texts built in code come as (Chinese, English)
// pairs; dialog captions come from the per-language caption table, keyed by
// dialog number and control identifier.
#pragma once

#include <QHash>
#include <QString>

class QWidget;

namespace udare::shell {

// Register the embedded tables and pictures (safe to call often).
void ensureResources();

// 0 = Chinese, 1 = English. One value for the whole program.
int uiLanguage();
void setUiLanguage(int lang);  // anything but 1 is taken as 0

// pair[uiLanguage()]
QString T(const char* zh, const char* en);
// A Chinese-only text, shown as it is in both languages.
inline QString Z(const char* zh) { return QString::fromUtf8(zh); }

// Every control a caption table can reach carries its identifier here.
inline constexpr const char* kControlIdProperty = "controlId";
void setControlId(QWidget* w, int id);
int controlId(const QWidget* w);  // -1 when none

class LanguageTable {
public:
    // Parse INI text (UTF-8, or GB18030 when it is not valid UTF-8). Only
    // the [String] section counts; keys compare without regard to case.
    void parse(const QByteArray& bytes);
    // Load the embedded table of a language; false leaves the table empty.
    bool loadEmbedded(int lang);
    void clear() { values_.clear(); }
    bool isEmpty() const { return values_.isEmpty(); }

    // Trimmed value with one pair of enclosing quotes removed; empty if absent.
    QString value(const QString& key) const;
    QString title(int dialog) const;
    QString control(int dialog, int control) const;

    // The caption of w from "IDD<d>_title", then each direct child's text from
    // "IDD<d>_<id>". Missing or empty values keep the current text.
    void relabel(QWidget* w, int dialog) const;

private:
    QHash<QString, QString> values_;  // lower-case key -> raw value
};

// The embedded table of a language, read on first use: for texts wanted in
// both languages at once (the names of undo steps). UI thread only.
const LanguageTable& embeddedTable(int lang);

// Set the text of any of the text-carrying widgets (label, button, box,
// window title of a top-level). Returns false when w carries no text.
bool setWidgetText(QWidget* w, const QString& text);

}  // namespace udare::shell
