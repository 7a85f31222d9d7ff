#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVector>

#include <cstdio>

namespace Cli {

// text with its control characters escaped (a line break as \n, ESC as \x1b), so that
// a name can neither break a line nor drive the terminal.
QString printable(const QString& text);

// word quoted so that a POSIX shell reads it back as it is; unquoted when nothing in it
// is special to the shell.
QString shellQuoted(const QString& word);

// What a command reports: human-readable lines and tables on stdout, or with --json
// one JSON object printed when the command has finished.
class Output {
public:
    explicit Output(bool json, FILE* stream = stdout);

    bool json() const { return m_json; }

    // Text mode only; control characters are escaped.
    void line(const QString& text = QString());
    void table(const QStringList& headers, QList<QStringList> rows);

    // JSON mode: the value under key in the current section (the top object unless
    // a demo step opened one). Ignored in text mode.
    void set(const QString& key, const QJsonValue& value);

    // Text mode: a heading that starts a part of a longer report.
    void section(const QString& title);
    // JSON mode: groups the values set from here on under one element of "steps".
    void beginStep(const QString& title);
    void endStep();

    // Prints the JSON object; nothing in text mode.
    void finish();
    // JSON mode: what finish() would print.
    const QJsonObject& result() const { return m_root; }

private:
    void write(const QString& text);

    bool m_json;
    FILE* m_stream;
    QJsonObject m_root;
    QJsonObject m_step;
    bool m_inStep = false;
};

} // namespace Cli
