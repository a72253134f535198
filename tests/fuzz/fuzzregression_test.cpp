#include <random>
#include <string>
#include <vector>

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include "fuzz/checks/fuzzchecks.h"

namespace {

class FuzzCheck : public testing::TestWithParam<TFuzzTarget>
{
};

// The inputs kept under fuzz/<folder>/<target>/: the fuzzers' seeds, and every input
// that once made a check fail.
QStringList SavedInputs(const char *folder, const char *target)
{
    const QDir dir(
        QStringLiteral(VANTREL_SOURCE_DIR "/fuzz/") + QLatin1String(folder) + u'/' + QLatin1String(target));
    QStringList files;
    for (const QString &name : dir.entryList(QDir::Files, QDir::Name))
        files += dir.filePath(name);
    return files;
}

std::string RunCheck(TFuzzCheck check, const QByteArray &input)
{
    return check(reinterpret_cast<const std::uint8_t *>(input.constData()), std::size_t(input.size()));
}

TEST_P(FuzzCheck, HoldsForEverySavedInput)
{
    const TFuzzTarget target = GetParam();
    const QStringList inputs = SavedInputs("corpus", target.Name) + SavedInputs("regressions", target.Name);
    EXPECT_FALSE(SavedInputs("corpus", target.Name).isEmpty()) << "no seed corpus for " << target.Name;
    for (const QString &path : inputs) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
        EXPECT_EQ(RunCheck(target.Check, file.readAll()), "") << path.toStdString();
    }
}

// A few thousand random inputs in every test run: far less than a fuzzer tries, but
// enough to catch a change that breaks a property outright.
TEST_P(FuzzCheck, HoldsForRandomInputs)
{
    const TFuzzTarget target = GetParam();
    std::mt19937 random(20261208);
    std::uniform_int_distribution<int> length(0, 300), byte(0, 255);
    for (int i = 0; i < 2000; ++i) {
        QByteArray input(length(random), '\0');
        for (char &c : input)
            c = static_cast<char>(byte(random));
        const std::string failure = RunCheck(target.Check, input);
        ASSERT_EQ(failure, "") << "input (hex): " << input.toHex().toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzCheck, testing::ValuesIn(FuzzTargets, FuzzTargets + FuzzTargetCount),
    [](const testing::TestParamInfo<TFuzzTarget> &info) { return std::string(info.param.Name); });

} // namespace
