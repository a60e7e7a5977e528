#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>

// The settings file's text form: "[section]" lines, then "key=value" lines, UTF-8. It is the INI dialect the
// settings were always written in (values with ";", ",", "=" or outer blanks in double quotes, "\" escapes,
// a leading "@" doubled, keys and sections with "%" escapes), so files written before read the same.
//
// Reading is line by line and never gives up: a line that is not text (invalid UTF-8, control bytes), a
// section heading without its "]", a line without "=", an empty key or a quote that never closes is
// counted as damaged and skipped, and the keys under a damaged heading are skipped with it. Everything else
// is kept. Unlike the general INI readers, a ";" inside a value is text, not the start of a comment: the
// program's own lists are ";"-separated and must survive a hand edit that left them unquoted.
namespace IniFile {

// Keys are "section/key".
using Values = QMap<QString, QString>;

struct Parsed {
    Values values;
    int damagedLines = 0;
    int firstDamagedLine = 0; // 1-based; 0 when none
};

Parsed parse(const QByteArray& bytes);
QByteArray serialize(const Values& values);

// One value as it is written after "key=", and back.
QByteArray escapeValue(const QString& value);
// Nothing when the text is damaged (a quote never closed) or is a stored non-text value ("@Invalid()").
bool unescapeValue(const QByteArray& text, QString& value);

} // namespace IniFile
