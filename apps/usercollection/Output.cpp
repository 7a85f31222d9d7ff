#include "Output.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>

#include <algorithm>

namespace Cli {

namespace {

// Unicode's control characters (category Cc): C0, DEL and C1.
bool isControl(QChar c)
{
    return c.unicode() < 0x20 || (c.unicode() >= 0x7f && c.unicode() <= 0x9f);
}

} // namespace

QString printable(const QString& text)
{
    if (std::none_of(text.begin(), text.end(), isControl))
        return text;
    QString result;
    result.reserve(text.size());
    for (const QChar c : text) {
        if (!isControl(c))
            result += c;
        else if (c == QLatin1Char('\n'))
            result += QStringLiteral("\\n");
        else if (c == QLatin1Char('\t'))
            result += QStringLiteral("\\t");
        else if (c == QLatin1Char('\r'))
            result += QStringLiteral("\\r");
        else
            result += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
    }
    return result;
}

QString shellQuoted(const QString& word)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_@%+=:,./-]+$"));
    if (plain.match(word).hasMatch())
        return word;
    QString text = word;
    text.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QLatin1Char('\'') + text + QLatin1Char('\'');
}

Output::Output(bool json, FILE* stream)
    : m_json(json)
    , m_stream(stream)
{
}

void Output::line(const QString& text)
{
    if (!m_json)
        write(printable(text) + QLatin1Char('\n'));
}

void Output::table(const QStringList& headers, QList<QStringList> rows)
{
    if (m_json)
        return;
    // Escaped before measuring, so that the columns line up.
    for (QStringList& row : rows) {
        for (QString& cell : row)
            cell = printable(cell);
    }
    QVector<int> widths(headers.size());
    for (int column = 0; column < headers.size(); ++column) {
        widths[column] = headers[column].size();
        for (const QStringList& row : rows)
            widths[column] = std::max(widths[column], int(row.value(column).size()));
    }
    QString text;
    auto writeRow = [&](const QStringList& cells) {
        text.resize(0);
        text += QLatin1String("  ");
        for (int column = 0; column < widths.size(); ++column) {
            const QString cell = cells.value(column);
            text += cell;
            if (column + 1 < widths.size())
                text += QString(widths[column] + 2 - cell.size(), QLatin1Char(' '));
        }
        text += QLatin1Char('\n');
        write(text);
    };
    writeRow(headers);
    for (const QStringList& row : rows)
        writeRow(row);
    if (rows.isEmpty())
        line(QStringLiteral("  (none)"));
}

void Output::set(const QString& key, const QJsonValue& value)
{
    (m_inStep ? m_step : m_root)[key] = value;
}

void Output::section(const QString& title)
{
    line();
    line(QStringLiteral("== ") + title);
}

void Output::beginStep(const QString& title)
{
    endStep();
    m_step = QJsonObject { { QStringLiteral("step"), title } };
    m_inStep = true;
}

void Output::endStep()
{
    if (!m_inStep)
        return;
    QJsonArray steps = m_root.value(QStringLiteral("steps")).toArray();
    steps.append(m_step);
    m_root[QStringLiteral("steps")] = steps;
    m_step = QJsonObject();
    m_inStep = false;
}

void Output::finish()
{
    endStep();
    if (m_json)
        write(QString::fromUtf8(QJsonDocument(m_root).toJson(QJsonDocument::Indented)));
    std::fflush(m_stream);
}

void Output::write(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), m_stream);
}

} // namespace Cli
