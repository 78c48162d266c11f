// The six diary file operations on diaries of 10, 365, 3,650 and 36,500 entries (a few days to
// a hundred years of dreams), with the file on the real disk and every save flushed to it.
#include "DiaryGenerator.h"
#include "store/IniFile.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>

#include <map>
#include <optional>

#include <unistd.h>

namespace
{

constexpr std::uint32_t kSeed = 20261211;
const QString kMemoKey = QStringLiteral("Описание");

QString dataDir()
{
    const QString fromEnv = qEnvironmentVariable("VELNORA_BENCH_DIR");
    return fromEnv.isEmpty() ? QStringLiteral(BENCH_DATA_DIR) : fromEnv;
}

struct Diary {
    int entries = 0;
    QString path;
    QByteArray pristine;
    DiaryGenerator::Entry middle; // the entry read, replaced and erased
    QString lastDate;
};

// Puts the generated file back as it was, and on the disk, so that the next figures do not pay
// for flushing it.
bool restore(const Diary &d)
{
    QFile file(d.path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(d.pristine) == d.pristine.size() && file.flush() &&
           ::fdatasync(file.handle()) == 0;
}

// Each size is generated once and kept in memory, for the benchmarks that change the file.
const Diary *diary(benchmark::State &state)
{
    static std::map<int, Diary> diaries;
    const int entries = int(state.range(0));
    if (const auto it = diaries.find(entries); it != diaries.end())
        return &it->second;

    Diary d;
    d.entries = entries;
    d.path = QDir(dataDir()).filePath(QStringLiteral("Save-%1.vnx").arg(entries));
    DiaryGenerator generator(kSeed);
    d.pristine = generator.diary(entries, entries / 2, &d.middle);
    d.lastDate = DiaryGenerator::dateOf(entries - 1);
    if (!QDir().mkpath(dataDir()) || !restore(d)) {
        state.SkipWithError("cannot write the diary; set VELNORA_BENCH_DIR to a writable folder");
        return nullptr;
    }
    return &diaries.emplace(entries, std::move(d)).first->second;
}

void report(benchmark::State &state, const Diary &d)
{
    state.counters["file_MB"] = double(d.pristine.size()) / 1e6;
    state.SetBytesProcessed(int64_t(state.iterations()) * d.pristine.size());
}

// Times `read` on a fresh object each time: the cost of the first read after the file changed
// (later reads of an unchanged file use what the first one learnt). `check` tells whether the
// last result was right.
template <typename Result, typename Read, typename Check>
void timeFirstRead(benchmark::State &state, Read read, Check check)
{
    const Diary *d = diary(state);
    if (!d)
        return;
    Result result{};
    for (auto _ : state) {
        const TIniFile ini(d->path);
        result = read(ini, *d);
        benchmark::DoNotOptimize(result);
    }
    if (!check(result, *d))
        state.SkipWithError("what was read is wrong");
    report(state, *d);
}

void readSections(benchmark::State &state)
{
    timeFirstRead<QStringList>(
        state,
        [](const TIniFile &ini, const Diary &) {
            QStringList list;
            ini.ReadSections(list);
            return list;
        },
        [](const QStringList &list, const Diary &d) {
            return list.size() == d.entries && list.last() == d.lastDate;
        });
}

void sectionExists(benchmark::State &state)
{
    timeFirstRead<bool>(
        state, [](const TIniFile &ini, const Diary &d) { return ini.SectionExists(d.lastDate); },
        [](bool exists, const Diary &) { return exists; });
}

void readString(benchmark::State &state)
{
    timeFirstRead<QString>(
        state,
        [](const TIniFile &ini, const Diary &d) {
            return ini.ReadString(d.middle.date, kMemoKey, QString());
        },
        [](const QString &memo, const Diary &d) {
            return memo == d.middle.values[DiaryGenerator::kKeys.indexOf(kMemoKey)];
        });
}

// An entry opened the way the diary opens one, at start-up or when its date is picked: whether it
// exists, then its six values.
void loadEntry(benchmark::State &state)
{
    timeFirstRead<QStringList>(
        state,
        [](const TIniFile &ini, const Diary &d) {
            QStringList values;
            if (ini.SectionExists(d.middle.date)) {
                for (const QString &key : DiaryGenerator::kKeys)
                    values.append(ini.ReadString(d.middle.date, key, QStringLiteral(" ")));
            }
            return values;
        },
        [](const QStringList &values, const Diary &d) { return values == d.middle.values; });
}

// Saves the six values of an entry under its date, as one batch or as six saves of their own.
void writeEntry(TIniFile &ini, const QString &date, const QStringList &values, bool batched)
{
    std::optional<TIniFile::Batch> batch;
    if (batched)
        batch.emplace(ini);
    for (int k = 0; k < DiaryGenerator::kKeys.size(); ++k)
        ini.WriteString(date, DiaryGenerator::kKeys[k], values[k]);
    if (batch)
        batch->Commit();
}

// A new entry saved at the end of the diary, as the main window saves one: six values in one
// batch, so one atomic, flushed save of the file (`batched` = 1); or, for comparison, each value
// an atomic, flushed save of its own (`batched` = 0).
void saveEntry(benchmark::State &state)
{
    const Diary *d = diary(state);
    if (!d)
        return;
    const bool batched = state.range(1) != 0;
    TIniFile ini(d->path);
    const DiaryGenerator::Entry entry = DiaryGenerator(kSeed + 1).entry(d->entries);
    for (auto _ : state) {
        writeEntry(ini, entry.date, entry.values, batched);
        state.PauseTiming();
        ini.EraseSection(entry.date);
        state.ResumeTiming();
    }
    report(state, *d);
}

// The entry in the middle of the diary saved again with six new values, as after "replace?".
void replaceEntry(benchmark::State &state)
{
    const Diary *d = diary(state);
    if (!d)
        return;
    TIniFile ini(d->path);
    DiaryGenerator generator(kSeed + 3);
    const QStringList versions[2] = {generator.entry(0).values, generator.entry(1).values};
    int turn = 0;
    for (auto _ : state)
        writeEntry(ini, d->middle.date, versions[turn++ % 2], true);
    report(state, *d);
    if (!restore(*d))
        state.SkipWithError("cannot restore the diary");
}

void replaceValue(benchmark::State &state)
{
    const Diary *d = diary(state);
    if (!d)
        return;
    TIniFile ini(d->path);
    DiaryGenerator generator(kSeed + 2);
    const QString memos[2] = {generator.memo(), generator.memo()};
    int turn = 0;
    for (auto _ : state)
        ini.WriteString(d->middle.date, kMemoKey, memos[turn++ % 2]);
    report(state, *d);
    if (!restore(*d))
        state.SkipWithError("cannot restore the diary");
}

void eraseSection(benchmark::State &state)
{
    const Diary *d = diary(state);
    if (!d)
        return;
    TIniFile ini(d->path);
    for (auto _ : state) {
        ini.EraseSection(d->middle.date);
        state.PauseTiming();
        if (!restore(*d))
            state.SkipWithError("cannot restore the diary");
        state.ResumeTiming();
    }
    report(state, *d);
}

void sizes(benchmark::internal::Benchmark *b)
{
    for (const int entries : {10, 365, 3650, 36500})
        b->Arg(entries);
    b->ArgName("entries")->Unit(benchmark::kMillisecond)->UseRealTime();
}

void sizesBatchedOrNot(benchmark::internal::Benchmark *b)
{
    for (const int batched : {1, 0}) {
        for (const int entries : {10, 365, 3650, 36500})
            b->Args({entries, batched});
    }
    b->ArgNames({"entries", "batched"})->Unit(benchmark::kMillisecond)->UseRealTime();
}

} // namespace

BENCHMARK(readSections)->Apply(sizes);
BENCHMARK(sectionExists)->Apply(sizes);
BENCHMARK(readString)->Apply(sizes);
BENCHMARK(loadEntry)->Apply(sizes);
BENCHMARK(saveEntry)->Apply(sizesBatchedOrNot);
BENCHMARK(replaceEntry)->Apply(sizes);
BENCHMARK(replaceValue)->Apply(sizes);
BENCHMARK(eraseSection)->Apply(sizes);

BENCHMARK_MAIN();
