#pragma once

#include <gtest/gtest.h>

#include <QString>

#include <string>
#include <vector>

namespace Testing {

// One case of a naming table: the display names already taken, the name asked
// for and the name expected back.
struct NamingRow {
    const char* caseName;
    std::vector<std::string> taken;
    QString wanted;
    QString expected;
};

inline std::string rowName(const ::testing::TestParamInfo<NamingRow>& info)
{
    return info.param.caseName;
}

// stem, then stem_01 to stem_<last>.
inline std::vector<std::string> numberedUpTo(const QString& stem, int last)
{
    std::vector<std::string> names { stem.toStdString() };
    for (int n = 1; n <= last; ++n)
        names.push_back(QStringLiteral("%1_%2").arg(stem).arg(n, 2, 10, QChar('0')).toStdString());
    return names;
}

} // namespace Testing
