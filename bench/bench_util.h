#pragma once
// Small helpers shared by the benchmark programs: a clock, medians, a data
// module on a scratch directory, JSON rows for the import, and the goal line
// every program ends with.

#include "data/datamodule.h"

#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <initializer_list>
#include <memory>
#include <utility>
#include <vector>

namespace nettora::bench {

inline double nowMs()
{
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

inline double median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

inline double minimum(const std::vector<double> &v)
{
    return v.empty() ? 0 : *std::min_element(v.begin(), v.end());
}

inline double maximum(const std::vector<double> &v)
{
    return v.empty() ? 0 : *std::max_element(v.begin(), v.end());
}

// A data module connected to dir the way the program starts; dm1 points to it.
inline std::unique_ptr<Tdm1> connect(const QString &dir)
{
    auto dm = std::make_unique<Tdm1>();
    dm1 = dm.get();
    dm->ConnectDb(dir, SecretBytes::fromText(QStringLiteral("bench password")));
    return dm;
}

// A JSON object from field names and values, for the documents the
// benchmarks import.
inline QJsonObject obj(std::initializer_list<std::pair<const char *, QJsonValue>> fields)
{
    QJsonObject o;
    for (const auto &[k, v] : fields)
        o.insert(QString::fromLatin1(k), v);
    return o;
}

inline void printGoal(bool met, const char *what)
{
    std::printf("%s (goal: %s)\n", met ? "goal met" : "goal missed", what);
}

}  // namespace nettora::bench
